#include "cli/TerminalProgress.h"

#include <string>

#include "common/ProgressTimes.h"
#include "model/Conversions.h"

namespace stepdown::cli {

namespace {

// 1.8E+09: a count as the command writes its figures.
std::string ScientificCount(std::int64_t count) {
    return FormatScientific(static_cast<double>(count), 1, ".");
}

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& out, std::function<Clock::time_point()> now)
    : out_(out), now_(std::move(now)), start_(now_()) {}

TerminalProgress::~TerminalProgress() { Finish(); }

bool TerminalProgress::Continue(std::int64_t stepsDone, std::int64_t stepsTotal) {
    const Clock::time_point now = now_();
    if (now - start_ < kShowAfter) return true;
    if (lastWrite_ && now - *lastWrite_ < kRefresh) return true;
    const std::int64_t percent = stepsTotal > 0 ? stepsDone * 100 / stepsTotal : 0;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const std::string line = "Simulazione in corso… " + std::to_string(percent) + "% (" +
                             ProgressTimes(elapsed, stepsDone, stepsTotal) + ")";
    out_ << '\r' << line;
    // A shorter line must cover what the longer one left.
    if (line.size() < lineLength_)
        out_ << std::string(lineLength_ - line.size(), ' ') << '\r' << line;
    out_.flush();
    if (line.size() > lineLength_) lineLength_ = line.size();
    lastWrite_ = now;
    return true;
}

void TerminalProgress::Finish() {
    if (lineLength_ == 0) return;
    out_ << '\r' << std::string(lineLength_, ' ') << '\r';
    out_.flush();
    lineLength_ = 0;
    lastWrite_.reset();
}

bool StepBudget::Continue(std::int64_t stepsDone, std::int64_t stepsTotal) {
    if (!inner_.Continue(stepsDone, stepsTotal)) return false;
    if (stepsDone < stepsTotal && stepsDone > budget_) {
        exhausted_ = true;
        return false;
    }
    return true;
}

std::string BudgetMessage(std::int64_t stepsTotal, std::int64_t budget) {
    return "La simulazione chiede " + ScientificCount(stepsTotal) +
           " passi (N per NI): il comando si è fermato dopo " + ScientificCount(budget) +
           ", qualche secondo di calcolo. Riduci N o NI, oppure usa la finestra, che mostra "
           "l'avanzamento e si può interrompere!";
}

}  // namespace stepdown::cli
