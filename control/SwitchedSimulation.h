#pragma once
// The switched closed loop's integration, shared by the step response and
// the injection that measures the switched loop gain. The method is told in
// control/ClosedLoop.h.

#include <algorithm>
#include <array>
#include <complex>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/ClosedLoop.h"
#include "model/WindowOperations.h"
#include "realparts/SynchronousStage.h"

namespace stepdown::switched {

// iL, vC, vC1, vC2, vC3, vref, tau, the integral of vo, the injected sine
// and cosine, and the constant 1.
constexpr int kSize = 11;
enum Index { kIL, kVC, kC1, kC2, kC3, kRef, kTau, kQ, kSin, kCos, kOne };
using State = std::array<double, kSize>;
using Row = std::array<double, kSize>;  // also a linear functional of the state
using Matrix = std::array<Row, kSize>;

// The nonzero entries of a row in column order: the modes' matrices, their
// propagators and the events' functions are mostly zeros.
struct SparseRow {
    std::array<int, kSize> column{};
    std::array<double, kSize> value{};
    int count = 0;
};
using SparseMatrix = std::array<SparseRow, kSize>;

// The power stage's state. The diode's stage knows the first three; a
// synchronous one: On the high-side switch, Diode the low-side body diode,
// LowOn the low-side switch, HighDiode the high-side body diode; a closed
// switch whose drop passes Vf has its body diode beside it (Mode::shared).
// The most periods one run covers; a longer run is refused before it starts.
inline constexpr long kMostPeriods = 50000;

enum class Switch { On, Diode, Blocked, LowOn, HighDiode };
enum class Amp { Linear, Low, High };
enum class Event { Ramp, DutyLimit, BlankEnd, CurrentZero, Share, ToLow, ToHigh, Leave, Extreme };

struct Mode {
    Switch sw = Switch::Blocked;
    Amp amp = Amp::Linear;
    int load = 0, line = 0;
    bool ramping = false;
    bool blanking = false;  // peak-current mode: the comparator is not yet heard
    bool shared = false;    // the closed switch's body diode conducts beside it
    auto operator<=>(const Mode&) const = default;
};

struct PeriodRecord {
    double start, end, mean, duty, voMin, voMax;
    bool blocked;
};

// A sine of `amplitude` volts at `omega` rad/s added to what the network
// sees of vo: the loop broken at the divider's top.
struct Injection {
    double amplitude = 0, omega = 0;
};

// vo transformed at the injected frequency over the whole run: the integrals
// of vo e^{-j w t}, and by the same rule of e^{-j w t} and of vo.
struct Transformed {
    std::complex<double> vo, one;
    double integral = 0, length = 0;
};

class Simulation {
public:
    // From rest, or from `start` (iL, vC, vC1, vC2, vC3) with the reference at Vref.
    Simulation(const LoopCircuit& loop, const TransientRequest& request,
               std::optional<std::array<double, 5>> start = std::nullopt, Injection injection = {});

    // Runs to the request's end; an Italian message when it cannot.
    std::string Run(TransientResult& result, std::vector<PeriodRecord>& periods);
    // Why the run would be refused before it starts (too many periods, or
    // too much work for the circuit's stiffness); empty when it would not.
    std::string Refusal();
    // The substeps and Taylor pieces the run would spend, as Refusal counts them.
    double Estimate();
    // Runs that share one bound: this one counts from what those before it
    // spent, and Spent() is what all of them have spent once it ends.
    void CountFrom(long spent) { work_ = spent; }
    long Spent() const { return work_; }
    // After each period: `before` + the periods done so far, of `total`; a
    // reporter that answers false ends the run, with kCancelled.
    void ReportTo(ProgressReporter* reporter, std::int64_t before, std::int64_t total);
    std::array<double, 5> Final() const;
    // With an injection: vo's transform over the run.
    const Transformed& Transform() const { return transform_; }

private:
    // The stage's intervals, indexed by StageInterval, and its output.
    struct Stage {
        std::array<LinearInterval, kStageIntervals> intervals;
        Observable vo;
    };
    const Stage& Model() const;
    // The synchronous stage's drive of its low-side switch, scheduled in the
    // period from the high-side switch's turn-off: on td1 after it, off td2
    // before the period's end (Consistent applies it).
    bool Synchronous() const;
    // The reference's ramp: tss, but never shorter than a trillionth of the
    // period, which moves the state by less than its rounding, where the slope
    // Vref/tss of a shorter one would overflow the propagator.
    double RampTime() const { return std::max(request_.tss, period_ * 0x1p-40); }
    Switch Freewheeling() const;
    void HighSideOff();
    void LowSideOn();
    std::optional<double> NextScheduled() const;
    Row OutputVoltage() const;
    double Rail() const;
    Row InvertingInput() const;
    Row AmplifierOutput() const;
    Row Ramp() const;
    void Build();
    void Assemble();
    double MostSubstepReach();
    std::vector<std::pair<Event, SparseRow>> Events() const;
    // What a mode needs, built once: its matrix and norm, its substep and
    // the propagator of one, the functions whose zeros end it.
    struct Cached {
        SparseMatrix A{};
        double norm = 0;
        double substep = 0;  // s, T/16 or a whole fraction of it
        SparseMatrix step{}, half{};
        std::vector<std::pair<Event, SparseRow>> events;
        SparseRow vo{}, vc{};  // the output and the amplifier's output
    };
    void Expand(double h);
    State Sum(double s) const;
    // The first zero of c.y in (0, h], where c.y falls from `before` at the
    // substep's start to `after` at its end.
    double Locate(const SparseRow& c, double h, double tolerance, double before,
                  double after) const;
    void Switching(Event event);
    void Consistent();
    // Whether the closed switch shares iL with its body diode; kept as it is
    // on the edge itself, where an event has just decided it.
    void Sharing();
    void Record();
    // Adds the piece of h from y_ to `end` in the current mode to transform_.
    void Integrate(double h, const State& end);

    const LoopCircuit& loop_;
    const TransientRequest& request_;
    double period_;
    std::array<Stage, 4> models_;
    // The high-side switch's turn-off in the run's time, once known this
    // period; the period's start; where the low-side slot stands.
    std::optional<double> highOff_;
    double periodStart_ = 0;
    int lowPhase_ = 0;  // 0 before the slot, 1 in it, 2 after it
    std::optional<std::array<double, 5>> start_;
    Injection injection_;
    // |iL| at which each closed switch's drop reaches Vf; infinite without Rds.
    double highEdge_ = 0, lowEdge_ = 0;
    Mode mode_;
    Matrix A_{};  // the mode's matrix while it is built
    std::map<Mode, Cached> cache_;
    const Cached* current_ = nullptr;
    State y_{};
    // The substep's Taylor terms while an event is located in it, else empty.
    std::vector<State> series_;
    std::vector<double> extremes_;  // s of the substep's extremes
    // The events' values at y_ for the mode `valuesOf_`; null when unknown.
    std::vector<double> values_;
    const Cached* valuesOf_ = nullptr;
    double t_ = 0, onTime_ = 0;
    mutable long work_ = 0;  // Taylor pieces spent
    ProgressReporter* reporter_ = nullptr;
    std::int64_t reportedBefore_ = 0, reportTotal_ = 0;
    bool blockedInPeriod_ = false;
    std::vector<TracePoint>* trace_ = nullptr;
    Transformed transform_;
};

}  // namespace stepdown::switched
