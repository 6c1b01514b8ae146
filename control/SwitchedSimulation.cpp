#include "control/SwitchedSimulation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/Conversions.h"

namespace stepdown::switched {
namespace {

// Substeps per period on which sign changes are looked for.
constexpr int kSubsteps = 16;
constexpr long kMostPeriods = 50000;
constexpr int kMostEventsPerPeriod = 200;
// The substeps and Taylor pieces one run may spend, a few seconds of work:
// the estimate before the run refuses what would pass it, and the count
// stops what the estimate cannot foresee (events piling up).
constexpr long kMostWork = 30'000'000;
// Closer than this to the substep's start (in periods), an extreme is the
// start itself.
constexpr double kExtremeGap = 1e-9;
// How closely an instant is located, in periods: a switching instant to
// rounding, an extreme to where its value is exact to rounding.
constexpr double kSwitchTime = 1e-15;
constexpr double kExtremeTime = 1e-8;

double Dot(const Row& c, const State& y) {
    double sum = 0;
    for (int k = 0; k < kSize; ++k) sum += c[k] * y[k];
    return sum;
}

// The same sums as over the whole row: only the zero terms are left out.
double Dot(const SparseRow& c, const State& y) {
    double sum = 0;
    for (int k = 0; k < c.count; ++k) sum += c.value[k] * y[c.column[k]];
    return sum;
}

State Apply(const SparseMatrix& A, const State& y) {
    State out{};
    for (int r = 0; r < kSize; ++r) out[r] = Dot(A[r], y);
    return out;
}

SparseRow Sparse(const Row& row) {
    SparseRow sparse;
    for (int k = 0; k < kSize; ++k)
        if (row[k] != 0) {
            sparse.column[sparse.count] = k;
            sparse.value[sparse.count++] = row[k];
        }
    return sparse;
}

SparseMatrix Sparse(const Matrix& A) {
    SparseMatrix sparse;
    for (int r = 0; r < kSize; ++r) sparse[r] = Sparse(A[r]);
    return sparse;
}

Row Unit(int index, double scale = 1) {
    Row c{};
    c[index] = scale;
    return c;
}

Row Combine(const Row& a, double sa, const Row& b, double sb) {
    Row c{};
    for (int k = 0; k < kSize; ++k) c[k] = a[k] * sa + b[k] * sb;
    return c;
}

void AddTo(Row& row, const Row& c, double scale) {
    for (int k = 0; k < kSize; ++k) row[k] += c[k] * scale;
}

double MaxAbs(const State& y) {
    double m = 0;
    for (const double x : y) m = std::max(m, std::abs(x));
    return m;
}

// e^{A s} y by its Taylor series, in pieces where |A| s <= 1/2 so that the
// terms fall fast and none is large; `work` counts the pieces.
State Propagate(const SparseMatrix& A, double norm, State y, double s, long& work) {
    if (!(s > 0)) return y;
    const double pieces = std::max(1.0, std::ceil(norm * s / 0.5));
    work += pieces < kMostWork ? static_cast<long>(pieces) : kMostWork;
    if (work > kMostWork) return y;
    const double h = s / pieces;
    for (double p = 0; p < pieces; ++p) {
        State sum = y, term = y;
        for (int k = 1; k < 40; ++k) {
            term = Apply(A, term);
            for (double& x : term) x *= h / k;
            for (int i = 0; i < kSize; ++i) sum[i] += term[i];
            if (MaxAbs(term) <= 1e-18 * MaxAbs(sum)) break;
        }
        y = sum;
    }
    return y;
}

// The largest row sum of A without its column of sources: past the first
// term, A^k y has no component along the constant 1, so the sources (a
// large Vi/L, a fast reference ramp) scale the terms but never slow their
// fall.
double HomogeneousNorm(const Matrix& A) {
    double most = 0;
    for (const Row& row : A) {
        double sum = 0;
        for (int k = 0; k < kSize; ++k)
            if (k != kOne) sum += std::abs(row[k]);
        if (!(sum <= most)) most = sum;
    }
    return most;
}

// The largest |A| h for which one Taylor series about the substep's start
// serves the whole substep: its terms then fall from the first.
constexpr double kSeriesReach = 1;

// The substeps into which a stiff mode splits each of the period's 16, as
// a double: a circuit past every bound must still be counted.
double FineSubsteps(double reach) { return std::max(1.0, std::ceil(reach / kSeriesReach)); }

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
      injection_(injection) {
    const Compensator& c = loop.compensator;
    for (int load = 0; load < 2; ++load)
        for (int line = 0; line < 2; ++line) {
            CircuitValues v = loop.circuit;
            const double RL = load == 1 && request.rl2 ? *request.rl2 : v.RL;
            v.RL = RL * (c.R1 + c.Rb) / (RL + c.R1 + c.Rb);
            if (line == 1 && request.vi2) v.Vi = *request.vi2;
            models_[load * 2 + line].emplace(v, loop.parts);
        }
}

std::array<double, 5> Simulation::Final() const {
    return {y_[kIL], y_[kVC], y_[kC1], y_[kC2], y_[kC3]};
}

const ConverterModel& Simulation::Model() const { return *models_[mode_.load * 2 + mode_.line]; }

Row Simulation::OutputVoltage() const {
    const Observable w = Model().OutputVoltage();
    return Combine(Unit(kIL), static_cast<double>(w.i), Unit(kVC), static_cast<double>(w.v));
}

double Simulation::Rail() const { return mode_.amp == Amp::High ? loop_.modulator.Vcmax : 0; }

Row Simulation::InvertingInput() const {
    return mode_.amp == Amp::Linear ? Unit(kRef) : Combine(Unit(kOne), Rail(), Unit(kC2), 1);
}

Row Simulation::AmplifierOutput() const {
    return mode_.amp == Amp::Linear ? Combine(Unit(kRef), 1, Unit(kC2), -1) : Unit(kOne, Rail());
}

Row Simulation::Ramp() const { return Unit(kTau, loop_.modulator.Vramp / period_); }

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
    Matrix step{};
    for (int column = 0; column < kSize; ++column) {
        const State image = Propagate(entry.A, entry.norm, Unit(column), entry.substep, work_);
        for (int row = 0; row < kSize; ++row) step[row][column] = image[row];
    }
    entry.step = Sparse(step);
    entry.events = Events();
    entry.vo = Sparse(vo);
    entry.vc = Sparse(AmplifierOutput());
    current_ = &entry;
}

// The largest |A| T/16 over the modes this request can reach: the switch's
// three states, the amplifier's three, the steps' circuits, the ramp.
double Simulation::MostSubstepReach() {
    const Mode saved = mode_;
    double most = 0;
    for (const Switch sw : {Switch::On, Switch::Diode, Switch::Blocked})
        for (const Amp amp : {Amp::Linear, Amp::Low, Amp::High})
            for (int load = 0; load <= (request_.t1 ? 1 : 0); ++load)
                for (int line = 0; line <= (request_.t2 ? 1 : 0); ++line)
                    for (const bool ramping : {false, request_.tss > 0}) {
                        mode_ = {sw, amp, load, line, ramping};
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
    const IntervalKind kind = mode_.sw == Switch::On      ? IntervalKind::SwitchOn
                              : mode_.sw == Switch::Diode ? IntervalKind::DiodeConducting
                                                          : IntervalKind::DiodeBlocked;
    const LinearInterval& interval = Model().Interval(kind);
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
    if (mode_.ramping) A_[kRef][kOne] = loop_.modulator.Vref / request_.tss;
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
        events.emplace_back(Event::Ramp, Combine(vc, 1, Ramp(), -1));
        events.emplace_back(Event::DutyLimit,
                            Combine(Unit(kOne), m.Dmax * period_, Unit(kTau), -1));
    }
    if (mode_.sw == Switch::Diode) events.emplace_back(Event::CurrentZero, Unit(kIL));
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
        onTime_ = y_[kTau];
        mode_.sw = y_[kIL] > 0 ? Switch::Diode : Switch::Blocked;
        break;
    case Event::CurrentZero:
        y_[kIL] = 0;
        mode_.sw = Switch::Blocked;
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
// off, a diode without current blocks.
void Simulation::Consistent() {
    valuesOf_ = nullptr;
    if (mode_.sw == Switch::On && (Dot(Combine(AmplifierOutput(), 1, Ramp(), -1), y_) <= 0 ||
                                   y_[kTau] >= loop_.modulator.Dmax * period_)) {
        onTime_ = y_[kTau];
        mode_.sw = y_[kIL] > 0 ? Switch::Diode : Switch::Blocked;
    }
    if (mode_.sw == Switch::Diode && !(y_[kIL] > 0)) {
        y_[kIL] = 0;
        mode_.sw = Switch::Blocked;
    }
    if (mode_.sw == Switch::Blocked) blockedInPeriod_ = true;
    Build();
}

void Simulation::Record() {
    trace_->push_back({t_, y_[kIL], Dot(current_->vo, y_), Dot(current_->vc, y_)});
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
    const double work = request_.tend / period_ * kSubsteps * FineSubsteps(reach);
    if (!(work <= kMostWork))
        return "La simulazione ad anello chiuso non è calcolabile in tempi brevi: chiederebbe " +
               FormatScientific(work, 2, ".") +
               " passi di integrazione, perché la costante di tempo più breve del circuito (" +
               FormatScientific(period_ / kSubsteps / reach, 2, ".") +
               " s) è molto più breve del periodo di commutazione; accorcia tend o rivedi i "
               "valori.";
    return {};
}

std::string Simulation::Run(TransientResult& result, std::vector<PeriodRecord>& periods) {
    if (const std::string refused = Refusal(); !refused.empty()) return refused;
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
    if (const std::string refused = Refusal(); !refused.empty()) return refused;
    bool loadDone = !request_.t1, lineDone = !request_.t2;
    double periodStart = 0;
    int events = 0;
    const auto startPeriod = [&] {
        y_[kTau] = 0;
        onTime_ = 0;
        blockedInPeriod_ = false;
        events = 0;
        mode_.sw = Dot(AmplifierOutput(), y_) > 0 && m.Dmax > 0 ? Switch::On
                   : y_[kIL] > 0                                ? Switch::Diode
                                                                : Switch::Blocked;
        Consistent();
    };
    startPeriod();
    Record();
    double qStart = 0, nextRecord = 0;
    std::size_t traceStart = 0;
    while (t_ < end) {
        const double periodEnd = periodStart + period_;
        double boundary = std::min(periodEnd, end);
        if (mode_.ramping) boundary = std::min(boundary, request_.tss);
        if (!loadDone) boundary = std::min(boundary, *request_.t1);
        if (!lineDone) boundary = std::min(boundary, *request_.t2);
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
            y_ = series_.empty() ? Propagate(current_->A, current_->norm, y_, first->second, work_)
                                 : Sum(first->second);
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
        y_ = next;
        t_ = h == boundary - t_ ? boundary : t_ + h;
        if (t_ >= boundary) {
            if (mode_.ramping && t_ >= request_.tss) {
                mode_.ramping = false;
                y_[kRef] = m.Vref;
            }
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
