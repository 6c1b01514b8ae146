#include "cli/OptionOwners.h"

#include <algorithm>

namespace stepdown::cli {

std::string OptionError(const ParseOutcome& parsed, std::string_view command,
                        std::span<const CommandOptions> commands) {
    if (parsed.unknown.empty()) return parsed.error;
    std::vector<std::string_view> owners;
    for (const CommandOptions& other : commands) {
        const auto takes = [&](const OptionSpec& option) { return option.name == parsed.unknown; };
        if (other.command != command &&
            std::any_of(other.options->begin(), other.options->end(), takes))
            owners.push_back(other.command);
    }
    if (owners.empty()) return parsed.error;
    std::string error =
        "l'opzione --" + parsed.unknown + " non vale con " + std::string(command) + ": è di ";
    for (std::size_t i = 0; i < owners.size(); ++i) {
        if (i > 0) error += i + 1 == owners.size() ? " e " : ", ";
        error += owners[i];
    }
    return error;
}

}  // namespace stepdown::cli
