#include "common/TextFormat.h"

#include <array>
#include <charconv>

namespace stepdown {
namespace {

// Longer than any shortest double ("-2.2250738585072014e-308" has 24).
constexpr std::size_t kNumberBuffer = 32;

}  // namespace

void AppendRoundTripText(std::string& line, double value) {
    std::array<char, kNumberBuffer> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    line.append(buffer.data(), result.ptr);
}

std::string RoundTripText(double value) {
    std::string text;
    AppendRoundTripText(text, value);
    return text;
}

}  // namespace stepdown
