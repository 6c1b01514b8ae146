#include "cli/TextOutput.h"

#include <algorithm>

#include "model/Conversions.h"

namespace stepdown::cli {

std::string Label(double value) { return FormatScientific(value, 2, "."); }

std::string Padded(std::string text, std::size_t width) {
    const auto points = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    if (points < width) text.append(width - points, ' ');
    return text;
}

void Row(std::ostream& out, std::string row) {
    while (!row.empty() && row.back() == ' ') row.pop_back();
    out << row << '\n';
}

void Line(std::ostream& out, std::string_view name, std::string_view value, std::string_view unit) {
    std::string line(name);
    line.resize(std::max<std::size_t>(line.size() + 2, 12), ' ');
    line += value;
    line += "  ";
    line += unit;
    out << line << '\n';
}

}  // namespace stepdown::cli
