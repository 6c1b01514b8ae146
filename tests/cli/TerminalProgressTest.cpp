// The progress line on a terminal, against a hand-driven clock.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/TerminalProgress.h"

namespace stepdown::cli {
namespace {

using namespace std::chrono_literals;
using Clock = TerminalProgress::Clock;

TEST(TerminalProgress, QuietDuringTheFirstHalfSecond) {
    Clock::time_point now{};
    std::ostringstream out;
    {
        TerminalProgress progress(out, [&] { return now; });
        now += 499ms;
        EXPECT_TRUE(progress.Continue(10, 100));
    }
    EXPECT_EQ(out.str(), "");
}

TEST(TerminalProgress, RewritesOneLineAndWipesItAtTheEnd) {
    Clock::time_point now{};
    std::ostringstream out;
    {
        TerminalProgress progress(out, [&] { return now; });
        now += 500ms;
        EXPECT_TRUE(progress.Continue(5, 100));
        now += 50ms;  // too soon for a refresh
        EXPECT_TRUE(progress.Continue(7, 100));
        now += 50ms;
        EXPECT_TRUE(progress.Continue(42, 100));
    }
    const std::string first = "Simulazione in corso… 5%";
    const std::string second = "Simulazione in corso… 42%";
    EXPECT_EQ(out.str(),
              "\r" + first + "\r" + second + "\r" + std::string(second.size(), ' ') + "\r");
}

TEST(TerminalProgress, AShorterLineCoversTheLongerOne) {
    Clock::time_point now{};
    std::ostringstream out;
    TerminalProgress progress(out, [&] { return now; });
    now += 1s;
    progress.Continue(100, 100);
    out.str("");
    now += 1s;
    progress.Continue(0, 0);  // no total: 0 %
    const std::string shorter = "Simulazione in corso… 0%";
    EXPECT_EQ(out.str(), "\r" + shorter + "  \r" + shorter);
    out.str("");
    progress.Finish();
    progress.Finish();
    EXPECT_EQ(out.str(), "\r" + std::string(shorter.size() + 2, ' ') + "\r");
}

}  // namespace
}  // namespace stepdown::cli
