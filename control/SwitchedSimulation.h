#pragma once
// The switched closed loop's integration, shared by the step response and
// the injection that measures the switched loop gain. The method is told in
// control/ClosedLoop.h.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/ClosedLoop.h"

namespace stepdown::switched {

// iL, vC, vC1, vC2, vC3, vref, tau, the integral of vo, the injected sine
// and cosine, and the constant 1.
constexpr int kSize = 11;
enum Index { kIL, kVC, kC1, kC2, kC3, kRef, kTau, kQ, kSin, kCos, kOne };
using State = std::array<double, kSize>;
using Row = std::array<double, kSize>;  // also a linear functional of the state
using Matrix = std::array<Row, kSize>;

// A row without its zero entries, in column order: its product with a
// finite state is the full row's to the bit (a zero term adds nothing), at
// the cost of the nonzero entries alone. A matrix is kept as such rows.
struct CompactRow {
    int count = 0;
    std::array<std::pair<int, double>, kSize> entries{};
};
using Compact = std::array<CompactRow, kSize>;
CompactRow Compacted(const Row& row);
Compact Compacted(const Matrix& A);

enum class Switch { On, Diode, Blocked };
enum class Amp { Linear, Low, High };
enum class Event { Ramp, DutyLimit, CurrentZero, ToLow, ToHigh, Leave };

struct Mode {
    Switch sw = Switch::Blocked;
    Amp amp = Amp::Linear;
    int load = 0, line = 0;
    bool ramping = false;
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

struct Expansion;

class Simulation {
public:
    // From rest, or from `start` (iL, vC, vC1, vC2, vC3) with the reference at Vref.
    Simulation(const LoopCircuit& loop, const TransientRequest& request,
               std::optional<std::array<double, 5>> start = std::nullopt, Injection injection = {});

    // Runs to the request's end; an Italian message when it cannot.
    std::string Run(TransientResult& result, std::vector<PeriodRecord>& periods);
    std::array<double, 5> Final() const;

private:
    const ConverterModel& Model() const;
    Row OutputVoltage() const;
    double Rail() const;
    Row InvertingInput() const;
    Row AmplifierOutput() const;
    Row Ramp() const;
    void Build();
    std::vector<std::pair<Event, Row>> Events() const;
    // What a mode needs, built once: its matrix and norm, the propagator of
    // one substep, the functions whose zeros end it, what the trace records.
    struct Cached {
        Compact A;
        double norm = 0;
        Compact step;
        std::vector<std::pair<Event, CompactRow>> events;
        CompactRow vo, vc;  // the output voltage and the amplifier's
    };
    double Locate(const CompactRow& c, double h, const Expansion& expansion) const;
    void Switching(Event event);
    void Consistent();
    void Record();

    const LoopCircuit& loop_;
    const TransientRequest& request_;
    double period_;
    std::array<std::optional<ConverterModel>, 4> models_;
    std::optional<std::array<double, 5>> start_;
    Injection injection_;
    Mode mode_;
    Matrix A_{};  // of the mode being built
    std::map<int, Cached> cache_;
    const Cached* current_ = nullptr;
    State y_{};
    double t_ = 0, onTime_ = 0;
    bool blockedInPeriod_ = false;
    std::vector<TracePoint>* trace_ = nullptr;
};

}  // namespace stepdown::switched
