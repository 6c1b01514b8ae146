#include "control/LoopStudy.h"

#include "control/LoopAssembly.h"
#include "model/QuantityReader.h"

namespace stepdown {

double RegulatedVo(const InputTexts& texts, const CircuitValues& circuit) {
    const Quantity& vo = Row(QuantityGroup::Design, key::vo);
    return ReadQuantity(vo, TextIn(texts, vo)).value.value_or(circuit.D * circuit.Vi);
}

LoopStudy StudyLoop(const CircuitValues& circuit, const PartValues& parts, double vo,
                    const ControlTexts& texts) {
    LoopStudy s;
    const ControlReading reading = ReadControlTexts(texts);
    if (!reading.values) {
        s.refusal = reading.message;
        return s;
    }
    LoopSetup setup = SetUpLoop(circuit, parts, vo, *reading.values);
    if (setup.refusal) {
        s.refusal = std::move(setup.refusal->sentence);
        return s;
    }
    s.loop = setup.loop;
    s.askedVo = vo;
    s.designed = setup.designedFor.has_value();
    s.request = setup.request;
    s.analysis = AnalyseLoopFor(s.loop, setup.designedFor);
    if (!s.analysis.valid) {
        s.refusal = s.analysis.refusal;
        return s;
    }
    LoopCircuit rounded = s.loop;
    rounded.compensator = s.standard = RoundedCompensator(s.loop.compensator);
    s.standardAnalysis = AnalyseLoop(rounded);
    if (s.request) {
        s.transient = RunRegulated(s.loop, *s.request).result;
        if (!s.transient->refusal.empty()) s.refusal = s.transient->refusal;
    }
    return s;
}

}  // namespace stepdown
