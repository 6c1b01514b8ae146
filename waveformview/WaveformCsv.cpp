#include "waveformview/WaveformCsv.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "common/TextFormat.h"

namespace stepdown {

void WriteWaveformCsv(const SimulationRun& run, std::ostream& out) {
    out << kWaveformCsvHeader << '\n';
    const std::size_t held = std::min({run.WaveIL.size(), run.WaveIC.size(), run.WaveVo.size(),
                                       run.WaveVd.size(), run.WaveId.size()});
    const std::int64_t last = std::min<std::int64_t>(run.N, static_cast<std::int64_t>(held) - 1);
    std::string line;
    for (std::int64_t i = 1; i <= last; ++i) {
        const auto at = static_cast<std::size_t>(i);
        line.clear();
        AppendRoundTripText(line, static_cast<double>(i) * run.TimeStep * 1e6);
        for (const double sample :
             {run.WaveIL[at], run.WaveIC[at], run.WaveVo[at], run.WaveVd[at], run.WaveId[at]}) {
            line += ',';
            AppendRoundTripText(line, sample);
        }
        line += '\n';
        out << line;
    }
}

std::string WaveformCsv(const SimulationRun& run) {
    std::ostringstream out;
    WriteWaveformCsv(run, out);
    return std::move(out).str();
}

void WriteEnvelopeCsv(const RunAnalysis& analysis, double f, std::ostream& out) {
    out << kEnvelopeCsvHeader << '\n';
    std::string line;
    for (const EnvelopeBucket& bucket : analysis.envelope) {
        line = std::to_string(bucket.firstPeriod) + ',' + std::to_string(bucket.lastPeriod);
        for (const double value :
             {static_cast<double>(bucket.firstPeriod - 1) / f * 1000,
              static_cast<double>(bucket.lastPeriod) / f * 1000, bucket.extremes.maxIL,
              bucket.extremes.minIL, bucket.extremes.maxVo, bucket.extremes.minVo}) {
            line += ',';
            AppendRoundTripText(line, value);
        }
        line += '\n';
        out << line;
    }
}

std::string EnvelopeCsv(const RunAnalysis& analysis, double f) {
    std::ostringstream out;
    WriteEnvelopeCsv(analysis, f, out);
    return std::move(out).str();
}

}  // namespace stepdown
