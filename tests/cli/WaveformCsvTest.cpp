// The CSV of the final simulated period, shared by the command and the
// waveform window.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "simulation/WaveformCsv.h"

namespace stepdown {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<double> Row(const std::string& line) {
    std::vector<double> row;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t comma = std::min(line.find(',', start), line.size());
        double value = 0.0;
        const auto result = std::from_chars(line.data() + start, line.data() + comma, value);
        EXPECT_EQ(result.ptr, line.data() + comma) << line;
        row.push_back(value);
        start = comma + 1;
    }
    return row;
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

// Three samples; indices 0 and N+1 hold values that must never be written.
SimulationRun SmallRun() {
    SimulationRun run;
    run.N = 3;
    run.TimeStep = 1.0 / 80000.0 / 3;
    run.WaveIL = {99, 1.1694884327629418, 0.1 + 0.2, 1.5, 99};
    run.WaveIC = {99, -0.30781665853690443, 0.0, -1e-300, 99};
    run.WaveVo = {99, 14.773050912998462, 14.8, 5e-324, 99};
    run.WaveVd = {99, -0.6, 25, -0.6, 99};
    run.WaveId = {99, 1.1694884327629418, 0, 1.5, 99};
    return run;
}

TEST(WaveformCsv, HeaderThenOneRowPerSample) {
    const std::vector<std::string> lines = Lines(WaveformCsv(SmallRun()));
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[0], "t_us,iL_A,iC_A,Vo_V,Vd_V,id_A");
    EXPECT_EQ(lines[2], "8.333333333333334,0.30000000000000004,0,14.8,25,0");
}

TEST(WaveformCsv, RowsReadBackBitForBit) {
    const SimulationRun run = SmallRun();
    const std::vector<std::string> lines = Lines(WaveformCsv(run));
    ASSERT_EQ(lines.size(), 4U);
    for (std::size_t i = 1; i <= 3; ++i) {
        const std::vector<double> row = Row(lines[i]);
        ASSERT_EQ(row.size(), 6U);
        EXPECT_EQ(Bits(row[0]), Bits(static_cast<double>(i) * run.TimeStep * 1e6)) << i;
        EXPECT_EQ(Bits(row[1]), Bits(run.WaveIL[i])) << i;
        EXPECT_EQ(Bits(row[2]), Bits(run.WaveIC[i])) << i;
        EXPECT_EQ(Bits(row[3]), Bits(run.WaveVo[i])) << i;
        EXPECT_EQ(Bits(row[4]), Bits(run.WaveVd[i])) << i;
        EXPECT_EQ(Bits(row[5]), Bits(run.WaveId[i])) << i;
    }
}

TEST(WaveformCsv, StreamAndStringAgree) {
    std::ostringstream out;
    WriteWaveformCsv(SmallRun(), out);
    EXPECT_EQ(out.str(), WaveformCsv(SmallRun()));
    EXPECT_EQ(out.str().back(), '\n');
}

TEST(WaveformCsv, NeverReadsPastTheArrays) {
    SimulationRun run = SmallRun();
    run.WaveVd.resize(3);  // holds samples 1 and 2 only
    EXPECT_EQ(Lines(WaveformCsv(run)).size(), 3U);
    run.N = 0;
    EXPECT_EQ(Lines(WaveformCsv(run)), std::vector<std::string>{"t_us,iL_A,iC_A,Vo_V,Vd_V,id_A"});
    EXPECT_EQ(Lines(WaveformCsv(SimulationRun{})).size(), 1U);
}

TEST(RoundTripText, ShortestForm) {
    EXPECT_EQ(RoundTripText(125), "125");
    EXPECT_EQ(RoundTripText(-0.6), "-0.6");
    EXPECT_EQ(RoundTripText(1.2500000000000001e-08), "1.2500000000000001e-08");
}

}  // namespace
}  // namespace stepdown
