#include "control/LoopAssembly.h"

#include <array>
#include <utility>

namespace stepdown {

Modulator ModulatorOf(const ControlValues& v) {
    return {*v.vref, *v.vramp, v.vcmax.value_or(1.2 * *v.vramp), *v.dmax};
}

std::optional<double> DividerRb(const ControlValues& v, double vo) {
    if (v.rb) return *v.rb;
    if (!(vo > *v.vref)) return std::nullopt;
    return *v.r1 * *v.vref / (vo - *v.vref);
}

NetworkTake TakeNetwork(const ControlValues& v, Compensator& c) {
    c.type = v.type ? static_cast<int>(*v.type) : (v.r3 || v.c3 ? 3 : 2);
    const std::array<std::pair<std::string_view, std::optional<double>>, 5> values{
        {{"r2", v.r2}, {"c1", v.c1}, {"c2", v.c2}, {"r3", v.r3}, {"c3", v.c3}}};
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

StepRequest StepRequestOf(const ControlValues& v) {
    StepRequest step;
    if (!(*v.tss > 0 || v.rl2 || v.t1 || v.vi2 || v.t2)) return step;
    step.unpaired = v.rl2.has_value() != v.t1.has_value() || v.vi2.has_value() != v.t2.has_value();
    if (step.unpaired) return step;
    TransientRequest r{*v.tss, v.rl2, v.t1, v.vi2, v.t2, 0};
    r.tend = v.tend.value_or(DefaultEnd(r));
    step.late = (v.t1 && !(*v.t1 < r.tend)) || (v.t2 && !(*v.t2 < r.tend));
    if (!step.late) step.request = r;
    return step;
}

}  // namespace stepdown
