#pragma once
// A progress reporter that records every report and can cancel at the n-th.

#include <cstdint>
#include <utility>
#include <vector>

#include "model/WindowOperations.h"

namespace stepdown::testing {

class RecordingProgress : public ProgressReporter {
public:
    // Cancels at report number `cancelAt` (1-based); 0 never cancels.
    explicit RecordingProgress(int cancelAt = 0) : cancelAt_(cancelAt) {}

    bool Continue(std::int64_t stepsDone, std::int64_t stepsTotal) override {
        reports.emplace_back(stepsDone, stepsTotal);
        return cancelAt_ == 0 || static_cast<int>(reports.size()) < cancelAt_;
    }

    std::vector<std::pair<std::int64_t, std::int64_t>> reports;

private:
    int cancelAt_;
};

}  // namespace stepdown::testing
