#pragma once
// The final simulated period as comma-separated text, shared by the
// command-line tool and the waveform window's export: a header row, then one
// row per sample 1..N with the sample's time and the five waveforms.

#include <ostream>
#include <string>
#include <string_view>

#include "common/TextFormat.h"
#include "verification/SimulationRun.h"

namespace stepdown {

// The header row, without its line end. The time column is in microseconds.
inline constexpr std::string_view kWaveformCsvHeader = "t_us,iL_A,iC_A,Vo_V,Vd_V,id_A";

// Writes the header and, for i = 1..N, the row
//   i x TimeStep x 1e6, iL[i], iC[i], Vo[i], Vd[i], id[i]
// each number in RoundTripText form, lines ended by "\n". Only samples that
// all five arrays hold are written, so a run whose arrays are shorter than N
// gives fewer rows rather than reading past them.
void WriteWaveformCsv(const SimulationRun& run, std::ostream& out);

// The same text as a string.
std::string WaveformCsv(const SimulationRun& run);

// The header row of the start-up envelope, without its line end.
inline constexpr std::string_view kEnvelopeCsvHeader =
    "first_period,last_period,t_start_ms,t_end_ms,iL_max_A,iL_min_A,Vo_max_V,Vo_min_V";

// The envelope of a run from rest: the header and one row per bucket, its
// periods, their span in milliseconds ((first - 1) / f to last / f) and the
// extremes of iL and Vo over them, numbers in RoundTripText form.
void WriteEnvelopeCsv(const RunAnalysis& analysis, double f, std::ostream& out);
std::string EnvelopeCsv(const RunAnalysis& analysis, double f);

}  // namespace stepdown
