#include "waveformview/CursorReadout.h"

#include <cmath>
#include <vector>

#include "engine/Extremes.h"
#include "model/Conversions.h"

namespace stepdown {
namespace {

struct ReadoutRow {
    std::vector<double> SimulationRun::*wave;
    double offset;
    double divisor;
    std::string_view timePrefix;
    std::string_view name;
    std::string_view unit;
};

const ReadoutRow kRows[] = {
    {&SimulationRun::WaveIL, 80, 18, "t= ", "iL(t) = ", "A"},
    {&SimulationRun::WaveIC, 70, 6, "t= ", "iC(t) = ", "A"},
    {&SimulationRun::WaveVo, 40, 18, "t= ", "Vo(t) = ", "V"},
    {&SimulationRun::WaveVd, 20, 18, "t = ", "Vd(t) = ", "V"},
    {&SimulationRun::WaveId, 0.1, 18, "t = ", "id(t) = ", "A"},
};

// The band's option, 0 below the lowest band; the bounds are single
// precision like the pointer position.
int BandOption(float y) {
    if (y >= 80.0F) return 1;
    if (y >= 60.0F) return 2;
    if (y >= 40.0F) return 3;
    if (y >= 19.0F) return 4;
    if (y >= 0.1F) return 5;
    return 0;
}

}  // namespace

ReadoutResult CursorReadout(const SimulationRun* run, int selectedOption, float x, float y,
                            std::string_view separator) {
    ReadoutResult result;
    const int band = BandOption(y);
    result.selectedOption = band != 0 ? band : selectedOption;
    if (run == nullptr || result.selectedOption < 1 || result.selectedOption > 5) return result;

    const ReadoutRow& row = kRows[result.selectedOption - 1];
    const std::vector<double>& wave = run->*row.wave;
    if (!ScanFits(wave, run->N)) return result;

    const double t = ((static_cast<double>(x) / 100) * run->NP * 1000000) / run->f;
    // A frequency near the bottom of the double range puts the time beyond
    // it; such a time has no "0.00" text, so the tooltip keeps its text.
    if (!std::isfinite(t)) return result;
    const double maximum = MaxMagnitudeScan(wave, run->N);
    const double Y = y;
    double v = (Y - row.offset) * maximum / row.divisor;
    // Only a maximum near the top of the double range overflows the product.
    if (!std::isfinite(v)) v = (Y - row.offset) / row.divisor * maximum;

    std::string text(row.timePrefix);
    text += FormatFixed2(t, separator);
    text += "usec";
    text += " ; ";
    text += row.name;
    text += FormatScientific(v, 2, separator);
    text += row.unit;
    result.toolTip = std::move(text);
    return result;
}

}  // namespace stepdown
