#include "control/LoopAssembly.h"

#include "control/CurrentMode.h"
#include "control/PeriodMultipliers.h"
#include "model/FieldRules.h"
#include "model/QuantityReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace stepdown {

namespace {

// A value the loop can compute with: finite and normal. Below the smallest
// normal double the digits are lost, and what is built on it overflows.
bool Computable(double x) { return std::isnormal(x); }

// The key to name for a result that is not computable: the first of `keys`
// given with a value that is not, or else `otherwise`.
std::string_view CulpritOf(const ControlValues& v, std::initializer_list<std::string_view> keys,
                           std::string_view otherwise) {
    for (const std::string_view key : keys)
        if (const std::optional<double> value = v.*ControlFieldNamed(key)->value;
            value && !Computable(*value))
            return key;
    return otherwise;
}

}  // namespace

Modulator ModulatorOf(const ControlValues& v) {
    Modulator m{*v.vref, *v.vramp, v.vcmax.value_or(kVcmaxPerVramp * *v.vramp), *v.dmax};
    m.control = v.control;
    return m;
}

void SetUpCurrentMode(const ControlValues& v, const std::optional<TransientRequest>& request,
                      LoopCircuit& loop) {
    Modulator& m = loop.modulator;
    if (m.control != ControlMethod::PeakCurrent) return;
    m.Ri = *v.ri;
    m.tblank = *v.tblank;
    const LoopOperatingPoint op = AveragedOperatingPoint(loop);
    const CurrentModeFigures slopes = CurrentModeAt(loop, op);
    m.rampChosen = !v.se;
    m.Se = v.se ? *v.se : RampForUnitQ(slopes.Sn, op.D);
    double heaviest = loop.circuit.RL;
    if (request && request->rl2) heaviest = std::min(heaviest, *request->rl2);
    m.limitChosen = !v.ilim;
    m.Ilim = v.ilim ? *v.ilim : DefaultCurrentLimit(op.Vo / heaviest, slopes.ripple);
    m.Vcmax = m.Ri * m.Ilim;
}

std::optional<double> DividerRb(const ControlValues& v, double vo) {
    if (v.rb) return *v.rb;
    if (!(vo > *v.vref)) return std::nullopt;
    return *v.r1 * *v.vref / (vo - *v.vref);
}

NetworkTake TakeNetwork(const ControlValues& v, Compensator& c) {
    c.type = v.type ? static_cast<int>(*v.type) : (v.r3 || v.c3 ? 3 : 2);
    const std::array<std::pair<std::string_view, std::optional<double>>, 5> values{
        {{key::r2, v.r2}, {key::c1, v.c1}, {key::c2, v.c2}, {key::r3, v.r3}, {key::c3, v.c3}}};
    const std::array<double Compensator::*, 5> into{
        &Compensator::R2, &Compensator::C1, &Compensator::C2, &Compensator::R3, &Compensator::C3};
    NetworkTake take;
    take.needed = c.type == 3 ? 5 : 3;
    for (std::size_t k = 0; k < take.needed; ++k) {
        if (values[k].second)
            ++take.given;
        else if (take.firstMissing.empty())
            take.firstMissing = values[k].first;
    }
    if (take.Whole())
        for (std::size_t k = 0; k < take.needed; ++k) c.*into[k] = *values[k].second;
    return take;
}

std::optional<double> CrossoverOf(const ControlValues& v, double f) {
    const double fc = v.fc.value_or(f / 10);
    if (!(fc < f / 2)) return std::nullopt;
    return fc;
}

CompensatorDesign DesignNetwork(const ControlValues& v, const LoopCircuit& loop, double fc) {
    std::optional<int> type;
    if (v.type) type = static_cast<int>(*v.type);
    return DesignCompensator(loop, {fc, *v.pm, type});
}

StepRequest StepRequestOf(const ControlValues& v, bool asked) {
    StepRequest step;
    if (!(asked || *v.tss > 0 || v.rl2 || v.t1 || v.vi2 || v.t2 || v.tend)) return step;
    if (v.rl2.has_value() != v.t1.has_value())
        step.unpaired = v.rl2 ? key::t1 : key::rl2;
    else if (v.vi2.has_value() != v.t2.has_value())
        step.unpaired = v.vi2 ? key::t2 : key::vi2;
    if (!step.unpaired.empty()) return step;
    TransientRequest r{*v.tss, v.rl2, v.t1, v.vi2, v.t2, 0};
    r.tend = v.tend.value_or(DefaultEnd(r));
    if (v.t1 && !(*v.t1 < r.tend))
        step.late = key::t1;
    else if (v.t2 && !(*v.t2 < r.tend))
        step.late = key::t2;
    else
        step.request = r;
    return step;
}

AskedVo AskedOutput(std::string_view voText, double Vi, std::optional<double> D) {
    if (voText.empty()) return {D ? *D * Vi : 0, {}};
    const QuantityReading read = ReadQuantity(Row(QuantityGroup::Design, key::vo), voText);
    if (read.Refused()) return {0, LoopRefusal{key::vo, read.refusal}};
    for (const FieldRule* rule : {&kVoNotAboveVi, &kVoNotAtVi})
        if (std::string why = Broken(*rule, {*read.value, Vi}); !why.empty())
            return {0, LoopRefusal{key::vo, std::move(why)}};
    return {*read.value, {}};
}

LoopSetup SetUpLoop(const CircuitValues& circuit, const PartValues& parts, double vo,
                    const ControlValues& v, LoopAsk ask) {
    LoopSetup setup;
    const auto refuse = [&setup](std::string_view key, std::string sentence) {
        setup.refusal = LoopRefusal{key, std::move(sentence)};
        return setup;
    };
    const StepRequest step = StepRequestOf(v, ask.stepResponse);
    if (!step.unpaired.empty())
        return refuse(step.unpaired,
                      "Il gradino di carico si dà con RL2 e t1, quello di linea con Vi2 e t2!");
    if (!step.late.empty())
        return refuse(step.late, "I gradini devono venire prima della fine tend!");
    setup.request = step.request;
    setup.askedVo = vo;
    LoopCircuit& loop = setup.loop;
    loop.circuit = circuit;
    loop.parts = parts;
    loop.modulator = ModulatorOf(v);
    Compensator& c = loop.compensator;
    c.R1 = *v.r1;
    const std::optional<double> rb = DividerRb(v, vo);
    if (!rb)
        return refuse(key::vo,
                      "La tensione di uscita Vo deve essere maggiore della tensione di "
                      "riferimento Vref: abbassa Vref o scrivi Rb!");
    c.Rb = *rb;
    if (!Computable(c.Rb) || !Computable(loop.modulator.Vref * (1 + c.R1 / c.Rb)))
        return refuse(CulpritOf(v, {key::vref, key::r1, key::rb}, v.rb ? key::rb : key::vref),
                      std::string(kDividerLost));
    const Modulator& m = loop.modulator;
    if (m.control == ControlMethod::Voltage &&
        !(Computable(1 / m.Vramp) && Computable(circuit.Vi / m.Vramp)))
        return refuse(key::vramp, std::string(kRampGainLost));
    SetUpCurrentMode(v, setup.request, loop);
    if (m.control == ControlMethod::PeakCurrent &&
        !(Computable(1 / m.Ri) && Computable(m.Vcmax) && std::isfinite(m.Se)))
        return refuse(key::ri, std::string(kSenseLost));
    // A network given or designed: every value computable, or the loop is refused.
    const auto computable = [&c] {
        for (const double x : {c.R2, c.C1, c.C2})
            if (!Computable(x)) return false;
        return c.type != 3 || (Computable(c.R3) && Computable(c.C3));
    };
    // With every value normal the network's scale is R1's, unless the
    // modulator's gain has been moved from its start.
    const std::string_view gain = m.control == ControlMethod::PeakCurrent ? key::ri : key::vramp;
    const ControlField& gainField = *ControlFieldNamed(gain);
    const std::string_view scale =
        *(v.*gainField.value) != StartValue(*gainField.row) ? gain : key::r1;
    const auto networkLost = [&] {
        const std::string_view culprit = CulpritOf(
            v, {key::r1, key::vramp, key::ri, key::r2, key::c1, key::c2, key::r3, key::c3}, scale);
        return refuse(culprit, std::string(kNetworkLost) +
                                   std::string(ControlFieldNamed(culprit)->row->subject) + "!");
    };
    const NetworkTake network = TakeNetwork(v, c);
    if (network.Partial() && !ask.redesign)
        return refuse(network.firstMissing,
                      c.type == 3 ? "Il compensatore di tipo III si dà con R2, R3, C1, C2 e C3, "
                                    "oppure si lasciano vuoti e si progetta!"
                                  : "Il compensatore di tipo II si dà con R2, C1 e C2, oppure si "
                                    "lasciano vuoti e si progetta!");
    if (network.Whole() && !ask.redesign) return computable() ? setup : networkLost();
    const std::optional<double> fc = CrossoverOf(v, circuit.f);
    if (!fc)
        return refuse(key::fc, "La frequenza di attraversamento fc deve essere minore di f/2!");
    CompensatorDesign design = DesignNetwork(v, loop, *fc);
    if (!design.compensator) return refuse("", std::move(design.refusal));
    c = *design.compensator;
    if (!computable()) return networkLost();
    setup.designedFor = CompensatorTargets{*fc, *v.pm, {}};
    return setup;
}

LoopAnalysis AnalyseLoopFor(const LoopCircuit& loop,
                            const std::optional<CompensatorTargets>& designedFor,
                            ProgressReporter* progress) {
    LoopAnalysis analysis = AnalyseLoop(loop);
    if (analysis.valid && designedFor)
        if (auto missed = MissedTargets(*designedFor, analysis))
            analysis.warnings.push_back(std::move(*missed));
    // The averaged model cannot tell the oscillation at f/2: the switched loop does.
    if (analysis.valid && loop.modulator.control == ControlMethod::PeakCurrent) {
        analysis.multipliers = ClosedLoopMultipliers(loop, progress);
        if (auto warning = MultiplierWarning(*analysis.multipliers))
            analysis.warnings.push_back(std::move(*warning));
    }
    return analysis;
}

}  // namespace stepdown
