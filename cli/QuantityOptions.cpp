#include "cli/QuantityOptions.h"

#include <cctype>

namespace stepdown::cli {
namespace {

constexpr std::size_t kKeyColumn = 12;

}  // namespace

std::vector<OptionSpec> WithQuantityOptions(std::vector<OptionSpec> options, QuantityGroup group) {
    for (const Quantity& quantity : QuantitiesOf(group)) options.push_back({quantity.key});
    return options;
}

std::string QuantityHelp(QuantityGroup group) {
    std::string help;
    for (const Quantity& quantity : QuantitiesOf(group)) {
        std::string option = "--" + std::string(quantity.key) + " T";
        option += option.size() < kKeyColumn ? std::string(kKeyColumn - option.size(), ' ')
                                             : "\n" + std::string(kKeyColumn + 2, ' ');
        std::string caption(quantity.caption);
        caption[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(caption[0])));
        help += "  " + option + caption;
        if (!quantity.unit.empty()) help += " [" + std::string(quantity.unit) + "]";
        if (!quantity.startText.empty())
            help += " (se omesso: " + std::string(quantity.startText) + ")";
        help += '\n';
    }
    return help;
}

}  // namespace stepdown::cli
