#pragma once
// Counts what the program allocates through operator new: the largest single
// request and the peak of the bytes alive at once beyond those alive at the
// last Reset.

#include <cstddef>

namespace stepdown::testing {

struct AllocationProbe {
    static void Reset();
    static std::size_t LargestRequest();
    static std::size_t PeakLiveBytes();
};

}  // namespace stepdown::testing
