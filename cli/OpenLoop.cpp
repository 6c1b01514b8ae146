// "open FILE --loop": the controller's analysis on a design file's texts.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "cli/CommandLine.h"
#include "cli/CommandParts.h"
#include "cli/LoopCommand.h"
#include "cli/OptionValues.h"
#include "control/ControlQuantities.h"
#include "realparts/PartTexts.h"

namespace stepdown::cli {
namespace {

// What open passes on to the loop; anything else is another command's.
constexpr std::array<std::string_view, 3> kLoopOpenOptions{"loop", "json", "csv"};

// The circuit of the loop: the verification's texts, as the window reads
// its fields.
constexpr std::array<std::string_view, 6> kCircuitKeys{key::vi, key::d, key::f,
                                                       key::l,  key::c, key::rl};

std::string_view SectionOf(std::string_view name) {
    if (name == key::vo) return "design";
    if (std::find(kCircuitKeys.begin(), kCircuitKeys.end(), name) != kCircuitKeys.end())
        return "verification";
    for (const PartField& part : PartFields())
        if (part.row->key == name) return "parts";
    return "loop";
}

}  // namespace

int RunOpenLoop(const std::string& path, const DesignFile& file, const ParsedArguments& arguments,
                std::ostream& out, std::ostream& err) {
    const auto other = [](std::string_view name) {
        return std::find(kLoopOpenOptions.begin(), kLoopOpenOptions.end(), name) ==
               kLoopOpenOptions.end();
    };
    for (const auto& [name, value] : arguments.values)
        if (other(name)) return UsageError(err, "l'opzione --" + name + " non vale con --loop");
    for (const std::string& name : arguments.flags)
        if (other(name)) return UsageError(err, "l'opzione --" + name + " non vale con --loop");

    InputTexts texts;
    for (const std::string_view name : kCircuitKeys)
        texts.insert_or_assign({QuantityGroup::Verification, name},
                               TextOf(file, QuantityGroup::Verification, name));
    texts.insert_or_assign({QuantityGroup::Design, key::vo},
                           TextOf(file, QuantityGroup::Design, key::vo));
    for (const DesignFileKey& entry : kPartsKeys)
        texts.insert_or_assign(IdOf(entry), TextOf(file, entry));
    // A text at its start value is as if left out: a soft-start of zero
    // and no step ask for no step response, as in the window.
    for (const DesignFileKey& entry : kLoopKeys)
        if (TextOf(file, entry) != entry.startText)
            texts.insert_or_assign(IdOf(entry), TextOf(file, entry));
    ParsedArguments requests;
    requests.flags = arguments.flags;
    requests.flags.erase("loop");
    if (arguments.Has("csv")) requests.values["csv"] = arguments.ValueOr("csv");
    return RunLoopOn(
        requests, texts,
        [&](const LoopRefusal& r) {
            err << FileRefusal(path, SectionOf(r.key), r.key, r.why) << '\n';
            return kExitRefused;
        },
        out, err);
}

}  // namespace stepdown::cli
