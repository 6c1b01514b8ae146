// Replaces the global operator new and delete of the test program so that
// the hostile-input tests can bound what an input makes the core allocate.

#include "hostile/AllocationProbe.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> largestRequest{0};
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakLiveBytes{0};
std::atomic<std::size_t> baselineBytes{0};

void* Allocate(std::size_t size) {
    void* const block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    std::size_t largest = largestRequest.load();
    while (size > largest && !largestRequest.compare_exchange_weak(largest, size)) {
    }
    const std::size_t live = liveBytes += malloc_usable_size(block);
    std::size_t peak = peakLiveBytes.load();
    while (live > peak && !peakLiveBytes.compare_exchange_weak(peak, live)) {
    }
    return block;
}

void Release(void* block) noexcept {
    if (block == nullptr) return;
    liveBytes -= malloc_usable_size(block);
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

void AllocationProbe::Reset() {
    largestRequest = 0;
    baselineBytes = liveBytes.load();
    peakLiveBytes = baselineBytes.load();
}

std::size_t AllocationProbe::LargestRequest() { return largestRequest.load(); }

std::size_t AllocationProbe::PeakLiveBytes() { return peakLiveBytes.load() - baselineBytes.load(); }

}  // namespace stepdown::testing
