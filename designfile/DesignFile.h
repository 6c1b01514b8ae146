#pragma once
// The design file (".stepdown"): the texts of the main window's fifteen
// boxes and of the part-value and part-selection windows, each kept exactly
// as typed, in one JSON object:
//   {"format": "stepdown-design", "version": 1,
//    "design": {...}, "verification": {...}, "simulation": {...},
//    "parts": {...}, "selection": {...}, "loop": {...}}
// Every section maps the keys of its table below to texts. A text that is
// no valid number is stored like any other: the windows judge it when the
// user clicks, not the file.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "designfile/AtomicFile.h"
#include "model/InputTexts.h"
#include "model/Quantities.h"

namespace stepdown {

inline constexpr std::string_view kDesignFileFormat = "stepdown-design";
// Raised with every key or section added, so that an older program calls a
// newer file newer instead of refusing its new keys as unknown.
inline constexpr std::uint64_t kDesignFileVersion = 2;  // 2: the section "loop"
inline constexpr std::string_view kDesignFileExtension = ".stepdown";
// Far beyond any real design file; larger files are refused unread.
inline constexpr std::size_t kDesignFileMaxBytes = std::size_t{1024} * 1024;

// One text of the file: a row of the table of quantities, whose key it is
// stored under and whose start text a key missing from a file reads as.
using DesignFileKey = Quantity;

inline constexpr std::span<const Quantity> kDesignKeys = QuantitiesOf(QuantityGroup::Design);
inline constexpr std::span<const Quantity> kVerificationKeys =
    QuantitiesOf(QuantityGroup::Verification);
inline constexpr std::span<const Quantity> kSimulationKeys =
    QuantitiesOf(QuantityGroup::Simulation);
// The fields of the "Componenti reali" window, in their units.
inline constexpr std::span<const Quantity> kPartsKeys = QuantitiesOf(QuantityGroup::Parts);
// The fields of the "Scelta dei componenti" window; an empty range means the
// nominal design's values.
inline constexpr std::span<const Quantity> kSelectionKeys = QuantitiesOf(QuantityGroup::Selection);
// The fields of the "Anello di controllo" window; an empty text is automatic.
inline constexpr std::span<const Quantity> kLoopKeys = QuantitiesOf(QuantityGroup::Loop);

// Every key of every section at its start text: a file that says nothing.
InputTexts DesignFileStartTexts();

// The texts by quantity, as every front end and analysis reads them; each
// section is one group of the table. An empty text means "not set".
struct DesignFile {
    InputTexts texts = DesignFileStartTexts();
    friend bool operator==(const DesignFile&, const DesignFile&) = default;
};

struct DesignFileSection {
    std::string_view name;
    std::span<const DesignFileKey> keys;
};

// The sections in the order they are written.
inline constexpr DesignFileSection kDesignFileSections[] = {
    {"design", kDesignKeys}, {"verification", kVerificationKeys}, {"simulation", kSimulationKeys},
    {"parts", kPartsKeys},   {"selection", kSelectionKeys},       {"loop", kLoopKeys},
};

// The text of `key` in the file, or its start text when the file lacks it.
std::string TextOf(const DesignFile& file, const DesignFileKey& key);
// The same for the key named `name` in the section of `group`; empty when
// the section has none.
std::string TextOf(const DesignFile& file, QuantityGroup group, std::string_view name);
// `text` under the key named `name` in the section of `group`, if it has one.
void SetText(DesignFile& file, QuantityGroup group, std::string_view name, std::string text);
// Texts by their keys' names, as one section lists them.
using NamedTexts = std::map<std::string_view, std::string_view>;
// The section of `group` holding `texts`, each key they do not name at its
// start text.
void SetSection(DesignFile& file, QuantityGroup group, const NamedTexts& texts);
// Whether every text of the section of `group` is empty.
bool SectionBlank(const DesignFile& file, QuantityGroup group);

// The bytes of the file: pretty-printed with two spaces, format, version and
// the sections with their keys in the order of the tables (a key `file`
// lacks with its start text), and a final newline. Texts must be UTF-8, as
// every Qt text is; a byte that is not is written as U+FFFD.
std::string DesignFileText(const DesignFile& file);

struct DesignFileOutcome {
    // Every key of every section, missing ones at their start text; empty
    // when the file was refused.
    std::optional<DesignFile> file;
    // When refused: "Impossibile aprire il file <path>: <what is wrong>".
    std::string message;
};

// Reads the file at `path`: no more than kDesignFileMaxBytes + 1 bytes, and
// none of one that is larger, then ParseDesignFile. Only a regular file is
// read: a FIFO, a device or a folder is refused at once, never waited on.
DesignFileOutcome ReadDesignFile(const std::string& path);

// The bytes of a design file; `path` only names it in messages. Refuses,
// whole, bytes that are empty, larger than kDesignFileMaxBytes, not UTF-8,
// with a NUL byte anywhere, not JSON or cut short, nested deeper than the sections, with a key
// twice in one object, without "format": "stepdown-design", with a "version" that is missing, not a
// whole number, below 1 or above kDesignFileVersion, with a member or a key the tables lack, or
// with a section that is no object or a value that is no text.
DesignFileOutcome ParseDesignFile(std::string_view bytes, std::string_view path);

// DesignFileText written with WriteFileAtomically; a text that is not UTF-8
// is refused before anything is written, since the file could not keep it.
SaveOutcome SaveDesignFile(const std::string& path, const DesignFile& file);

}  // namespace stepdown
