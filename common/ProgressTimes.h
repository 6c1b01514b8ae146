#pragma once
// How long a run has taken and how long it may still take, in words, for the
// progress dialog and the command's progress line.

#include <cstdint>
#include <string>

namespace stepdown {

// "tempo trascorso 0:03, rimanente al più 0:12": the time left at the pace
// so far, an upper bound because the run may end early at an exact repeat.
// Times of an hour or more read "1:02:03"; before any step is done the time
// left is not yet known ("rimanente in stima").
std::string ProgressTimes(double elapsedSeconds, std::int64_t stepsDone, std::int64_t stepsTotal);

}  // namespace stepdown
