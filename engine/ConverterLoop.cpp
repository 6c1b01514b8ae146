#include "engine/ConverterLoop.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "model/Conversions.h"

namespace stepdown {
namespace {

// One switching period in place. The state travels in locals so that the
// only dependency chain is the arithmetic itself; every value is computed
// with the written operations in the written order, so the arrays are the
// ones an element-by-element reading of the loop gives. With kTrack the
// period also takes the extremes of the samples it leaves: sample j (j >= 2)
// is the state at the start of step j, the hold included, and sample 1
// becomes a copy of sample N; only for N = 1 is sample 1 the start of step 1.
// The comparisons sit beside the arithmetic's dependency chain, not on it.
template <bool kTrack>
SampleExtremes SimulatePeriod(const CircuitInputs& inputs, std::int32_t K,
                              const WaveArrays& arrays) {
    const double Vi = inputs.Vi;
    const double TimeStep = inputs.TimeStep;
    const double L = inputs.L;
    const double C = inputs.C;
    const double RL = inputs.RL;
    const std::int32_t N = inputs.N;
    double* const iL = arrays.iL;
    double* const Vo = arrays.Vo;
    double* const iC = arrays.iC;
    double* const Vd = arrays.Vd;
    double* const id = arrays.id;

    // Locals rather than the returned struct: the arrays' stores cannot
    // alias them, so they stay in registers.
    SampleExtremes none;
    double maxIL = none.maxIL, minIL = none.minIL, maxVo = none.maxVo, minVo = none.minVo;
    const std::int32_t firstSample = N == 1 ? 1 : 2;
    const auto take = [&](std::int32_t step, double il, double vo) {
        if constexpr (kTrack) {
            if (step < firstSample) return;
            maxIL = il > maxIL ? il : maxIL;
            minIL = il < minIL ? il : minIL;
            maxVo = vo > maxVo ? vo : maxVo;
            minVo = vo < minVo ? vo : minVo;
        }
    };

    double il = iL[1];
    double vo = Vo[1];
    for (std::int32_t i = 1; i <= K; ++i) {
        take(i, il, vo);
        const double ilNext = (Vi - vo) * TimeStep / L + il;
        const double ic = il - vo / RL;
        const double voNext = TimeStep * ic / C + vo;
        iL[i + 1] = ilNext;
        iC[i] = ic;
        Vo[i + 1] = voNext;
        Vd[i] = Vi;
        id[i] = 0.0;
        il = ilNext;
        vo = voNext;
    }

    // The switch-off instant holds the state one step: sample K + 1 takes the
    // value of sample K, dropping the last switch-on step's result. This is
    // the loop as the waveforms are defined, not a slip; the steady state's
    // period map counts it as K - 1 switch-on steps and a hold.
    iL[K + 1] = iL[K];
    Vo[K + 1] = Vo[K];

    il = iL[K + 1];
    vo = Vo[K + 1];
    for (std::int32_t e = K + 1; e <= N; ++e) {
        take(e, il, vo);
        const double ilNext = il - (vo + 0.6) * TimeStep / L;
        const double ic = il - vo / RL;
        const double voNext = TimeStep * ic / C + vo;
        iL[e + 1] = ilNext;
        iC[e] = ic;
        Vo[e + 1] = voNext;
        Vd[e] = -0.6;
        id[e] = il;
        il = ilNext;
        vo = voNext;
    }

    iL[1] = iL[N];
    iC[1] = iC[N];
    Vo[1] = Vo[N];
    Vd[1] = Vd[N];
    id[1] = id[N];
    return {maxIL, minIL, maxVo, minVo};
}

PeriodState StartOf(const WaveArrays& arrays) { return {arrays.iL[1], arrays.Vo[1]}; }

void SetStart(const WaveArrays& arrays, PeriodState state) {
    arrays.iL[1] = state.iL;
    arrays.Vo[1] = state.Vo;
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

bool SameBits(PeriodState a, PeriodState b) {
    using Words = std::array<std::uint64_t, 2>;
    return std::bit_cast<Words>(a) == std::bit_cast<Words>(b);
}

// The period-end states of the latest periods, found again by their bits.
// Two hash generations of kRememberedPeriods periods each: when the newer
// one is full the older is dropped, so between kRememberedPeriods and twice
// as many periods are remembered, in fixed memory. The states themselves
// live in a ring indexed by period, which covers both generations.
class StateHistory {
public:
    StateHistory() : ring_(kRingSize), current_(kSlots, kEmpty), previous_(kSlots, kEmpty) {}

    // The remembered period whose end state is `state` bit for bit, or -1;
    // then remembers `state` as the end of period `period`.
    std::int64_t FindThenRemember(std::int64_t period, PeriodState state,
                                  const SampleExtremes& extremes) {
        const std::uint64_t hash = Hash(state);
        std::int64_t found = Find(current_, hash, state);
        if (found < 0) found = Find(previous_, hash, state);
        if (currentCount_ == kRememberedPeriods) {
            current_.swap(previous_);
            std::fill(current_.begin(), current_.end(), kEmpty);
            currentCount_ = 0;
        }
        ring_[Slot(period)] = {state, extremes};
        std::size_t slot = hash & kMask;
        while (current_[slot] != kEmpty) slot = (slot + 1) & kMask;
        current_[slot] = period;
        ++currentCount_;
        return found;
    }

    PeriodState StateAt(std::int64_t period) const { return ring_[Slot(period)].state; }
    const SampleExtremes& ExtremesAt(std::int64_t period) const {
        return ring_[Slot(period)].extremes;
    }

private:
    struct Entry {
        PeriodState state;
        SampleExtremes extremes;
    };
    static constexpr std::int64_t kEmpty = -1;
    static constexpr std::size_t kRingSize = 2 * static_cast<std::size_t>(kRememberedPeriods);
    // At most half full, so that probe runs stay short.
    static constexpr std::size_t kSlots = 2 * static_cast<std::size_t>(kRememberedPeriods);
    static constexpr std::size_t kMask = kSlots - 1;
    static_assert((kSlots & kMask) == 0, "the slot count is a power of two");

    static std::size_t Slot(std::int64_t period) {
        return static_cast<std::size_t>(period) % kRingSize;
    }

    static std::uint64_t Hash(PeriodState state) {
        std::uint64_t x = Bits(state.iL) ^ std::rotl(Bits(state.Vo), 29);
        x ^= x >> 33;
        x *= 0xff51afd7ed558ccdULL;
        x ^= x >> 33;
        return x;
    }

    std::int64_t Find(const std::vector<std::int64_t>& table, std::uint64_t hash,
                      PeriodState state) const {
        for (std::size_t slot = hash & kMask; table[slot] != kEmpty; slot = (slot + 1) & kMask) {
            if (SameBits(StateAt(table[slot]), state)) return table[slot];
        }
        return -1;
    }

    std::vector<Entry> ring_;
    std::vector<std::int64_t> current_;
    std::vector<std::int64_t> previous_;
    std::int64_t currentCount_ = 0;
};

// The per-period extremes in at most kMaxEnvelopeBuckets buckets of equal
// span (a power of two of periods), merged in pairs when they run out.
class EnvelopeBuilder {
public:
    explicit EnvelopeBuilder(std::int64_t periods) {
        buckets_.reserve(
            static_cast<std::size_t>(std::min<std::int64_t>(periods, kMaxEnvelopeBuckets)) + 1);
    }

    void Add(std::int64_t period, const SampleExtremes& extremes) {
        if (!buckets_.empty() &&
            buckets_.back().lastPeriod - buckets_.back().firstPeriod + 1 < span_) {
            buckets_.back().extremes.Merge(extremes);
            buckets_.back().lastPeriod = period;
            return;
        }
        if (buckets_.size() == kMaxEnvelopeBuckets) Halve();
        buckets_.push_back({period, period, extremes});
    }

    // The periods after a repeat, all of them repeating one cycle.
    void AddRepeatedCycle(std::int64_t firstPeriod, std::int64_t lastPeriod,
                          const SampleExtremes& cycle) {
        buckets_.push_back({firstPeriod, lastPeriod, cycle});
    }

    std::vector<EnvelopeBucket> Take() { return std::move(buckets_); }

private:
    void Halve() {
        const std::size_t pairs = buckets_.size() / 2;
        for (std::size_t i = 0; i < pairs; ++i) {
            EnvelopeBucket merged = buckets_[2 * i];
            merged.extremes.Merge(buckets_[2 * i + 1].extremes);
            merged.lastPeriod = buckets_[2 * i + 1].lastPeriod;
            buckets_[i] = merged;
        }
        buckets_.resize(pairs);
        span_ *= 2;
    }

    std::vector<EnvelopeBucket> buckets_;
    std::int64_t span_ = 1;
};

}  // namespace

void SampleExtremes::Merge(const SampleExtremes& other) {
    maxIL = other.maxIL > maxIL ? other.maxIL : maxIL;
    minIL = other.minIL < minIL ? other.minIL : minIL;
    maxVo = other.maxVo > maxVo ? other.maxVo : maxVo;
    minVo = other.minVo < minVo ? other.minVo : minVo;
}

std::optional<std::int32_t> SwitchOnSteps(std::int32_t N, double D) {
    const std::optional<std::int32_t> K = RoundToInteger(N * D);
    if (!K || *K < 0 || *K > N) return std::nullopt;
    return K;
}

void SimulatePeriodsPlain(const CircuitInputs& inputs, std::int32_t periods,
                          const WaveArrays& arrays) {
    const std::optional<std::int32_t> K = SwitchOnSteps(inputs.N, inputs.D);
    if (inputs.N < 1 || !K) return;
    for (std::int32_t n = 1; n <= periods; ++n) SimulatePeriod<false>(inputs, *K, arrays);
}

SampleExtremes SimulatePeriodFrom(const CircuitInputs& inputs, PeriodState start,
                                  const WaveArrays& arrays) {
    const std::optional<std::int32_t> K = SwitchOnSteps(inputs.N, inputs.D);
    if (inputs.N < 1 || !K) return {};
    SetStart(arrays, start);
    return SimulatePeriod<true>(inputs, *K, arrays);
}

LoopResult SimulatePeriods(const CircuitInputs& inputs, std::int32_t periods,
                           const WaveArrays& arrays, ProgressReporter& progress) {
    LoopResult result;
    const std::optional<std::int32_t> K = SwitchOnSteps(inputs.N, inputs.D);
    if (inputs.N < 1 || periods <= 0 || !K) return result;
    const std::int64_t stepsTotal = std::int64_t{periods} * inputs.N;
    const std::int64_t periodsPerSlice = std::max<std::int64_t>(1, kStepsPerSlice / inputs.N);

    StateHistory history;
    EnvelopeBuilder envelope(periods);
    history.FindThenRemember(0, StartOf(arrays), SampleExtremes{});

    std::int64_t done = 0;
    while (done < periods) {
        const std::int64_t sliceEnd = std::min<std::int64_t>(periods, done + periodsPerSlice);
        while (done < sliceEnd) {
            const SampleExtremes extremes = SimulatePeriod<true>(inputs, *K, arrays);
            ++done;
            result.periodsSimulated = done;
            const PeriodState end = StartOf(arrays);
            if (!std::isfinite(end.iL) || !std::isfinite(end.Vo)) {
                result.end = LoopEnd::NotFinite;
                return result;
            }
            result.startup.Merge(extremes);
            envelope.Add(done, extremes);
            const std::int64_t earlier = history.FindThenRemember(done, end, extremes);
            if (earlier < 0) continue;

            // Period p after the repeat starts where period p - cycle did,
            // so the last one starts where period `last` did.
            const std::int64_t cycle = done - earlier;
            result.repeatPeriod = done;
            result.cycleLength = cycle;
            if (periods > done) {
                const std::int64_t last = earlier + (periods - 1 - earlier) % cycle;
                // Run again even when it is the period just run: it comes out the same.
                SetStart(arrays, history.StateAt(last));
                SimulatePeriod<false>(inputs, *K, arrays);
                // A tail shorter than the cycle repeats only its first periods.
                SampleExtremes repeated;
                const std::int64_t tail = std::min<std::int64_t>(cycle, periods - done);
                for (std::int64_t p = earlier + 1; p <= earlier + tail; ++p)
                    repeated.Merge(history.ExtremesAt(p));
                envelope.AddRepeatedCycle(done + 1, periods, repeated);
            }
            result.envelope = envelope.Take();
            result.end =
                progress.Continue(stepsTotal, stepsTotal) ? LoopEnd::Repeated : LoopEnd::Cancelled;
            return result;
        }
        if (!progress.Continue(done * inputs.N, stepsTotal)) {
            result.end = LoopEnd::Cancelled;
            return result;
        }
    }
    result.envelope = envelope.Take();
    return result;
}

}  // namespace stepdown
