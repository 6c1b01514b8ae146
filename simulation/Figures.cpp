#include "simulation/Figures.h"

#include <cmath>

namespace stepdown {

MeasuredFigures MeasureFigures(const Module1& m) {
    MeasuredFigures figures;
    figures.SimDeltaiL = m.MaxIL - m.MinIL;
    figures.SimIDP = m.MaxIL;
    figures.SimDeltaVo = (m.MaxVo - m.MinVo) * 1000;

    const std::int32_t N = m.N;
    const double* const iL = m.WaveIL.data();
    const double* const id = m.WaveId.data();
    double S = 0.0;
    for (std::int32_t i = 1; i <= N; ++i) S = m.TimeStep * id[i] + S;
    figures.SimIDm = m.f * S;

    S = 0.0;
    for (std::int32_t i = 1; i <= N; ++i) S = (iL[i] - id[i]) * m.TimeStep + S;
    figures.SimIim = m.f * S;
    return figures;
}

bool AllFinite(const MeasuredFigures& figures) {
    return std::isfinite(figures.SimDeltaiL) && std::isfinite(figures.SimIDP) &&
           std::isfinite(figures.SimDeltaVo) && std::isfinite(figures.SimIDm) &&
           std::isfinite(figures.SimIim);
}

void StoreFigures(Module1& m, const MeasuredFigures& figures) {
    m.SimDeltaiL = figures.SimDeltaiL;
    m.SimIDP = figures.SimIDP;
    m.SimDeltaVo = figures.SimDeltaVo;
    m.SimIDm = figures.SimIDm;
    m.SimIim = figures.SimIim;
}

}  // namespace stepdown
