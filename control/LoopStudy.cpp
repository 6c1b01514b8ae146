#include "control/LoopStudy.h"

#include "control/LoopAssembly.h"

namespace stepdown {

LoopStudy StudyLoop(const CircuitValues& circuit, const PartValues& parts, double vo,
                    const ControlTexts& texts) {
    LoopStudy s;
    const ControlReading reading = ReadControlTexts(texts);
    if (!reading.values) {
        s.refusal = reading.message;
        return s;
    }
    const ControlValues& v = *reading.values;
    s.loop.circuit = circuit;
    s.loop.parts = parts;
    s.loop.modulator = ModulatorOf(v);
    Compensator& c = s.loop.compensator;
    c.R1 = *v.r1;
    const std::optional<double> rb = DividerRb(v, vo);
    if (!rb) {
        s.refusal =
            "La tensione di uscita Vo deve essere maggiore della tensione di riferimento Vref!";
        return s;
    }
    c.Rb = *rb;
    const NetworkTake network = TakeNetwork(v, c);
    std::optional<CompensatorTargets> targets;
    if (network.Partial()) {
        s.refusal = "Il compensatore si dà con tutti i suoi valori, o si progetta!";
        return s;
    }
    if (!network.Whole()) {
        const std::optional<double> fc = CrossoverOf(v, circuit.f);
        if (!fc) {
            s.refusal = "La frequenza di attraversamento fc deve essere minore di f/2!";
            return s;
        }
        const CompensatorDesign design = DesignNetwork(v, s.loop, *fc);
        if (!design.compensator) {
            s.refusal = design.refusal;
            return s;
        }
        c = *design.compensator;
        s.designed = true;
        targets = CompensatorTargets{*fc, *v.pm, {}};
    }
    const StepRequest step = StepRequestOf(v);
    if (step.unpaired || step.late) {
        s.refusal = "I gradini si danno con RL2 e t1, Vi2 e t2, prima della fine tend!";
        return s;
    }
    s.request = step.request;
    s.analysis = AnalyseLoop(s.loop);
    if (!s.analysis.valid) {
        s.refusal = s.analysis.refusal;
        return s;
    }
    if (targets)
        if (auto missed = MissedTargets(*targets, s.analysis))
            s.analysis.warnings.push_back(std::move(*missed));
    LoopCircuit rounded = s.loop;
    rounded.compensator = s.standard = RoundedCompensator(c);
    s.standardAnalysis = AnalyseLoop(rounded);
    if (s.request) {
        s.transient = RunRegulated(s.loop, *s.request).result;
        if (!s.transient->refusal.empty()) s.refusal = s.transient->refusal;
    }
    return s;
}

}  // namespace stepdown
