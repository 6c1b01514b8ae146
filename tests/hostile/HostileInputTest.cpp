// Settings at and beyond the limits: no input makes the core allocate beyond
// the arrays at the cap on N, and 2^31 - 1 periods end at their first repeat.

#include <gtest/gtest.h>

#include "design/DesignCalculation.h"
#include "hostile/AllocationProbe.h"
#include "simulation/Launch.h"
#include "simulation/Simulation.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"

namespace stepdown::testing {
namespace {

LaunchResult Click(const FieldTexts& changes, RecordingWindow& window, int cancelAt = 0) {
    for (const auto& [box, text] : kVerificationExample) window.Type(box, text);
    for (const auto& [box, text] : changes) window.Type(box, text);
    Module1 module;
    RecordingProgress progress(cancelAt);
    const LaunchResult result = LaunchVerification(module, window, window, progress);
    EXPECT_LE(module.WaveIL.size(), static_cast<std::size_t>(kMaxSamplesPerPeriod) + 2);
    return result;
}

TEST(Memory, NoInputAllocatesBeyondTheArraysAtTheCap) {
    constexpr std::size_t kArrayAtCap = (std::size_t{kMaxSamplesPerPeriod} + 2) * sizeof(double);
    AllocationProbe::Reset();
    const FieldTexts settings[] = {{{"Text13", "2000000"}, {"Text14", "1e9"}, {"Text15", "3"}},
                                   {{"Text13", "2000001"}},
                                   {{"Text13", "1e8"}},
                                   {{"Text14", "2147483647"}, {"Text15", "2147483647"}}};
    RecordingWindow window;
    for (const FieldTexts& changes : settings) Click(changes, window, 4);
    RecordingWindow design;
    for (const auto& [box, text] : kDesignExample) design.Type(box, std::string(1'000'000, '1'));
    Module1 module;
    DesignCalculation(module, design);
    RecordProperty("peak_live_bytes", std::to_string(AllocationProbe::PeakLiveBytes()));
    EXPECT_LE(AllocationProbe::LargestRequest(), kArrayAtCap);
    // Five arrays, the window's copy or the steady state's working set, and
    // the plot's.
    EXPECT_LE(AllocationProbe::PeakLiveBytes(), 12 * kArrayAtCap);
    EXPECT_EQ(window.messages.back(), kTooManySamplesMessage);
}

}  // namespace
}  // namespace stepdown::testing
