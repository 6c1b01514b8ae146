#pragma once
// How the switch's on-time is ended: the ramp against the error amplifier's
// output, or the sensed inductor current with a compensation ramp.

namespace stepdown {

enum class ControlMethod { Voltage, PeakCurrent };

}  // namespace stepdown
