#include "common/ProgressTimes.h"

#include <algorithm>
#include <cmath>

namespace stepdown {
namespace {

std::string TwoDigits(std::int64_t value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// Whole seconds, rounded up so that a bound stays a bound.
std::string Clock(double seconds) {
    const auto total = static_cast<std::int64_t>(std::ceil(std::clamp(seconds, 0.0, 3.6e9)));
    const std::int64_t hours = total / 3600;
    const std::int64_t minutes = total / 60 % 60;
    const std::string tail = TwoDigits(total % 60);
    if (hours > 0) return std::to_string(hours) + ":" + TwoDigits(minutes) + ":" + tail;
    return std::to_string(minutes) + ":" + tail;
}

}  // namespace

std::string ProgressTimes(double elapsedSeconds, std::int64_t stepsDone, std::int64_t stepsTotal) {
    std::string text = "tempo trascorso " + Clock(elapsedSeconds) + ", rimanente ";
    if (stepsDone <= 0) return text + "in stima";
    const double left = elapsedSeconds * static_cast<double>(stepsTotal - stepsDone) /
                        static_cast<double>(stepsDone);
    return text + "al più " + Clock(left);
}

}  // namespace stepdown
