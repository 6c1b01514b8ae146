#pragma once
// The extended precision the exact numerics rely on: the period maps, their
// powers and the steady states cancel I - A and P - I when a period is short
// against the circuit's time constants, and keep their digits only with the
// x87 format's 64-bit mantissa. A platform whose long double is a plain
// double would give wrong steady states silently, so it does not build.

#include <limits>

namespace stepdown {

using ExtendedReal = long double;

static_assert(std::numeric_limits<ExtendedReal>::digits >= 64,
              "the steady states need a long double with at least 64 mantissa bits");

}  // namespace stepdown
