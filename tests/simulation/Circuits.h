#pragma once
// Circuits the simulation tests run, and helpers to run them.

#include <cstdint>
#include <string>

#include "model/Module1.h"

namespace stepdown::testing {

struct Circuit {
    std::string name;
    double Vi, D, f, L, C, RL;  // SI units
    std::int32_t N, NP, NI;
};

// The verification fields after the design example, in SI units.
inline Circuit WorkedExample() {
    return {"worked_example", 25, 0.6, 80000, 125e-6, 15.63e-6, 10, 1000, 10, 2000};
}

inline void Load(Module1& m, const Circuit& c) {
    m.Vi = c.Vi;
    m.D = c.D;
    m.f = c.f;
    m.L = c.L;
    m.C = c.C;
    m.RL = c.RL;
    m.N = c.N;
    m.NP = c.NP;
    m.NI = c.NI;
}

}  // namespace stepdown::testing
