#pragma once
// The pieces of the command's text output: numbers as the window's labels
// show them, with a point, and columns padded to a width.

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace stepdown::cli {

// Two decimals, scientific notation, a point: "1.25E+02".
std::string Label(double value);

// `text` followed by blanks up to `width` characters (UTF-8 code points).
std::string Padded(std::string text, std::size_t width);

// `row` without its trailing blanks, and a line end.
void Row(std::ostream& out, std::string row);

// "name" in a column of at least 12 characters, the value, two blanks, the unit.
void Line(std::ostream& out, std::string_view name, std::string_view value, std::string_view unit);

}  // namespace stepdown::cli
