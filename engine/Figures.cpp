#include "engine/Figures.h"

#include <cmath>

namespace stepdown {

MeasuredFigures MeasureFigures(const FigureInputs& in) {
    MeasuredFigures figures;
    figures.SimDeltaiL = in.MaxIL - in.MinIL;
    figures.SimIDP = in.MaxIL;
    figures.SimDeltaVo = (in.MaxVo - in.MinVo) * 1000;

    double S = 0.0;
    for (std::int32_t i = 1; i <= in.N; ++i) S = in.TimeStep * in.id[i] + S;
    figures.SimIDm = in.f * S;

    S = 0.0;
    for (std::int32_t i = 1; i <= in.N; ++i) S = (in.iL[i] - in.id[i]) * in.TimeStep + S;
    figures.SimIim = in.f * S;
    return figures;
}

MeasuredFigures MeasureFigures(const Module1& m) {
    return MeasureFigures(FigureInputs{m.MaxIL, m.MinIL, m.MaxVo, m.MinVo, m.TimeStep, m.f, m.N,
                                       m.WaveIL.data(), m.WaveId.data()});
}

double MeanOutputVoltage(const double* Vo, std::int32_t N, double TimeStep, double f) {
    double S = 0.0;
    for (std::int32_t i = 1; i <= N; ++i) S = TimeStep * Vo[i] + S;
    return f * S;
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
