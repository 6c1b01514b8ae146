#include "control/LoopStudy.h"

#include "control/LoopAssembly.h"
#include "model/QuantityReader.h"
#include "realparts/RealPartsStudy.h"

namespace stepdown {

LoopSetup SetUpLoopOf(const InputTexts& form, const PartTexts& parts, const ControlTexts& texts,
                      LoopAsk ask) {
    const CircuitReading circuit = ReadCircuitFields(form);
    const PartsReading part = ReadPartTexts(parts);
    const ControlReading control = ReadControlTexts(texts);
    const std::string refusal = !circuit.values ? circuit.message
                                : !part.values  ? part.message
                                                : control.message;
    if (!refusal.empty()) return {LoopRefusal{{}, refusal}, {}, {}, {}};
    const CircuitValues& c = *circuit.values;
    const AskedVo vo = AskedOutput(TextIn(form, Row(QuantityGroup::Design, key::vo)), c.Vi, c.D);
    if (vo.refusal) return {vo.refusal, {}, {}, {}};
    return SetUpLoop(c, *part.values, vo.vo, *control.values, ask);
}

LoopStudy StudyLoop(const InputTexts& form, const PartTexts& parts, const ControlTexts& texts) {
    LoopStudy s;
    LoopSetup setup = SetUpLoopOf(form, parts, texts);
    if (setup.refusal) {
        s.refusal = std::move(setup.refusal->sentence);
        return s;
    }
    s.loop = setup.loop;
    s.askedVo = setup.askedVo;
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
