#include "simulation/Simulation.h"

#include <cmath>
#include <vector>

#include "design/DesignCalculation.h"
#include "simulation/ConverterLoop.h"
#include "simulation/Figures.h"
#include "simulation/Plot.h"

namespace stepdown {
namespace {

bool SamplesFinite(const std::vector<double>& wave, std::int32_t N) {
    for (std::int32_t i = 1; i <= N; ++i)
        if (!std::isfinite(wave[static_cast<std::size_t>(i)])) return false;
    return true;
}

bool ConductionContinuous(const std::vector<double>& iL, std::int32_t N) {
    for (std::int32_t i = 1; i <= N; ++i)
        if (!(iL[static_cast<std::size_t>(i)] > 0)) return false;
    return true;
}

}  // namespace

std::shared_ptr<const SimulationRun> SnapshotRun(const Module1& m) {
    auto run = std::make_shared<SimulationRun>();
    run->f = m.f;
    run->NP = m.NP;
    run->N = m.N;
    run->TimeStep = m.TimeStep;
    run->WaveIL = m.WaveIL;
    run->WaveVo = m.WaveVo;
    run->WaveIC = m.WaveIC;
    run->WaveVd = m.WaveVd;
    run->WaveId = m.WaveId;
    return run;
}

SimulationOutcome SimulateConverter(Module1& m, MessageDisplay& messages,
                                    WaveformWindowOperations& window, ProgressReporter& progress) {
    const std::int32_t N = m.N;
    if (N < 1 || N > kMaxSamplesPerPeriod || !SwitchOnSteps(N, m.D))
        return SimulationOutcome::InvalidSettings;

    PreparePlot(window);

    m.TimeStep = 1 / m.f / N;
    const auto size = static_cast<std::size_t>(N) + 2;
    m.WaveIL = std::vector<double>(size, 0.0);
    m.WaveVo = std::vector<double>(size, 0.0);
    m.WaveIC = std::vector<double>(size, 0.0);
    m.WaveVd = std::vector<double>(size, 0.0);
    m.WaveId = std::vector<double>(size, 0.0);

    const CircuitInputs inputs{m.Vi, m.D, m.TimeStep, m.L, m.C, m.RL, N};
    const WaveArrays arrays{m.WaveIL.data(), m.WaveVo.data(), m.WaveIC.data(), m.WaveVd.data(),
                            m.WaveId.data()};
    const LoopResult loop = SimulatePeriods(inputs, m.NI, arrays, progress);

    if (loop.end == LoopEnd::Cancelled) {
        window.SetShownRun(nullptr);
        return SimulationOutcome::Cancelled;
    }
    if (loop.end == LoopEnd::NotFinite || !SamplesFinite(m.WaveIL, N) ||
        !SamplesFinite(m.WaveVo, N) || !SamplesFinite(m.WaveIC, N) || !SamplesFinite(m.WaveVd, N) ||
        !SamplesFinite(m.WaveId, N)) {
        window.SetShownRun(nullptr);
        m.Refuse(messages, kUnstableMessage);
        return SimulationOutcome::Unstable;
    }

    std::shared_ptr<const SimulationRun> run = SnapshotRun(m);
    if (!ConductionContinuous(m.WaveIL, N)) {
        window.SetShownRun(std::move(run));
        m.Refuse(messages, kConductionMessage);
        return SimulationOutcome::ConductionRefused;
    }

    m.FindMaxIL();
    m.FindMinIL();
    m.FindMaxIC();
    m.FindMaxVo();
    m.FindMinVo();
    m.FindMaxVd();

    const MeasuredFigures figures = MeasureFigures(m);
    if (!AllFinite(figures)) {
        window.SetShownRun(nullptr);
        m.Refuse(messages, kResultNotFiniteMessage);
        return SimulationOutcome::FiguresOverflow;
    }
    StoreFigures(m, figures);

    DrawWaveforms(m, window);
    window.SetShownRun(std::move(run));
    return SimulationOutcome::Completed;
}

}  // namespace stepdown
