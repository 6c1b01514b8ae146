// No input makes the core allocate beyond the arrays at the cap on N, and
// 2^31 - 1 periods end at a repeat. The program's operator new is replaced
// here to count what is allocated.

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "cli/CommandLine.h"
#include "design/DesignCalculation.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"
#include "verification/Launch.h"
#include "verification/Simulation.h"

namespace {

std::atomic<std::size_t> largest{0}, live{0}, peak{0};

void* Allocate(std::size_t size) {
    void* const block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    for (std::size_t seen = largest; size > seen && !largest.compare_exchange_weak(seen, size);) {
    }
    const std::size_t now = live += malloc_usable_size(block);
    for (std::size_t seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
    return block;
}

void Release(void* block) noexcept {
    if (block == nullptr) return;
    live -= malloc_usable_size(block);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }

namespace stepdown::testing {
namespace {

TEST(Memory, NoInputAllocatesBeyondTheArraysAtTheCap) {
    constexpr std::size_t kArrayAtCap = (std::size_t{kMaxSamplesPerPeriod} + 2) * sizeof(double);
    const std::size_t before = live;
    largest = 0;
    peak = before;
    // Three periods at the cap, reported one by one: not yet settled. Then
    // two refusals before anything is allocated, and 2^31 - 1 periods that
    // stop at the worked example's repeat, reported once.
    const std::pair<const char*, LaunchOutcome> settings[] = {
        {"n=2000000 np=1e9 ni=3", LaunchOutcome::NotSettled},
        {"n=2000001", LaunchOutcome::InputRefused},
        {"n=1e8", LaunchOutcome::InputRefused},
        {"n=1000 np=2147483647 ni=2147483647", LaunchOutcome::Settled}};
    RecordingWindow window;
    for (const auto& [changes, outcome] : settings) {
        for (const auto& [id, text] : kVerificationExample) window.Type(id, text);
        for (const auto& [id, text] : Typed(changes)) window.Type(id, text);
        Module1 module;
        RecordingProgress progress(4);
        EXPECT_EQ(LaunchVerification(module, window, window, progress).outcome, outcome);
    }
    RecordingWindow design;
    for (const auto& [box, text] : kDesignExample) design.Type(box, std::string(1'000'000, '1'));
    Module1 module;
    DesignCalculation(module, design);
    RecordProperty("peak_live_bytes", std::to_string(peak - before));
    EXPECT_LE(largest, kArrayAtCap);
    // Five arrays, the window's copy or the steady state's, and the plot's.
    EXPECT_LE(peak - before, 12 * kArrayAtCap);
    EXPECT_EQ(window.messages.back(), kTooManySamplesMessage);
}

// The largest sweep, 50 voltages at 1000 points, written as it is computed: its
// JSON (12 MB of text, to nowhere) never held whole, nor its points.
TEST(Memory, TheLargestSweepHoldsNoneOfItsPoints) {
    std::vector<std::string> args{"sweep", "--vi",     "25",       "--vo",  "15",        "--f",
                                  "80",    "--ripple", "40",       "--dvo", "60",        "--io",
                                  "1.5",   "--json",   "--points", "1000",  "--vi-list", "1"};
    for (int k = 2; k <= 50; ++k) args.back() += "," + std::to_string(k);
    std::ostream nowhere(nullptr);
    const std::size_t before = live;
    peak = before;
    EXPECT_EQ(cli::RunCommandLine(args, nowhere, nowhere), 0);
    EXPECT_LE(peak - before, std::size_t{1} << 20);
}

}  // namespace
}  // namespace stepdown::testing
