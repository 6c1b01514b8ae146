#include "cli/QuantityOptions.h"

#include <cctype>

namespace stepdown::cli {
namespace {

constexpr std::size_t kKeyColumn = 12;

std::string HelpLine(const Quantity& quantity) {
    std::string option = "--" + std::string(quantity.key) + " T";
    option += option.size() < kKeyColumn ? std::string(kKeyColumn - option.size(), ' ')
                                         : "\n" + std::string(kKeyColumn + 2, ' ');
    std::string caption(quantity.caption);
    caption[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(caption[0])));
    std::string help = "  " + option + caption;
    if (!quantity.unit.empty()) help += " [" + std::string(quantity.unit) + "]";
    if (!quantity.startText.empty())
        help += " (se omesso: " + std::string(quantity.startText) + ")";
    return help + '\n';
}

}  // namespace

std::vector<OptionSpec> WithQuantityOptions(std::vector<OptionSpec> options, QuantityGroup group) {
    for (const Quantity& quantity : QuantitiesOf(group)) options.push_back({quantity.key});
    return options;
}

std::string QuantityHelp(QuantityGroup group) {
    std::string help;
    for (const Quantity& quantity : QuantitiesOf(group)) help += HelpLine(quantity);
    return help;
}

std::string QuantityHelp(QuantityGroup group, std::initializer_list<std::string_view> keys) {
    std::string help;
    for (const std::string_view key : keys)
        if (const Quantity* quantity = FindQuantity(group, key)) help += HelpLine(*quantity);
    return help;
}

}  // namespace stepdown::cli
