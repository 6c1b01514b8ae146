#include "control/LoopCsv.h"

#include <cmath>
#include <initializer_list>

#include "common/TextFormat.h"

namespace stepdown {
namespace {

// The values of one row, separated by commas and ended.
void AppendRow(std::string& csv, std::initializer_list<double> values) {
    bool first = true;
    for (const double value : values) {
        if (!first) csv += ',';
        first = false;
        if (std::isfinite(value))
            AppendRoundTripText(csv, value);
        else
            csv += "null";
    }
    csv += '\n';
}

}  // namespace

std::string BodeCsv(const LoopAnalysis& a) {
    std::string csv = "f_Hz,T_dB,T_deg,Gvd_dB,Gvd_deg,Gc_dB,Gc_deg\n";
    for (std::size_t k = 0; k < a.f.size(); ++k)
        AppendRow(csv, {a.f[k], a.T.magDb[k], a.T.phaseDeg[k], a.Gvd.magDb[k], a.Gvd.phaseDeg[k],
                        a.Gc.magDb[k], a.Gc.phaseDeg[k]});
    return csv;
}

std::string StepCsv(const TransientResult& transient) {
    std::string csv = "t_s,iL_A,vo_V,vc_V\n";
    for (const TracePoint& p : transient.trace) AppendRow(csv, {p.t, p.iL, p.vo, p.vc});
    return csv;
}

}  // namespace stepdown
