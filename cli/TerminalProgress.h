#pragma once
// Progress of a long simulation on a terminal: one line, rewritten in place,
// that appears only once the run has lasted half a second (as the window's
// progress dialog does) and is wiped when the reporter goes away.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "model/WindowOperations.h"

namespace stepdown::cli {

class TerminalProgress : public ProgressReporter {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds kShowAfter{500};
    static constexpr std::chrono::milliseconds kRefresh{100};

    // The clock starts here: make the reporter right before the run.
    explicit TerminalProgress(std::ostream& out,
                              std::function<Clock::time_point()> now = &Clock::now);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // Never cancels: an interrupt from the terminal ends the process instead.
    bool Continue(std::int64_t stepsDone, std::int64_t stepsTotal) override;

    // Wipes the line if one was written.
    void Finish();

private:
    std::ostream& out_;
    std::function<Clock::time_point()> now_;
    Clock::time_point start_;
    std::optional<Clock::time_point> lastWrite_;  // none while nothing is on the terminal
    std::size_t lineLength_ = 0;                  // 0 while nothing is on the terminal
};

// The command has no cancel button: a run that could take longer than a few
// seconds is stopped once it has done `budget` steps, unless it has already
// reached its end (a run whose state repeats ends early and reports all its
// steps done at once). Every call is passed on to `inner` first.
class StepBudget : public ProgressReporter {
public:
    // About two seconds of the plain loop on an ordinary machine.
    static constexpr std::int64_t kCommandSteps = 200'000'000;

    StepBudget(ProgressReporter& inner, std::int64_t budget = kCommandSteps)
        : inner_(inner), budget_(budget) {}

    bool Continue(std::int64_t stepsDone, std::int64_t stepsTotal) override;

    // Whether the run was stopped by the budget rather than by `inner`.
    bool Exhausted() const { return exhausted_; }
    std::int64_t Budget() const { return budget_; }

private:
    ProgressReporter& inner_;
    std::int64_t budget_;
    bool exhausted_ = false;
};

// What the command says of a run stopped by its budget: how far it went
// and what to change.
std::string BudgetMessage(std::int64_t stepsTotal, std::int64_t budget);

}  // namespace stepdown::cli
