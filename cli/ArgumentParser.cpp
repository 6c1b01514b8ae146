#include "cli/ArgumentParser.h"

#include <algorithm>

namespace stepdown::cli {
namespace {

const OptionSpec* FindOption(const std::vector<OptionSpec>& options, std::string_view name) {
    const auto option = std::find_if(options.begin(), options.end(),
                                     [&](const OptionSpec& o) { return o.name == name; });
    return option == options.end() ? nullptr : &*option;
}

// "--name" or "--name=value" of a known option.
bool NamesAnOption(const std::vector<OptionSpec>& options, std::string_view word) {
    if (word.size() < 3 || word.substr(0, 2) != "--") return false;
    std::string_view name = word.substr(2);
    name = name.substr(0, name.find('='));
    return FindOption(options, name) != nullptr;
}

ParseOutcome Failure(std::string error) { return {std::nullopt, std::move(error), {}}; }

}  // namespace

ParseOutcome ParseOptions(const std::vector<std::string>& arguments,
                          const std::vector<OptionSpec>& options) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word.size() < 3 || word.compare(0, 2, "--") != 0)
            return Failure("argomento inatteso: " + word);
        std::string name = word.substr(2);
        std::optional<std::string> inlineValue;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        const OptionSpec* const option = FindOption(options, name);
        if (option == nullptr) {
            ParseOutcome unknown = Failure("opzione sconosciuta: --" + name);
            unknown.unknown = name;
            return unknown;
        }
        if (parsed.Has(name)) return Failure("opzione ripetuta: --" + name);
        if (!option->takesValue) {
            if (inlineValue) return Failure("l'opzione --" + name + " non vuole un valore");
            parsed.flags.insert(name);
            continue;
        }
        if (inlineValue) {
            parsed.values.emplace(name, *inlineValue);
        } else if (i + 1 < arguments.size() && !NamesAnOption(options, arguments[i + 1])) {
            parsed.values.emplace(name, arguments[++i]);
        } else {
            return Failure("manca il valore dell'opzione --" + name);
        }
    }
    return {std::move(parsed), {}, {}};
}

}  // namespace stepdown::cli
