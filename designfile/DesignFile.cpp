#include "designfile/DesignFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "designfile/Utf8.h"

namespace stepdown {
namespace {

using Json = nlohmann::json;

// The file's object holds the sections; nothing lies deeper.
constexpr std::size_t kMaxDepth = 2;
// Names in messages are cut to this many characters.
constexpr std::size_t kShownCharacters = 40;

bool Continues(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// A name from the file as a message shows it: in JSON quotes and escapes, so
// that control characters stay visible, cut when long.
std::string Quoted(std::string_view text) {
    std::size_t end = 0;
    std::size_t characters = 0;
    for (const char byte : text) {
        if (!Continues(byte) && characters++ == kShownCharacters) break;
        ++end;
    }
    std::string quoted = Json(std::string(text.substr(0, end))).dump();
    if (end < text.size()) quoted.insert(quoted.size() - 1, "…");
    return quoted;
}

// "riga R, colonna C" of the byte at `at`, counting characters.
std::string Where(std::string_view bytes, std::size_t at) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < at; ++i) {
        if (bytes[i] == '\n') {
            ++line;
            column = 1;
        } else if (!Continues(bytes[i])) {
            ++column;
        }
    }
    return "riga " + std::to_string(line) + ", colonna " + std::to_string(column);
}

DesignFileOutcome Refusal(std::string_view path, std::string_view problem) {
    return {std::nullopt,
            "Impossibile aprire il file " + std::string(path) + ": " + std::string(problem)};
}

DesignFileOutcome TooLarge(std::string_view path) {
    return Refusal(path, "il file è più grande di 1 MiB: non può essere un file di progetto.");
}

// nlohmann's DOM, built as its own parser builds it, except that it stops at
// the first container deeper than the format allows, before reading it, and
// at a key repeated in one object, which the DOM would silently overwrite.
class BoundedDocument {
public:
    explicit BoundedDocument(Json& root) : root_(root) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(Json::number_integer_t value) { return Add(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return Add(value); }
    bool number_float(Json::number_float_t value, const Json::string_t&) { return Add(value); }
    bool string(Json::string_t& value) { return Add(std::move(value)); }
    bool binary(Json::binary_t& value) { return Add(Json::binary(std::move(value))); }
    bool start_object(std::size_t) { return Open(Json::object()); }
    bool start_array(std::size_t) { return Open(Json::array()); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }

    bool key(Json::string_t& name) {
        if (open_.back()->contains(name)) {
            problem_ = "la chiave " + Quoted(name) + " compare due volte";
            if (!openedUnder_.back().empty())
                problem_ += " nella sezione " + Quoted(openedUnder_.back());
            problem_ += '.';
            return false;
        }
        key_ = std::move(name);
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) {
        errorPosition_ = position;
        return false;
    }

    // What stopped the parse short of a syntax error, or the empty text.
    const std::string& Problem() const { return problem_; }
    // nlohmann's count of the bytes read up to the error, end of input
    // counting as one byte.
    std::size_t ErrorPosition() const { return errorPosition_; }

private:
    Json* Place(Json value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        return &(parent[key_] = std::move(value));
    }
    bool Add(Json value) {
        Place(std::move(value));
        return true;
    }
    bool Open(Json container) {
        if (open_.size() >= kMaxDepth) {
            problem_ = "i dati sono annidati più in profondità di quanto il formato preveda.";
            return false;
        }
        openedUnder_.push_back(open_.empty() || open_.back()->is_array() ? std::string() : key_);
        open_.push_back(Place(std::move(container)));
        return true;
    }
    bool Close() {
        open_.pop_back();
        openedUnder_.pop_back();
        return true;
    }

    Json& root_;
    std::vector<Json*> open_;               // the containers not yet closed
    std::vector<std::string> openedUnder_;  // the key each of them is the value of
    std::string key_;
    std::string problem_;
    std::size_t errorPosition_ = 0;
};

// A refusal's text when "format" or "version" is wrong, or the empty text.
std::string IdentityProblem(const Json& document) {
    const std::string foreign = "non è un file di progetto di stepdown: ";
    const auto format = document.find("format");
    if (format == document.end()) return foreign + "manca \"format\".";
    if (!format->is_string()) return foreign + "\"format\" non è un testo.";
    if (format->get_ref<const std::string&>() != kDesignFileFormat)
        return foreign + "\"format\" vale " + Quoted(format->get_ref<const std::string&>()) +
               " invece di " + Quoted(kDesignFileFormat) + ".";
    const auto version = document.find("version");
    if (version == document.end()) return "manca la versione del formato (\"version\").";
    if (!version->is_number_integer()) return "\"version\" non è un numero intero.";
    if (!version->is_number_unsigned() || version->get<std::uint64_t>() < 1)
        return "la versione del formato " + version->dump() + " non esiste.";
    if (version->get<std::uint64_t>() > kDesignFileVersion)
        return "il file è stato scritto da una versione più recente del programma: il suo "
               "formato è il " +
               version->dump() + ", questa versione legge fino al formato " +
               std::to_string(kDesignFileVersion) + ".";
    return {};
}

const DesignFileSection* FindSection(std::string_view name) {
    for (const DesignFileSection& section : kDesignFileSections)
        if (section.name == name) return &section;
    return nullptr;
}

const DesignFileKey* FindKey(const DesignFileSection& section, std::string_view name) {
    for (const DesignFileKey& key : section.keys)
        if (key.key == name) return &key;
    return nullptr;
}

// The texts of one section into the file's; the refusal's text, or the empty text.
std::string TakeSection(const DesignFileSection& section, const Json& value, InputTexts& texts) {
    const std::string name = Quoted(section.name);
    if (!value.is_object()) return "la sezione " + name + " non è un oggetto JSON.";
    for (const auto& [key, text] : value.items()) {
        const DesignFileKey* const row = FindKey(section, key);
        if (row == nullptr)
            return "la chiave " + Quoted(key) + " della sezione " + name + " non è prevista.";
        if (!text.is_string())
            return "il valore di " + Quoted(key) + " nella sezione " + name + " non è un testo.";
        // Under the table's key, which outlives the document's.
        texts.insert_or_assign(IdOf(*row), text.get<std::string>());
    }
    return {};
}

// The sections of a parsed document; the refusal's text, or the empty text.
std::string Interpret(const Json& document, DesignFile& file) {
    if (!document.is_object()) return "il contenuto non è un oggetto JSON.";
    if (std::string problem = IdentityProblem(document); !problem.empty()) return problem;
    for (const auto& [name, value] : document.items())
        if (name != "format" && name != "version" && FindSection(name) == nullptr)
            return Quoted(name) + " non è una sezione del formato.";
    file.texts = DesignFileStartTexts();
    for (const DesignFileSection& section : kDesignFileSections) {
        const auto value = document.find(section.name);
        if (value == document.end()) continue;
        if (std::string problem = TakeSection(section, *value, file.texts); !problem.empty())
            return problem;
    }
    return {};
}

}  // namespace

InputTexts DesignFileStartTexts() {
    InputTexts texts;
    for (const DesignFileSection& section : kDesignFileSections)
        for (const DesignFileKey& key : section.keys)
            texts.emplace(IdOf(key), std::string(key.startText));
    return texts;
}

std::string TextOf(const DesignFile& file, const DesignFileKey& key) {
    const auto found = file.texts.find(IdOf(key));
    return found == file.texts.end() ? std::string(key.startText) : found->second;
}

std::string TextOf(const DesignFile& file, QuantityGroup group, std::string_view name) {
    for (const DesignFileKey& key : QuantitiesOf(group))
        if (key.key == name) return TextOf(file, key);
    return {};
}

void SetText(DesignFile& file, QuantityGroup group, std::string_view name, std::string text) {
    for (const DesignFileKey& key : QuantitiesOf(group))
        if (key.key == name) {
            file.texts.insert_or_assign(IdOf(key), std::move(text));
            return;
        }
}

void SetSection(DesignFile& file, QuantityGroup group, const NamedTexts& texts) {
    for (const DesignFileKey& key : QuantitiesOf(group)) {
        const auto named = texts.find(key.key);
        file.texts.insert_or_assign(
            IdOf(key), std::string(named == texts.end() ? key.startText : named->second));
    }
}

bool SectionBlank(const DesignFile& file, QuantityGroup group) {
    const std::span<const DesignFileKey> keys = QuantitiesOf(group);
    return std::all_of(keys.begin(), keys.end(),
                       [&](const DesignFileKey& key) { return TextOf(file, key).empty(); });
}

std::string DesignFileText(const DesignFile& file) {
    nlohmann::ordered_json document;
    document["format"] = kDesignFileFormat;
    document["version"] = kDesignFileVersion;
    for (const DesignFileSection& section : kDesignFileSections) {
        nlohmann::ordered_json texts = nlohmann::ordered_json::object();
        for (const DesignFileKey& key : section.keys)
            texts[std::string(key.key)] = TextOf(file, key);
        document[std::string(section.name)] = std::move(texts);
    }
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

DesignFileOutcome ParseDesignFile(std::string_view bytes, std::string_view path) {
    if (bytes.empty()) return Refusal(path, "il file è vuoto.");
    if (bytes.size() > kDesignFileMaxBytes) return TooLarge(path);
    if (const std::size_t invalid = FirstInvalidUtf8(bytes); invalid != std::string_view::npos)
        return Refusal(
            path, "il file contiene testo che non è UTF-8 valido (" + Where(bytes, invalid) + ").");
    // The JSON reader would take a NUL byte for the end of its input.
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos)
        return Refusal(path, "il file contiene un byte nullo (" + Where(bytes, nul) +
                                 "): non è un file di testo.");
    Json root;
    BoundedDocument document(root);
    if (!Json::sax_parse(bytes, &document)) {
        if (!document.Problem().empty()) return Refusal(path, document.Problem());
        // Past the last byte: the input ended where the JSON text still went on.
        if (document.ErrorPosition() > bytes.size())
            return Refusal(path, "il file è troncato: i dati JSON finiscono a metà (" +
                                     Where(bytes, bytes.size()) + ").");
        return Refusal(path, "non è un file JSON valido (" +
                                 Where(bytes, document.ErrorPosition() - 1) + ").");
    }
    DesignFile file;
    if (std::string problem = Interpret(root, file); !problem.empty())
        return Refusal(path, problem);
    return {std::move(file), {}};
}

DesignFileOutcome ReadDesignFile(const std::string& path) {
    // Without blocking: opening a FIFO would otherwise wait for a writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor == -1) return Refusal(path, std::strerror(errno));
    struct stat status {};
    // A FIFO, a device or a folder is no design file, and reading one may
    // never end; an fstat that fails refuses the file as well.
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return Refusal(path, NotRegularFile(status.st_mode));
    }
    // One byte beyond the limit tells a file too large, however large, from
    // one that fits, without reading the rest of it.
    std::string bytes(kDesignFileMaxBytes + 1, '\0');
    std::size_t held = 0;
    int reason = 0;
    for (;;) {  // a read of no bytes, once the buffer is full, gives 0 as the end does
        const ssize_t got = ::read(descriptor, bytes.data() + held, bytes.size() - held);
        if (got > 0) {
            held += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            reason = errno;
            break;
        }
    }
    ::close(descriptor);
    if (reason != 0) return Refusal(path, std::strerror(reason));
    bytes.resize(held);
    return ParseDesignFile(bytes, path);
}

SaveOutcome SaveDesignFile(const std::string& path, const DesignFile& file) {
    for (const DesignFileSection& section : kDesignFileSections)
        for (const DesignFileKey& key : section.keys)
            if (FirstInvalidUtf8(TextOf(file, key)) != std::string_view::npos) {
                const std::string reason =
                    "il testo di " + Quoted(key.key) + " nella sezione " + Quoted(section.name) +
                    " non è UTF-8 valido e il file non potrebbe conservarlo.";
                std::string message = "Impossibile scrivere il file " + path + ": ";
                message += reason;
                return {false, std::move(message), reason};
            }
    return WriteFileAtomically(path, DesignFileText(file));
}

}  // namespace stepdown
