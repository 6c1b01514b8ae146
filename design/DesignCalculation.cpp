#include "design/DesignCalculation.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "model/VerificationFields.h"

namespace stepdown {
namespace {

consteval const Quantity& Design(std::string_view key) { return Row(QuantityGroup::Design, key); }

constexpr NumericField kVi = FieldOf(Design("vi"));
constexpr NumericField kVo = FieldOf(Design("vo"));
constexpr NumericField kF = FieldOf(Design("f"));
constexpr NumericField kRipple = FieldOf(Design("ripple"));
constexpr NumericField kDeltaVo = FieldOf(Design("dvo"));
constexpr NumericField kIo = FieldOf(Design("io"));

// The order of the character checks; the range checks read in another order.
constexpr std::array kCheckOrder{kVi, kVo, kF, kRipple, kDeltaVo, kIo};

void WriteVerificationField(Module1& module, MainWindowOperations& window, std::string_view textBox,
                            double value) {
    module.ResultText = FormatForField(value);
    window.SetText(textBox, module.ResultText);
    window.SetTextColour(textBox, kBlue);
    module.LastDesign->fieldTexts.emplace_back(textBox, module.ResultText);
}

}  // namespace

void DesignCalculation(Module1& m, MainWindowOperations& window) {
    for (const NumericField& field : kCheckOrder)
        if (!m.CheckField(window, field)) return;

    std::optional<double> value;
    if (!(value = m.ReadNumber(window, kVi))) return;
    m.Vi = *value;
    if (!(m.Vi > 0)) return m.Refuse(window, Design("vi").refusal);

    if (!(value = m.ReadNumber(window, kVo))) return;
    m.Vo = *value;
    if (!(m.Vo > 0 && m.Vo <= m.Vi)) return m.Refuse(window, Design("vo").refusal);

    if (!(value = m.ReadNumber(window, kF))) return;
    m.f = *value * Design("f").toSI;
    if (!(m.f > 0)) return m.Refuse(window, Design("f").refusal);

    if (!(value = m.ReadNumber(window, kDeltaVo))) return;
    m.DeltaVo = *value * Design("dvo").toSI;
    if (!(m.DeltaVo > 0)) return m.Refuse(window, Design("dvo").refusal);

    if (!(value = m.ReadNumber(window, kIo))) return;
    m.Io = *value;
    if (!(m.Io >= 0)) return m.Refuse(window, Design("io").refusal);

    if (!(value = m.ReadNumber(window, kRipple))) return;
    m.DeltaiL = (*value * m.Io) / 100;
    if (!(m.DeltaiL > 0)) return m.Refuse(window, Design("ripple").refusal);

    // With Vo = Vi the inductance is zero and the capacitance 0/0.
    if (m.Vo == m.Vi) return m.Refuse(window, kVoEqualsViMessage);

    m.L = ((m.Vi - m.Vo) * m.Vo * 1e6) / (m.f * m.Vi * m.DeltaiL);
    m.C = ((m.Vi - m.Vo) * m.Vo * 1e12) / (m.f * m.f * 8 * m.L * m.Vi * m.DeltaVo);
    m.IDP = m.DeltaiL / 2 + m.Io;
    m.D = m.Vo / m.Vi;
    m.IDm = (1 - m.D) * m.Io;
    m.Iim = m.D * m.Io;
    m.RL = m.Vo / m.Io;

    // Extreme inputs can overflow or divide by zero; nothing of such a
    // result may reach the window. D lies within 0..1 once Vo passed.
    for (const double shown : {m.L, m.C, m.IDP, m.IDm, m.Iim, m.f, m.RL})
        if (!std::isfinite(shown)) return m.Refuse(window, kResultNotFiniteMessage);

    m.LastDesign = DesignRecord{m.DeltaiL, m.DeltaVo, m.IDP, m.IDm, m.Iim, m.Vo, m.Vi,
                                m.f,       m.Io,      m.L,   m.C,   m.D,   m.RL, {}};
    const std::string separator = window.DecimalSeparator();
    for (const DesignFigure& figure : kDesignFigures)
        if (!figure.label.empty())
            window.SetCaption(figure.label,
                              FormatScientific((*m.LastDesign).*figure.value, 2, separator));

    WriteVerificationField(m, window, "Text7", m.Vi);
    WriteVerificationField(m, window, "Text12", m.f / 1000);
    WriteVerificationField(m, window, "Text8", m.D * 100);
    WriteVerificationField(m, window, "Text9", m.L);
    WriteVerificationField(m, window, "Text10", m.C);
    WriteVerificationField(m, window, "Text11", m.RL);
}

}  // namespace stepdown
