#include "cli/CommandParts.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "cli/ArgumentParser.h"
#include "cli/ChoiceOutput.h"
#include "cli/JsonWriter.h"
#include "cli/LoopCommand.h"
#include "cli/NetlistCommand.h"
#include "cli/OptionOwners.h"
#include "cli/OptionValues.h"
#include "cli/QuantityOptions.h"
#include "cli/RealPartsOutput.h"
#include "cli/TerminalProgress.h"
#include "cli/TextOutput.h"
#include "control/ControlQuantities.h"
#include "design/DesignCalculation.h"
#include "designfile/DesignFile.h"
#include "designfile/SideTexts.h"
#include "engine/Figures.h"
#include "model/Module1.h"
#include "model/QuantityReader.h"
#include "realparts/PartTexts.h"
#include "realparts/RealPartsReport.h"
#include "verification/Launch.h"
#include "waveformview/StartupReport.h"
#include "waveformview/WaveformCsv.h"

#ifndef STEPDOWN_VERSION
#error "STEPDOWN_VERSION must be defined by the build"
#endif

namespace stepdown::cli {
namespace {

// The selection's keys from `first` to `last`, in the table's order.
std::span<const DesignFileKey> SelectionKeys(std::string_view first, std::string_view last) {
    const std::span<const DesignFileKey> keys(kSelectionKeys);
    const auto at = [&keys](std::string_view key) {
        const auto found = std::find_if(keys.begin(), keys.end(),
                                        [key](const DesignFileKey& k) { return k.key == key; });
        return static_cast<std::size_t>(found - keys.begin());
    };
    return keys.subspan(at(first), at(last) - at(first) + 1);
}

// The texts of `section` typed into `texts` for every key of `keys`: an
// empty text stays an empty one.
void TypeSection(InputTexts& texts, const DesignFile& file, std::span<const DesignFileKey> keys) {
    for (const DesignFileKey& key : keys) texts.insert_or_assign(IdOf(key), TextOf(file, key));
}

}  // namespace

// The stored texts run by the command that the asked analysis belongs to,
// as if its options had typed them.
int RunOpen(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
            bool showProgress) {
    if (words.empty() || words.front().starts_with("--"))
        return UsageError(err, "manca il file da aprire, da scrivere subito dopo open");
    const ParseOutcome parsed = ParseOptions(
        std::vector<std::string>(words.begin() + 1, words.end()), WithNetlistOptions(kOpenOptions));
    if (!parsed.arguments) return ParseError(err, parsed, "open");
    const ParsedArguments& arguments = *parsed.arguments;
    const bool verify = arguments.Has("verify");
    const bool sweep = arguments.Has("sweep");
    if (verify && sweep) return UsageError(err, "--verify e --sweep sono due comandi diversi");
    if (arguments.Has("corners") && (verify || sweep))
        return UsageError(err, "l'opzione --corners vale solo senza --verify e --sweep");
    if (arguments.Has("standard") && verify)
        return UsageError(err, "l'opzione --standard vale solo senza --verify");
    if (const auto conflict = OpenNetlistConflict(arguments)) return UsageError(err, *conflict);
    const DesignFileOutcome read = ReadDesignFile(words.front());
    if (!read.file) {
        err << read.message << '\n';
        return kExitDesignFile;
    }
    // The file is read whole, and no output of the run may replace it.
    if (const auto clash = FileClash(arguments, {"csv", "startup-csv", "output"}, words.front()))
        return UsageError(err, *clash);
    const DesignFile& file = *read.file;
    if (arguments.Has("loop")) return RunOpenLoop(words.front(), file, arguments, out, err);
    // The parts' texts, the choices among words (rectifier, lsmode) too, are
    // refused as the file's, not as mistyped options.
    PartTexts parts;
    ChoiceTexts choices;
    TakeSideTexts(file, parts, choices);
    const auto partsRefused = [&] {
        const PartsReading read = ReadPartTexts(parts);
        if (read.values) return false;
        err << FileRefusal(words.front(), "parts", read.refused->row->key, read.message) << '\n';
        return true;
    };
    if (arguments.Has("netlist")) {
        if (partsRefused()) return kExitRefused;
        // The circuit's texts as the netlist reads them: D only without the
        // controller, which sets it, and then the design's Vo to regulate.
        const bool regulated = std::any_of(kLoopKeys.begin(), kLoopKeys.end(), [&](const auto& k) {
            return TextOf(file, k) != k.startText;
        });
        const auto refused = [&](std::string_view section, const Quantity& row,
                                 const std::string& text) {
            const QuantityReading read = ReadQuantity(row, text);
            if (read.Refused())
                err << FileRefusal(words.front(), section, row.key, read.refusal) << '\n';
            return read.Refused();
        };
        for (const Quantity& row : QuantitiesOf(QuantityGroup::Verification))
            if ((!regulated || row.key != key::d) &&
                refused("verification", row, TextOf(file, row)))
                return kExitRefused;
        const std::string vo = TextOf(file, QuantityGroup::Design, key::vo);
        if (regulated && !vo.empty() && refused("design", Row(QuantityGroup::Design, key::vo), vo))
            return kExitRefused;
        // So are the controller's, which ask for the regulated netlist.
        ControlTexts loopTexts;
        TakeLoopTexts(file, loopTexts);
        if (const ControlReading loop = ReadControlTexts(loopTexts); !loop.values) {
            err << FileRefusal(words.front(), "loop", loop.refused->row->key, loop.message) << '\n';
            return kExitRefused;
        }
        return NetlistOn(NetlistTexts(file, arguments), out, err);
    }
    // The texts go to the command as typed, the side windows' with the
    // main window's.
    InputTexts texts = StartTexts();
    ParsedArguments requests;
    // The texts at their start values say nothing of what the saved run asked
    // for: a setting is passed back where it differs, a group whole.
    const auto differ = [&](std::span<const DesignFileKey> keys) {
        return std::any_of(keys.begin(), keys.end(), [&](const DesignFileKey& key) {
            return TextOf(file, key) != key.startText;
        });
    };
    const auto passBack = [&](std::span<const DesignFileKey> keys, bool whole) {
        for (const DesignFileKey& key : keys)
            if (whole || TextOf(file, key) != key.startText)
                texts.insert_or_assign(IdOf(key), TextOf(file, key));
    };
    // The selection's keys: series and round, the six corner settings, the
    // sweep's three.
    const auto standard = SelectionKeys(key::series, key::round);
    const auto corners = SelectionKeys(key::tolL, key::ioMax);
    const auto loads = SelectionKeys(key::ioFrom, key::points);
    bool partsApply = verify || sweep;
    if (verify) {
        TypeSection(texts, file, kVerificationKeys);
        TypeSection(texts, file, kSimulationKeys);
    } else {
        TypeSection(texts, file, kDesignKeys);
        if (arguments.Has("standard") || differ(standard)) {
            passBack(standard, true);
            partsApply = true;
        }
    }
    if (sweep) passBack(loads, false);
    if (arguments.Has("corners") || (!verify && !sweep && differ(corners))) {
        requests.flags.insert("corners");
        passBack(corners, false);
        partsApply = true;
    }
    if (partsApply) {
        if (partsRefused()) return kExitRefused;
        passBack(kPartsKeys, false);
    }
    // The file's choices, where the run takes them, refused as the window
    // refuses them and not as mistyped options.
    if (sweep || (!verify && partsApply)) {
        // The ranges' empty ends are the design's: "Calcola" on the file's texts.
        InputTexts designed = StartTexts();
        MessageList messages;
        Module1 module;
        TypeSection(designed, file, kDesignKeys);
        std::optional<DesignTargets> nominal;
        if (Design(module, designed, messages) != nullptr)
            nominal = TakeComputedDesign(module).targets;
        if (const auto refusal = FileChoiceRefusal(words.front(), choices, nominal)) {
            err << *refusal << '\n';
            return kExitRefused;
        }
    }
    if (arguments.Has("json")) requests.flags.insert("json");
    for (const std::string_view option : {"csv", "startup-csv"})
        if (arguments.Has(option))
            requests.values.insert_or_assign(std::string(option), arguments.ValueOr(option));
    if (verify) return VerifyOn(requests, std::move(texts), out, err, showProgress);
    if (sweep) return SweepOn(requests, std::move(texts), out, err);
    return DesignOn(requests, std::move(texts), out, err, showProgress);
}

}  // namespace stepdown::cli
