#include "control/LoopStudy.h"

#include <array>
#include <utility>

#include "control/CompensatorDesign.h"

namespace stepdown {
namespace {

// The network's values the type needs; true when every one is given, and
// `partly` when only some are.
bool TakeNetwork(const ControlValues& v, Compensator& c, bool& partly) {
    c.type = v.type ? static_cast<int>(*v.type) : (v.r3 || v.c3 ? 3 : 2);
    const std::array<std::pair<double Compensator::*, std::optional<double>>, 5> values{
        {{&Compensator::R2, v.r2},
         {&Compensator::C1, v.c1},
         {&Compensator::C2, v.c2},
         {&Compensator::R3, v.r3},
         {&Compensator::C3, v.c3}}};
    const std::size_t needed = c.type == 3 ? 5 : 3;
    std::size_t present = 0;
    for (std::size_t k = 0; k < needed; ++k) present += values[k].second ? 1 : 0;
    partly = present > 0 && present < needed;
    if (present < needed) return false;
    for (std::size_t k = 0; k < needed; ++k) c.*values[k].first = *values[k].second;
    return true;
}

}  // namespace

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
    s.loop.modulator = {*v.vref, *v.vramp, v.vcmax.value_or(1.2 * *v.vramp), *v.dmax};
    Compensator& c = s.loop.compensator;
    c.R1 = *v.r1;
    if (!v.rb && !(vo > *v.vref)) {
        s.refusal =
            "La tensione di uscita Vo deve essere maggiore della tensione di riferimento Vref!";
        return s;
    }
    c.Rb = v.rb ? *v.rb : c.R1 * *v.vref / (vo - *v.vref);
    bool partly = false;
    if (!TakeNetwork(v, c, partly)) {
        if (partly) {
            s.refusal = "Il compensatore si dà con tutti i suoi valori, o si progetta!";
            return s;
        }
        const double fc = v.fc.value_or(circuit.f / 10);
        if (!(fc < circuit.f / 2)) {
            s.refusal = "La frequenza di attraversamento fc deve essere minore di f/2!";
            return s;
        }
        std::optional<int> type;
        if (v.type) type = static_cast<int>(*v.type);
        const CompensatorDesign design = DesignCompensator(s.loop, {fc, *v.pm, type});
        if (!design.compensator) {
            s.refusal = design.refusal;
            return s;
        }
        c = *design.compensator;
        s.designed = true;
    }
    if (*v.tss > 0 || v.rl2 || v.t1 || v.vi2 || v.t2) {
        TransientRequest r{*v.tss, v.rl2, v.t1, v.vi2, v.t2, 0};
        r.tend = v.tend.value_or(DefaultEnd(r));
        const bool paired =
            v.rl2.has_value() == v.t1.has_value() && v.vi2.has_value() == v.t2.has_value();
        const bool inTime = !(v.t1 && !(*v.t1 < r.tend)) && !(v.t2 && !(*v.t2 < r.tend));
        if (!paired || !inTime) {
            s.refusal = "I gradini si danno con RL2 e t1, Vi2 e t2, prima della fine tend!";
            return s;
        }
        s.request = r;
    }
    s.analysis = AnalyseLoop(s.loop);
    if (!s.analysis.valid) {
        s.refusal = s.analysis.refusal;
        return s;
    }
    LoopCircuit rounded = s.loop;
    rounded.compensator = s.standard = RoundedCompensator(c);
    s.standardAnalysis = AnalyseLoop(rounded);
    if (s.request) {
        s.transient = SimulateClosedLoop(s.loop, *s.request);
        if (!s.transient->refusal.empty()) s.refusal = s.transient->refusal;
    }
    return s;
}

}  // namespace stepdown
