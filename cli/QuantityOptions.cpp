#include "cli/QuantityOptions.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "model/QuantityReader.h"

namespace stepdown::cli {
namespace {

constexpr std::size_t kKeyColumn = 12;
constexpr std::size_t kUsageWidth = 80;
// A blank that Wrapped never breaks at.
constexpr char kJoin = '\x1f';

std::size_t CodePoints(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string HelpLine(const Quantity& quantity) {
    constexpr std::size_t kCaptionColumn = kKeyColumn + 2;
    std::string caption(quantity.caption);
    caption[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(caption[0])));
    if (!quantity.unit.empty()) caption += " [" + std::string(quantity.unit) + "]";
    if (!quantity.words.list.empty()) caption += ": " + WordList(quantity);
    if (!quantity.startText.empty())
        caption +=
            std::string(" (se") + kJoin + "omesso:" + kJoin + std::string(quantity.startText) + ")";
    const std::string body = Wrapped(std::string(kCaptionColumn, ' ') + caption, kCaptionColumn);
    const std::string option = "  --" + std::string(quantity.key) + " T";
    // A long option has a line of its own.
    if (option.size() > kCaptionColumn - 1) return option + '\n' + body;
    return option + std::string(kCaptionColumn - option.size(), ' ') + body.substr(kCaptionColumn);
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

std::string QuantityHelp(QuantityGroup group, std::span<const std::string_view> keys) {
    std::string help;
    for (const std::string_view key : keys)
        if (const Quantity* quantity = FindQuantity(group, key)) help += HelpLine(*quantity);
    return help;
}

std::string OptionOf(const Quantity& quantity) { return "--" + std::string(quantity.key) + " T"; }

std::string OptionsOf(QuantityGroup group) {
    std::string options;
    for (const Quantity& quantity : QuantitiesOf(group))
        options += (options.empty() ? "" : " ") + OptionOf(quantity);
    return options;
}

std::string OptionsOf(QuantityGroup group, std::span<const std::string_view> keys) {
    std::string options;
    for (const std::string_view key : keys)
        if (const Quantity* quantity = FindQuantity(group, key))
            options += (options.empty() ? "" : " ") + OptionOf(*quantity);
    return options;
}

std::string CommandSynopsis(std::string_view command, std::string_view options) {
    const std::string head = "  stepdown-cli " + std::string(command) + ' ';
    return Wrapped(head + std::string(options), head.size());
}

std::string Wrapped(std::string_view text, std::size_t indent) {
    const std::size_t lead = std::min(text.find_first_not_of(' '), text.size());
    // The words; an option's argument ("--save FILE", "--vi T") stays with it.
    std::vector<std::string> units;
    for (std::size_t start = lead; start < text.size();) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty()) continue;
        const bool argument = std::isupper(static_cast<unsigned char>(word.front())) != 0;
        if (argument && !units.empty() && units.back().find("--") < 2)
            units.back() += " " + std::string(word);
        else
            units.emplace_back(word);
    }
    std::string wrapped;
    std::string line(text.substr(0, lead));
    std::size_t wordsFrom = line.size();  // where the line's first word goes
    for (const std::string& unit : units) {
        if (line.size() > wordsFrom) {
            if (CodePoints(line) + 1 + CodePoints(unit) > kUsageWidth) {
                wrapped += line + '\n';
                line.assign(indent, ' ');
                wordsFrom = indent;
            } else {
                line += ' ';
            }
        }
        line += unit;
    }
    wrapped += line + '\n';
    std::replace(wrapped.begin(), wrapped.end(), kJoin, ' ');
    return wrapped;
}

}  // namespace stepdown::cli
