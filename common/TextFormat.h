#pragma once
// Texts shared by every output of the program, whatever it reports on: the
// shortest decimal form of a double that reads back the same, and a line of
// a report as a caption and its value.

#include <string>

namespace stepdown {

// The shortest decimal text that reads back as the same double (std::to_chars
// without a precision): "125", "0.6", "1e-05", "-inf", "nan".
std::string RoundTripText(double value);

// Appends RoundTripText(value) to `line` without a temporary string.
void AppendRoundTripText(std::string& line, double value);

struct ReportLine {
    std::string caption;
    std::string value;
};

}  // namespace stepdown
