#pragma once
// What the figures of a steady-state period share, whatever carries the
// current while the switch is off: sampled extremes, the textbook estimates
// and the checks a result passes before it is shown.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "realparts/RealParts.h"

namespace stepdown {

struct SampledRange {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void Take(double x) {
        low = std::min(low, x);
        high = std::max(high, x);
    }
    double Span() const { return high - low; }
};

// The integrals over a period that every stage's figures share (iL, iL^2,
// iC^2, Vo, Vo^2 in `sums`), each piece's current integrals then handed to
// `byPiece(piece, i, i2)` for the stage's own.
template <class Stage, class Period, class Sums, class ByPiece>
void IntegratePeriod(const Stage& stage, const Period& period, Sums& sums, ByPiece byPiece) {
    const Observable current{1, 0};
    for (int k = 0; k < period.pieceCount; ++k) {
        const auto& piece = period.pieces[static_cast<std::size_t>(k)];
        const IntervalIntegrals in =
            Integrate(stage.Interval(piece.kind), piece.start, piece.duration, piece.propagator);
        const Real i = in.Linear(current), i2 = in.Square(current);
        sums.iL += i;
        sums.iL2 += i2;
        sums.iC2 += in.Square(stage.CapacitorCurrent());
        sums.Vo += in.Linear(stage.OutputVoltage());
        sums.Vo2 += in.Square(stage.OutputVoltage());
        byPiece(piece, i, i2);
    }
}

// Each piece's steps on its own uniform grid, `samples` a period and at
// least one, into `steps`; the waveform's arrays sized for them, both ends
// of every piece included.
template <class Stage, class Period, std::size_t N>
void SampleGrid(const Stage& stage, const Period& period, std::int32_t samples,
                std::array<std::int64_t, N>& steps, Waveform& wave) {
    std::size_t size = 0;
    for (int k = 0; k < period.pieceCount; ++k) {
        const Real share = period.pieces[static_cast<std::size_t>(k)].duration / stage.Period();
        steps[static_cast<std::size_t>(k)] =
            std::max<std::int64_t>(1, std::llround(static_cast<double>(samples * share)));
        size += static_cast<std::size_t>(steps[static_cast<std::size_t>(k)]) + 1;
    }
    for (std::vector<double>* v :
         {&wave.time, &wave.iL, &wave.isw, &wave.id, &wave.vsw, &wave.Vo, &wave.iC})
        v->resize(size);
}

// The textbook estimates from Io, the ripple dIL and D.
TextbookStresses Textbook(double Io, double deltaIL, double D);

// Every figure a finite number.
bool AllFinite(const RealPartsAnalysis& r);

// Efficiency within 0-100 %, no loss below zero (nor a diode's mean current),
// and input = output + losses within 0.5 %.
bool KeepsThePhysics(const RealPartsAnalysis& r);

// `result` as it may be shown: with the notes on the switching times and the
// gate drive and Found; or, with a figure not finite, nothing; or, breaking
// the physics, only marked unphysical.
RealPartsAnalysis Shown(RealPartsAnalysis result, const CircuitValues& values,
                        const PartValues& parts);

// The sum of the losses, in the order of their fields.
double TotalLoss(const Losses& l);

// The synchronous stage's figures; `parts` has passed ValidValues with its duty.
RealPartsAnalysis AnalyzeSynchronous(const CircuitValues& values, const PartValues& parts,
                                     const AnalysisOptions& options);

}  // namespace stepdown
