#include "control/SwitchedSimulation.h"

#include "control/SwitchedAlgebra.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/Conversions.h"
#include "realparts/SynchronousStage.h"

namespace stepdown::switched {
namespace {

constexpr int kMostEventsPerPeriod = 200;
// Closer than this to the substep's start (in periods), an extreme is the
// start itself.
constexpr double kExtremeGap = 1e-9;
// How closely an instant is located, in periods: a switching instant to
// rounding, an extreme to where its value is exact to rounding.
constexpr double kSwitchTime = 1e-15;
constexpr double kExtremeTime = 1e-8;

}  // namespace

// The Taylor terms A^k y / k! of e^{A s} y, enough for every s in (0, h].
void Simulation::Expand(double h) {
    series_.clear();
    series_.push_back(y_);
    const double floor = 1e-18 * MaxAbs(y_);
    double reach = 1;
    for (int k = 1; k < 40; ++k) {
        State term = Apply(current_->A, series_.back());
        const double inverse = 1.0 / k;  // one division a term, not one an entry
        for (double& x : term) x *= inverse;
        series_.push_back(term);
        reach *= h;
        if (MaxAbs(term) * reach <= floor) break;
    }
}

// e^{A s} y from the series, by Horner's rule in s.
State Simulation::Sum(double s) const {
    State y = series_.back();
    for (std::size_t k = series_.size() - 1; k-- > 0;)
        for (int i = 0; i < kSize; ++i) y[i] = y[i] * s + series_[k][i];
    return y;
}

Simulation::Simulation(const LoopCircuit& loop, const TransientRequest& request,
                       std::optional<std::array<double, 5>> start, Injection injection)
    : loop_(loop),
      request_(request),
      period_(1 / loop.circuit.f),
      start_(start),
      injection_(injection),
      highEdge_(ShareOf(loop.parts.Rds, loop.parts.Vf, loop.parts.Rd).edge),
      lowEdge_(ShareOf(loop.parts.RdsLo, loop.parts.Vf, loop.parts.Rd).edge) {
    const Compensator& c = loop.compensator;
    for (int load = 0; load < 2; ++load)
        for (int line = 0; line < 2; ++line) {
            CircuitValues v = loop.circuit;
            const double RL = load == 1 && request.rl2 ? *request.rl2 : v.RL;
            v.RL = RL * (c.R1 + c.Rb) / (RL + c.R1 + c.Rb);
            if (line == 1 && request.vi2) v.Vi = *request.vi2;
            Stage& stage = models_[load * 2 + line];
            const auto at = [](StageInterval kind) { return static_cast<std::size_t>(kind); };
            if (Synchronous()) {
                const SynchronousStage model(v, loop.parts);
                for (const StageInterval kind :
                     {StageInterval::HighSideOn, StageInterval::LowSideOn,
                      StageInterval::LowBodyDiode, StageInterval::HighBodyDiode,
                      StageInterval::Blocked, StageInterval::LowSideShared,
                      StageInterval::HighSideShared})
                    stage.intervals[at(kind)] = model.Interval(kind);
                stage.vo = model.OutputVoltage();
            } else {
                // The diode's stage: its switch, its diode and its blocked interval.
                const ConverterModel model(v, loop.parts);
                stage.intervals[at(StageInterval::HighSideOn)] =
                    model.Interval(IntervalKind::SwitchOn);
                stage.intervals[at(StageInterval::LowBodyDiode)] =
                    model.Interval(IntervalKind::DiodeConducting);
                stage.intervals[at(StageInterval::Blocked)] =
                    model.Interval(IntervalKind::DiodeBlocked);
                stage.vo = model.OutputVoltage();
            }
        }
}

// Where the current goes with both switches open: a diode while it flows
// its way, nowhere at zero.
Switch Simulation::Freewheeling() const {
    if (y_[kIL] > 0) return Switch::Diode;
    if (y_[kIL] < 0 && Synchronous()) return Switch::HighDiode;
    return Switch::Blocked;
}

void Simulation::HighSideOff() {
    onTime_ = y_[kTau];
    mode_.blanking = false;
    mode_.sw = Freewheeling();
    if (Synchronous()) highOff_ = t_;
}

// In diode emulation the low side closes only on a current flowing out of it.
void Simulation::LowSideOn() {
    if (loop_.parts.lowSideMode == LowSideMode::ForcedContinuous || y_[kIL] > 0)
        mode_.sw = Switch::LowOn;
}

// The next instant of the low side's drive, in the run's time; nothing when
// its slot is over or cannot yet be known.
std::optional<double> Simulation::NextScheduled() const {
    if (!highOff_) return std::nullopt;
    const double on = *highOff_ + loop_.parts.td1;
    const double off = periodStart_ + period_ - loop_.parts.td2;
    if (lowPhase_ == 0 && on < off) return on;
    if (lowPhase_ == 1) return off;
    return std::nullopt;
}

std::array<double, 5> Simulation::Final() const {
    return {y_[kIL], y_[kVC], y_[kC1], y_[kC2], y_[kC3]};
}

// The first zero of c.y(s) in (0, h], where c.y falls from above zero: a
// safeguarded Newton search on the series, from the chord.
double Simulation::Locate(const SparseRow& c, double h, double tolerance, double before,
                          double after) const {
    // Within the series' reach c.y(s) is a polynomial: its coefficients once,
    // then each step costs a few multiplications.
    const bool series = !series_.empty();
    std::array<double, 40> g{};
    const std::size_t terms = series_.size();
    for (std::size_t k = 0; k < terms; ++k) g[k] = Dot(c, series_[k]);
    const auto valueAndSlope = [&](double s) {
        if (!series) {
            const State y = Propagate(current_->A, current_->norm, y_, s, work_);
            return std::pair{Dot(c, y), Dot(c, Apply(current_->A, y))};
        }
        double value = g[terms - 1], slope = 0;
        for (std::size_t k = terms - 1; k-- > 0;) {
            slope = slope * s + value;
            value = value * s + g[k];
        }
        return std::pair{value, slope};
    };
    // The first guess where the chord between the substep's ends crosses zero.
    const double chord = h * (before / (before - after));
    double low = 0, high = h, s = chord > 0 && chord < h ? chord : h / 2;
    for (int k = 0; k < 100 && high - low > tolerance; ++k) {
        const auto [value, slope] = valueAndSlope(s);
        if (value > 0)
            low = s;
        else
            high = s;
        const double newton = slope < 0 ? s - value / slope : -1;
        // Newton's steps close in from one side only: a step below the
        // tolerance is the root, taken just past it.
        if (newton > low && newton < high && std::abs(newton - s) <= tolerance)
            return std::min(high, std::max(newton, s) + tolerance);
        s = newton > low && newton < high ? newton : (low + high) / 2;
    }
    return high;
}

void Simulation::Switching(Event event) {
    switch (event) {
    case Event::Ramp:
    case Event::DutyLimit:
        HighSideOff();
        break;
    case Event::BlankEnd:
        mode_.blanking = false;
        break;
    case Event::CurrentZero:
        y_[kIL] = 0;
        mode_.sw = Switch::Blocked;
        break;
    case Event::Share:
        // On the edge, where the pair's two drops meet.
        y_[kIL] = mode_.sw == Switch::On ? -highEdge_ : lowEdge_;
        mode_.shared = !mode_.shared;
        break;
    case Event::ToLow:
        mode_.amp = Amp::Low;
        break;
    case Event::ToHigh:
        mode_.amp = Amp::High;
        break;
    case Event::Leave:
        mode_.amp = Amp::Linear;
        break;
    case Event::Extreme:
        return;
    }
    Consistent();
}

// After any change: a switch whose turn-off condition already holds turns
// off, the low side follows its schedule, a diode without current blocks.
void Simulation::Consistent() {
    valuesOf_ = nullptr;
    if (mode_.sw == Switch::On &&
        ((!mode_.blanking && Dot(Combine(AmplifierOutput(), 1, Ramp(), -1), y_) <= 0) ||
         y_[kTau] >= loop_.modulator.Dmax * period_))
        HighSideOff();
    // Each of the low side's instants reached: the slot opens, then closes.
    for (std::optional<double> at; (at = NextScheduled()) && t_ >= *at;)
        if (lowPhase_++ == 0)
            LowSideOn();
        else if (mode_.sw == Switch::LowOn)
            mode_.sw = Freewheeling();
    const bool emulating = loop_.parts.lowSideMode == LowSideMode::DiodeEmulation;
    if ((mode_.sw == Switch::Diode || (mode_.sw == Switch::LowOn && emulating)) && !(y_[kIL] > 0)) {
        y_[kIL] = 0;
        mode_.sw = Switch::Blocked;
    }
    if (mode_.sw == Switch::HighDiode && !(y_[kIL] < 0)) {
        y_[kIL] = 0;
        mode_.sw = Switch::Blocked;
    }
    if (mode_.sw == Switch::Blocked) blockedInPeriod_ = true;
    Sharing();
    Build();
}

void Simulation::Sharing() {
    const bool high = mode_.sw == Switch::On;
    if (!Synchronous() || !(high || mode_.sw == Switch::LowOn)) {
        mode_.shared = false;
        return;
    }
    const double past = high ? -highEdge_ - y_[kIL] : y_[kIL] - lowEdge_;
    if (past != 0) mode_.shared = past > 0;
}

void Simulation::Record() {
    trace_->push_back({t_, y_[kIL], Dot(current_->vo, y_), Dot(current_->vc, y_)});
}

// Simpson's rule on the exact state at the piece's ends and middle: vo is
// smooth within a piece, where a straight line between its ends would leave
// an error of the ripple's curvature that the loop's gain multiplies.
void Simulation::Integrate(double h, const State& end) {
    if (!(injection_.omega > 0) || !(h > 0)) return;
    const State middle = h == current_->substep
                             ? Apply(current_->half, y_)
                             : Propagate(current_->A, current_->norm, y_, h / 2, work_);
    const auto add = [&](const State& y, double t, double weight) {
        const double vo = Dot(current_->vo, y);
        const std::complex<double> e = std::polar(1.0, -injection_.omega * t);
        transform_.vo += weight * vo * e;
        transform_.one += weight * e;
        transform_.integral += weight * vo;
    };
    add(y_, t_, h / 6);
    add(middle, t_ + h / 2, 2 * h / 3);
    add(end, t_ + h, h / 6);
    transform_.length += h;
}

void Simulation::ReportTo(ProgressReporter* reporter, std::int64_t before, std::int64_t total) {
    reporter_ = reporter;
    reportedBefore_ = before;
    reportTotal_ = total;
}

// What the run would take, before it starts: the periods asked and the
// circuit's stiffness, each against its bound.
std::string Simulation::Refusal() {
    if (!(request_.tend / period_ <= kMostPeriods))
        return "La simulazione ad anello chiuso coprirebbe più di 50000 periodi: accorcia tend.";
    const double reach = MostSubstepReach();
    const double work = Estimate();
    if (!(work <= kMostWork))
        return "La simulazione ad anello chiuso non è calcolabile in tempi brevi: chiederebbe " +
               FormatScientific(work, 2, ".") +
               " passi di integrazione, perché la costante di tempo più breve del circuito (" +
               FormatScientific(period_ / kSubsteps / reach, 2, ".") +
               " s) è molto più breve del periodo di commutazione; accorcia tend o rivedi i "
               "valori.";
    return {};
}

double Simulation::Estimate() {
    return request_.tend / period_ * kSubsteps * FineSubsteps(MostSubstepReach());
}

std::string Simulation::Run(TransientResult& result, std::vector<PeriodRecord>& periods) {
    if (std::string refused = Refusal(); !refused.empty()) return refused;
    trace_ = &result.trace;
    // The trace holds every substep, switching instant and extreme.
    trace_->reserve(static_cast<std::size_t>(request_.tend / period_ * (kSubsteps + 7)) + 8);
    const Modulator& m = loop_.modulator;
    y_[kOne] = 1;
    mode_.ramping = request_.tss > 0;
    y_[kRef] = mode_.ramping ? 0 : m.Vref;
    y_[kCos] = 1;
    if (start_) {
        for (const int k : {kIL, kVC, kC1, kC2, kC3}) y_[k] = (*start_)[k];
    }
    const double vc = y_[kRef] - y_[kC2];
    mode_.amp = vc > m.Vcmax ? Amp::High : vc < 0 ? Amp::Low : Amp::Linear;
    const double end = request_.tend;
    bool loadDone = !request_.t1, lineDone = !request_.t2;
    double& periodStart = periodStart_;
    periodStart = 0;
    int events = 0;
    const auto startPeriod = [&] {
        y_[kTau] = 0;
        onTime_ = 0;
        highOff_.reset();
        lowPhase_ = 0;
        blockedInPeriod_ = false;
        events = 0;
        // The clock sets the latch unless vc is at or below zero, or in
        // peak-current mode the sensed current is already above it.
        const bool sets = Dot(AmplifierOutput(), y_) > 0 &&
                          (m.control != ControlMethod::PeakCurrent ||
                           Dot(Combine(AmplifierOutput(), 1, Ramp(), -1), y_) > 0);
        if (sets && m.Dmax > 0) {
            mode_.sw = Switch::On;
        } else {
            // A skipped pulse: the low side's slot runs from the period's start.
            mode_.sw = Freewheeling();
            if (Synchronous()) highOff_ = t_;
        }
        mode_.blanking = mode_.sw == Switch::On && m.tblank > 0;
        Consistent();
    };
    startPeriod();
    Record();
    double qStart = 0, nextRecord = 0;
    std::size_t traceStart = 0;
    while (t_ < end) {
        const double periodEnd = periodStart + period_;
        double boundary = std::min(periodEnd, end);
        if (mode_.ramping) boundary = std::min(boundary, RampTime());
        if (!loadDone) boundary = std::min(boundary, *request_.t1);
        if (!lineDone) boundary = std::min(boundary, *request_.t2);
        const std::optional<double> drive = NextScheduled();
        if (drive) boundary = std::min(boundary, *drive);
        const double h = std::min(current_->substep, boundary - t_);
        ++work_;
        const State next = h == current_->substep
                               ? Apply(current_->step, y_)
                               : Propagate(current_->A, current_->norm, y_, h, work_);
        std::optional<std::pair<Event, double>> first;
        series_.clear();
        extremes_.clear();
        // The events' values at the substep's start are those at the last
        // one's end, unless the mode or the state changed in between.
        if (valuesOf_ != current_) {
            values_.clear();
            for (const auto& [event, c] : current_->events) values_.push_back(Dot(c, y_));
            valuesOf_ = current_;
        }
        for (std::size_t k = 0; k < current_->events.size(); ++k) {
            const auto& [event, c] = current_->events[k];
            const double after = Dot(c, next);
            if (values_[k] > 0 && !(after > 0)) {
                if (series_.empty() && current_->norm * h <= kSeriesReach) Expand(h);
                // An extreme's value moves with the square of its time's error.
                const double s =
                    Locate(c, h, (event == Event::Extreme ? kExtremeTime : kSwitchTime) * period_,
                           values_[k], after);
                // An extreme at the substep's start is the point already traced there.
                if (event == Event::Extreme) {
                    if (s > kExtremeGap * period_) extremes_.push_back(s);
                } else if (!first || s < first->second) {
                    first = {{event, s}};
                }
            }
            values_[k] = after;
        }
        // The extremes before the substep's end or its first event, in time
        // order, each traced on the series: they switch nothing.
        std::sort(extremes_.begin(), extremes_.end());
        for (const double s : extremes_)
            if (!first || s < first->second) {
                const State y =
                    series_.empty() ? Propagate(current_->A, current_->norm, y_, s, work_) : Sum(s);
                trace_->push_back({t_ + s, y[kIL], Dot(current_->vo, y), Dot(current_->vc, y)});
            }
        if (first) {
            valuesOf_ = nullptr;
            const State at = series_.empty()
                                 ? Propagate(current_->A, current_->norm, y_, first->second, work_)
                                 : Sum(first->second);
            Integrate(first->second, at);
            y_ = at;
            t_ += first->second;
            Switching(first->first);
            Record();
            if (++events > kMostEventsPerPeriod)
                return "La simulazione ad anello chiuso non procede: l'anello commuta senza fine "
                       "in un periodo.";
            continue;
        }
        if (work_ > kMostWork)
            return "La simulazione ad anello chiuso richiede troppo calcolo: il circuito è "
                   "troppo rigido per il periodo di commutazione.";
        Integrate(h, next);
        y_ = next;
        t_ = h == boundary - t_ ? boundary : t_ + h;
        if (t_ >= boundary) {
            if (mode_.ramping && t_ >= RampTime()) {
                mode_.ramping = false;
                y_[kRef] = m.Vref;
            }
            // A step moves vo at once through the ESR: traced at its instant;
            // so is the low side's switching, where iL and vo turn.
            const bool stepped = (!loadDone && t_ >= *request_.t1) ||
                                 (!lineDone && t_ >= *request_.t2) || (drive && t_ >= *drive);
            if (!loadDone && t_ >= *request_.t1) loadDone = true, mode_.load = 1;
            if (!lineDone && t_ >= *request_.t2) lineDone = true, mode_.line = 1;
            if (t_ >= periodEnd) {
                PeriodRecord r{
                    periodStart,
                    t_,
                    (y_[kQ] - qStart) / period_,
                    (onTime_ > 0 ? onTime_ : (mode_.sw == Switch::On ? y_[kTau] : 0)) / period_,
                    std::numeric_limits<double>::infinity(),
                    -std::numeric_limits<double>::infinity(),
                    blockedInPeriod_};
                Build();  // a step at the period's end has changed the load or the line
                Record();
                for (std::size_t k = traceStart; k < result.trace.size(); ++k) {
                    r.voMin = std::min(r.voMin, result.trace[k].vo);
                    r.voMax = std::max(r.voMax, result.trace[k].vo);
                }
                periods.push_back(r);
                if (reporter_ &&
                    !reporter_->Continue(
                        reportedBefore_ + static_cast<std::int64_t>(periods.size()), reportTotal_))
                    return std::string(kCancelled);
                traceStart = result.trace.size() - 1;
                periodStart = t_;
                qStart = y_[kQ];
                startPeriod();
                continue;
            }
            Consistent();
            if (stepped) Record();
        }
        // A stiff mode's fine substeps are traced at the period's 16 only.
        if (t_ >= nextRecord) {
            Record();
            nextRecord = t_ + period_ / kSubsteps * (1 - 1e-9);
        }
        // x * 0 is zero for every finite x and NaN otherwise.
        double zero = 0;
        for (const double x : y_) zero += x * 0;
        if (zero != 0)
            return "La simulazione ad anello chiuso dà valori non finiti: il circuito non ha "
                   "una risposta calcolabile.";
    }
    return {};
}

}  // namespace stepdown::switched
