#pragma once
// Texts shared by every output of the program, whatever it reports on: the
// shortest decimal form of a double that reads back the same, and a line of
// a report as a caption and its value.

#include <string>
#include <string_view>
#include <vector>

namespace stepdown {

// The shortest decimal text that reads back as the same double (std::to_chars
// without a precision): "125", "0.6", "1e-05", "-inf", "nan".
std::string RoundTripText(double value);

// Appends RoundTripText(value) to `line` without a temporary string.
void AppendRoundTripText(std::string& line, double value);

// The program writes the numbers of its warnings with a point; a window or a
// report in a locale of its own shows them with its decimal separator: each
// point between two digits of `text` becomes `separator`.
std::string WithDecimalSeparator(std::string text, std::string_view separator);
std::vector<std::string> WithDecimalSeparator(std::vector<std::string> texts,
                                              std::string_view separator);

struct ReportLine {
    std::string caption;
    std::string value;
};

}  // namespace stepdown
