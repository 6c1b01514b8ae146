// The switched closed loop's modes: each one's matrix, its substep and
// propagator, and the functions whose zeros end it.

#include <algorithm>
#include <array>
#include <cmath>

#include "control/SwitchedAlgebra.h"
#include "control/SwitchedSimulation.h"

namespace stepdown::switched {

const Simulation::Stage& Simulation::Model() const { return models_[mode_.load * 2 + mode_.line]; }

bool Simulation::Synchronous() const { return loop_.parts.rectifier == Rectifier::Synchronous; }

Row Simulation::OutputVoltage() const {
    const Observable w = Model().vo;
    return Combine(Unit(kIL), static_cast<double>(w.i), Unit(kVC), static_cast<double>(w.v));
}

double Simulation::Rail() const { return mode_.amp == Amp::High ? loop_.modulator.Vcmax : 0; }

Row Simulation::InvertingInput() const {
    return mode_.amp == Amp::Linear ? Unit(kRef) : Combine(Unit(kOne), Rail(), Unit(kC2), 1);
}

Row Simulation::AmplifierOutput() const {
    return mode_.amp == Amp::Linear ? Combine(Unit(kRef), 1, Unit(kC2), -1) : Unit(kOne, Rail());
}

// What the comparator sets against vc: the ramp, or in peak-current mode
// the sensed current with the compensation ramp.
Row Simulation::Ramp() const {
    const Modulator& m = loop_.modulator;
    if (m.control == ControlMethod::PeakCurrent) return Combine(Unit(kIL), m.Ri, Unit(kTau), m.Se);
    return Unit(kTau, m.Vramp / period_);
}

void Simulation::Build() {
    const auto found = cache_.find(mode_);
    if (found != cache_.end()) {
        current_ = &found->second;
        return;
    }
    Assemble();
    const Row vo = OutputVoltage();
    Cached& entry = cache_[mode_];
    entry.norm = HomogeneousNorm(A_);
    entry.A = Sparse(A_);
    // A stiff mode takes finer substeps, each within one series' reach, so
    // that its events are located on a polynomial and never by propagating
    // the whole substep again and again.
    entry.substep = period_ / kSubsteps / FineSubsteps(entry.norm * period_ / kSubsteps);
    // The substep's propagator, and its half's for the injection's transform.
    Matrix step{}, half{};
    for (int column = 0; column < kSize; ++column) {
        const State image = Propagate(entry.A, entry.norm, Unit(column), entry.substep, work_);
        const State middle = Propagate(entry.A, entry.norm, Unit(column), entry.substep / 2, work_);
        for (int row = 0; row < kSize; ++row) step[row][column] = image[row];
        for (int row = 0; row < kSize; ++row) half[row][column] = middle[row];
    }
    entry.step = Sparse(step);
    entry.half = Sparse(half);
    entry.events = Events();
    entry.vo = Sparse(vo);
    entry.vc = Sparse(AmplifierOutput());
    current_ = &entry;
}

// The largest |A| T/16 over the modes this request can reach: the stage's
// states, the amplifier's three, the steps' circuits, the ramp.
double Simulation::MostSubstepReach() {
    const Mode saved = mode_;
    double most = 0;
    std::vector<Switch> states{Switch::On, Switch::Diode, Switch::Blocked};
    if (Synchronous()) states.insert(states.end(), {Switch::LowOn, Switch::HighDiode});
    for (const Switch sw : states)
        for (const Amp amp : {Amp::Linear, Amp::Low, Amp::High})
            for (int load = 0; load <= (request_.t1 ? 1 : 0); ++load)
                for (int line = 0; line <= (request_.t2 ? 1 : 0); ++line)
                    for (const bool ramping : {false, request_.tss > 0})
                        for (const bool shared : {false, sw == Switch::On || sw == Switch::LowOn}) {
                            mode_ = {sw, amp, load, line, ramping, false, shared};
                            Assemble();
                            const double reach = HomogeneousNorm(A_) * period_ / kSubsteps;
                            // NaN and infinity are the most of all.
                            if (!(reach <= most)) most = reach;
                        }
    mode_ = saved;
    return most;
}

// The mode's matrix into A_.
void Simulation::Assemble() {
    const Compensator& c = loop_.compensator;
    // The stage's interval of each Switch, in the enumeration's order.
    constexpr std::array<StageInterval, 5> kIntervalOf{
        StageInterval::HighSideOn, StageInterval::LowBodyDiode, StageInterval::Blocked,
        StageInterval::LowSideOn, StageInterval::HighBodyDiode};
    const StageInterval kind = !mode_.shared ? kIntervalOf[static_cast<std::size_t>(mode_.sw)]
                               : mode_.sw == Switch::On ? StageInterval::HighSideShared
                                                        : StageInterval::LowSideShared;
    const LinearInterval& interval = Model().intervals[static_cast<std::size_t>(kind)];
    const Matrix2& M = interval.M;
    const Vector2 pull = M * interval.equilibrium;
    A_ = Matrix{};
    A_[kIL] = Row{};
    A_[kIL][kIL] = static_cast<double>(M.m11);
    A_[kIL][kVC] = static_cast<double>(M.m12);
    A_[kIL][kOne] = static_cast<double>(-pull.i);
    A_[kVC][kIL] = static_cast<double>(M.m21);
    A_[kVC][kVC] = static_cast<double>(M.m22);  // no constant: only iL drives vC
    const Row vo = OutputVoltage(), vm = InvertingInput();
    // What the network sees of the output: vo and the injected sine.
    const Row sensed = Combine(vo, 1, Unit(kSin), injection_.amplitude);
    const Row toDivider = Combine(sensed, 1, vm, -1);          // vo - v-
    const Row branch2 = Combine(Unit(kC2), 1, Unit(kC1), -1);  // vC2 - vC1
    AddTo(A_[kC1], branch2, 1 / (c.R2 * c.C1));
    Row feedback{};
    AddTo(feedback, toDivider, 1 / c.R1);
    if (c.type == 3) {
        const Row branch3 = Combine(toDivider, 1, Unit(kC3), -1);  // vo - vC3 - v-
        AddTo(A_[kC3], branch3, 1 / (c.R3 * c.C3));
        AddTo(feedback, branch3, 1 / c.R3);
    }
    AddTo(feedback, vm, -1 / c.Rb);
    AddTo(feedback, branch2, -1 / c.R2);
    AddTo(A_[kC2], feedback, 1 / c.C2);
    if (mode_.ramping) A_[kRef][kOne] = loop_.modulator.Vref / RampTime();
    A_[kTau][kOne] = 1;
    A_[kQ] = vo;
    A_[kSin][kCos] = injection_.omega;
    A_[kCos][kSin] = -injection_.omega;
}

// The functions whose fall through zero ends the interval, in this mode.
std::vector<std::pair<Event, SparseRow>> Simulation::Events() const {
    std::vector<std::pair<Event, Row>> events;
    const Modulator& m = loop_.modulator;
    const Row vc = AmplifierOutput();
    if (mode_.sw == Switch::On) {
        if (mode_.blanking)
            events.emplace_back(Event::BlankEnd, Combine(Unit(kOne), m.tblank, Unit(kTau), -1));
        else
            events.emplace_back(Event::Ramp, Combine(vc, 1, Ramp(), -1));
        events.emplace_back(Event::DutyLimit,
                            Combine(Unit(kOne), m.Dmax * period_, Unit(kTau), -1));
    }
    // A diode, or the low-side switch emulating one, stops the current at zero.
    if (mode_.sw == Switch::Diode ||
        (mode_.sw == Switch::LowOn && loop_.parts.lowSideMode == LowSideMode::DiodeEmulation))
        events.emplace_back(Event::CurrentZero, Unit(kIL));
    if (mode_.sw == Switch::HighDiode) events.emplace_back(Event::CurrentZero, Unit(kIL, -1));
    // A closed switch's current crossing the edge of its drop: below -highEdge_
    // on the high side, above lowEdge_ on the low side, the body diode joins.
    const bool high = mode_.sw == Switch::On;
    const double edge = high ? -highEdge_ : lowEdge_;
    if (Synchronous() && (high || mode_.sw == Switch::LowOn) && std::isfinite(edge)) {
        // Falling through the edge ends the high side's lone channel and the
        // low side's pair; rising through it, the other two.
        const double falling = high != mode_.shared ? 1 : -1;
        events.emplace_back(Event::Share, Combine(Unit(kIL), falling, Unit(kOne), -falling * edge));
    }
    if (mode_.amp == Amp::Linear) {
        events.emplace_back(Event::ToLow, vc);
        events.emplace_back(Event::ToHigh, Combine(Unit(kOne), m.Vcmax, vc, -1));
    } else {
        // At the top rail v- lies below vref, at the bottom above it.
        const double side = mode_.amp == Amp::High ? 1 : -1;
        events.emplace_back(Event::Leave, Combine(Unit(kRef), side, InvertingInput(), -side));
    }
    // The extremes within the interval, where vo' or iL' changes sign: vo' is
    // the row vo A, iL' the row of iL in A. They switch nothing; the trace
    // takes a point there, so that its extremes are the trajectory's.
    const Row vo = OutputVoltage();
    Row slope{};
    for (int i = 0; i < kSize; ++i) AddTo(slope, A_[i], vo[i]);
    events.emplace_back(Event::Extreme, slope);
    events.emplace_back(Event::Extreme, Combine(slope, -1, slope, 0));
    // iL's serve the start-up's peak, before any step.
    if (mode_.sw != Switch::Blocked && mode_.load == 0 && mode_.line == 0)
        events.emplace_back(Event::Extreme, A_[kIL]);
    std::vector<std::pair<Event, SparseRow>> sparse;
    sparse.reserve(events.size());
    for (const auto& [event, row] : events) sparse.emplace_back(event, Sparse(row));
    return sparse;
}

}  // namespace stepdown::switched
