#include "simulation/ConverterLoop.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "model/Conversions.h"

namespace stepdown {
namespace {

// One switching period in place. The state travels in locals so that the
// only dependency chain is the arithmetic itself; every value is computed
// with the written operations in the written order, so the arrays are the
// ones an element-by-element reading of the loop gives.
void SimulatePeriod(const CircuitInputs& inputs, std::int32_t K, const WaveArrays& arrays) {
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

    double il = iL[1];
    double vo = Vo[1];
    for (std::int32_t i = 1; i <= K; ++i) {
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

    iL[K + 1] = iL[K];
    Vo[K + 1] = Vo[K];

    il = iL[K + 1];
    vo = Vo[K + 1];
    for (std::int32_t e = K + 1; e <= N; ++e) {
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
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

}  // namespace

std::optional<std::int32_t> SwitchOnSteps(std::int32_t N, double D) {
    const std::optional<std::int32_t> K = RoundToInteger(N * D);
    if (!K || *K < 0 || *K > N) return std::nullopt;
    return K;
}

void SimulatePeriodsPlain(const CircuitInputs& inputs, std::int32_t periods,
                          const WaveArrays& arrays) {
    if (inputs.N < 1 || !SwitchOnSteps(inputs.N, inputs.D)) return;
    for (std::int32_t n = 1; n <= periods; ++n) {
        const std::optional<std::int32_t> K = SwitchOnSteps(inputs.N, inputs.D);
        if (!K) return;
        SimulatePeriod(inputs, *K, arrays);
    }
}

LoopResult SimulatePeriods(const CircuitInputs& inputs, std::int32_t periods,
                           const WaveArrays& arrays, ProgressReporter& progress) {
    LoopResult result;
    if (inputs.N < 1 || periods <= 0 || !SwitchOnSteps(inputs.N, inputs.D)) return result;
    const std::int64_t stepsTotal = std::int64_t{periods} * inputs.N;
    const std::int64_t periodsPerSlice = std::max<std::int64_t>(1, kStepsPerSlice / inputs.N);

    std::int64_t done = 0;
    while (done < periods) {
        const std::int64_t sliceEnd = std::min<std::int64_t>(periods, done + periodsPerSlice);
        for (; done < sliceEnd; ++done) {
            const std::optional<std::int32_t> K = SwitchOnSteps(inputs.N, inputs.D);
            if (!K) return result;
            const std::uint64_t startIL = Bits(arrays.iL[1]);
            const std::uint64_t startVo = Bits(arrays.Vo[1]);
            SimulatePeriod(inputs, *K, arrays);
            result.periodsSimulated = done + 1;
            if (!std::isfinite(arrays.iL[1]) || !std::isfinite(arrays.Vo[1])) {
                result.end = LoopEnd::NotFinite;
                return result;
            }
            if (Bits(arrays.iL[1]) == startIL && Bits(arrays.Vo[1]) == startVo) {
                result.end = progress.Continue(stepsTotal, stepsTotal) ? LoopEnd::Settled
                                                                       : LoopEnd::Cancelled;
                return result;
            }
        }
        if (!progress.Continue(done * inputs.N, stepsTotal)) {
            result.end = LoopEnd::Cancelled;
            return result;
        }
    }
    return result;
}

}  // namespace stepdown
