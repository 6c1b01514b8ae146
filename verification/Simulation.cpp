#include "verification/Simulation.h"

#include <cmath>
#include <vector>

#include "design/DesignCalculation.h"
#include "engine/ConverterLoop.h"
#include "engine/Figures.h"
#include "realparts/RealParts.h"
#include "steadystate/SteadyState.h"

namespace stepdown {
namespace {

bool ConductionContinuous(const std::vector<double>& iL, std::int32_t N) {
    for (std::int32_t i = 1; i <= N; ++i)
        if (!(iL[static_cast<std::size_t>(i)] > 0)) return false;
    return true;
}

std::shared_ptr<SimulationRun> CopyRun(const Module1& m) {
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

RunAnalysis AnalyseCompletedRun(const Module1& m, const SteadyState& steady, LoopResult loop,
                                const MeasuredFigures& figures) {
    RunAnalysis analysis;
    analysis.repeatPeriod = loop.repeatPeriod;
    analysis.cycleLength = loop.cycleLength;
    analysis.startup = loop.startup;
    analysis.envelope = std::move(loop.envelope);
    analysis.last = figures;
    analysis.lastMeanVo = MeanOutputVoltage(m.WaveVo.data(), m.N, m.TimeStep, m.f);
    analysis.steady = steady;
    analysis.verdict = JudgeRun(analysis.steady, figures, loop.end == LoopEnd::Repeated);
    return analysis;
}

}  // namespace

std::string ConductionDuringStartupMessage(std::int32_t NI, std::int64_t periods) {
    std::string message(kConductionMessage);
    message += "\nDopo " + std::to_string(NI) +
               " periodi la simulazione però non ha ancora raggiunto il regime, nel quale la "
               "corrente nell'induttore resta positiva";
    if (periods > kLargestNI)
        return message +
               ", ma il transitorio è così lento che nemmeno il massimo NI, 2147483647 periodi, "
               "basta a raggiungerlo.";
    return message + ". Aumenta NI ad almeno " + std::to_string(periods) + ".";
}

bool SimulationSettingsValid(const Module1& m) {
    return m.N >= 1 && m.N <= kMaxSamplesPerPeriod && SwitchOnSteps(m.N, m.D);
}

SimulationResult SimulateConverter(Module1& m, ProgressReporter& progress,
                                   const DesignRecord* design, TextList launchTexts) {
    if (!SimulationSettingsValid(m)) return {};
    const std::int32_t N = m.N;

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
    // The steady-state period runs in the arrays first: a period writes every
    // index but 0 from its start state alone, so the run from rest then
    // leaves them exactly as fresh ones would.
    const SteadyState steady = FindSteadyState(inputs, m.f, arrays);
    m.WaveIL[1] = 0.0;
    m.WaveVo[1] = 0.0;
    LoopResult loop = SimulatePeriods(inputs, m.NI, arrays, progress);

    if (loop.end == LoopEnd::Cancelled) return {SimulationOutcome::Cancelled, nullptr, {}};
    // A non-finite value stays so to the period's end, but for the capacitor
    // current of the last step (and its copy at sample 1): its overflow
    // (Vo / RL) reaches the other arrays only at the dropped index N + 1.
    if (loop.end == LoopEnd::NotFinite || !std::isfinite(m.WaveIC[static_cast<std::size_t>(N)])) {
        return {SimulationOutcome::Unstable, nullptr, std::string(kUnstableMessage)};
    }

    if (!ConductionContinuous(m.WaveIL, N)) {
        std::shared_ptr<SimulationRun> run = CopyRun(m);
        run->launchTexts = std::move(launchTexts);
        // A run refused during its start-up says how long the start-up lasts.
        const std::int64_t periods =
            PeriodsToAdviseAfterRefusal(steady, m.NI, loop.end == LoopEnd::Repeated);
        return {SimulationOutcome::ConductionRefused, std::move(run),
                periods == 0 ? std::string(kConductionMessage)
                             : ConductionDuringStartupMessage(m.NI, periods)};
    }

    m.FindMaxIL();
    m.FindMinIL();
    m.FindMaxIC();
    m.FindMaxVo();
    m.FindMinVo();
    m.FindMaxVd();

    const MeasuredFigures figures = MeasureFigures(m);
    if (!AllFinite(figures)) {
        return {SimulationOutcome::FiguresOverflow, nullptr, std::string(kResultNotFiniteMessage)};
    }
    StoreFigures(m, figures);

    RunAnalysis analysis = AnalyseCompletedRun(m, steady, std::move(loop), figures);
    if (design != nullptr) {
        analysis.design = *design;
        if (steady.Exists() && std::fabs(steady.meanVo - design->Vo) > kDesignVoMiss * design->Vo)
            analysis.designVoDuty =
                DutyForTarget({m.Vi, m.D, m.f, m.L, m.C, m.RL}, PartValues{}, design->Vo);
    }

    std::shared_ptr<SimulationRun> run = CopyRun(m);
    run->analysis = std::move(analysis);
    run->launchTexts = std::move(launchTexts);
    return {SimulationOutcome::Completed, std::move(run), {}};
}

}  // namespace stepdown
