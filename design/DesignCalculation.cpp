#include "design/DesignCalculation.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "model/VerificationFields.h"

namespace stepdown {
namespace {

consteval const Quantity& Design(std::string_view key) { return Row(QuantityGroup::Design, key); }

constexpr NumericField kVi = FieldOf(Design(key::vi));
constexpr NumericField kVo = FieldOf(Design(key::vo));
constexpr NumericField kF = FieldOf(Design(key::f));
constexpr NumericField kRipple = FieldOf(Design(key::ripple));
constexpr NumericField kDeltaVo = FieldOf(Design(key::dvo));
constexpr NumericField kIo = FieldOf(Design(key::io));

// The order of the character checks; the range checks read in another order.
constexpr std::array kCheckOrder{kVi, kVo, kF, kRipple, kDeltaVo, kIo};

// The verification fields the design fills, and the value each shows.
void RecordVerificationText(Module1& module, std::string_view textBox, double value) {
    module.ResultText = FormatForField(value);
    module.LastDesign->fieldTexts.emplace_back(textBox, module.ResultText);
}

// A range message ends the click.
const DesignRecord* Refused(Module1& module, MessageDisplay& display, std::string_view message) {
    module.Refuse(display, message);
    return nullptr;
}

}  // namespace

const DesignRecord* DesignFromTexts(Module1& m, const FormTexts& texts, MessageDisplay& messages) {
    for (const NumericField& field : kCheckOrder)
        if (!m.CheckField(messages, texts, field)) return nullptr;

    std::optional<double> value;
    if (!(value = m.ReadNumber(messages, texts, kVi))) return nullptr;
    m.Vi = *value;
    if (!(m.Vi > 0)) return Refused(m, messages, Design(key::vi).refusal);

    if (!(value = m.ReadNumber(messages, texts, kVo))) return nullptr;
    m.Vo = *value;
    if (!(m.Vo > 0)) return Refused(m, messages, Design(key::vo).refusal);
    if (const std::string why = Broken(kVoNotAboveVi, {m.Vo, m.Vi}); !why.empty())
        return Refused(m, messages, why);

    if (!(value = m.ReadNumber(messages, texts, kF))) return nullptr;
    m.f = *value * Design(key::f).toSI;
    if (!(m.f > 0)) return Refused(m, messages, Design(key::f).refusal);

    if (!(value = m.ReadNumber(messages, texts, kDeltaVo))) return nullptr;
    m.DeltaVo = *value * Design(key::dvo).toSI;
    if (!(m.DeltaVo > 0)) return Refused(m, messages, Design(key::dvo).refusal);

    if (!(value = m.ReadNumber(messages, texts, kIo))) return nullptr;
    m.Io = *value;
    if (!(m.Io >= 0)) return Refused(m, messages, Design(key::io).refusal);

    if (!(value = m.ReadNumber(messages, texts, kRipple))) return nullptr;
    m.DeltaiL = (*value * m.Io) / 100;
    if (!(m.DeltaiL > 0)) return Refused(m, messages, Design(key::ripple).refusal);

    // With Vo = Vi the inductance is zero and the capacitance 0/0.
    if (const std::string why = Broken(kVoNotAtVi, {m.Vo, m.Vi}); !why.empty())
        return Refused(m, messages, why);

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
        if (!std::isfinite(shown)) return Refused(m, messages, kResultNotFiniteMessage);
    // Nor one that underflows: below the smallest normal double the digits
    // are lost, and at zero a part vanishes from the circuit.
    for (const double shown : {m.L, m.C, m.IDP, m.IDm, m.Iim, m.D, m.f, m.RL})
        if (!std::isnormal(shown)) return Refused(m, messages, kResultUnderflowMessage);

    m.LastDesign = DesignRecord{m.DeltaiL, m.DeltaVo, m.IDP, m.IDm, m.Iim, m.Vo, m.Vi,
                                m.f,       m.Io,      m.L,   m.C,   m.D,   m.RL, {}};
    RecordVerificationText(m, kViField.textBox, m.Vi);
    RecordVerificationText(m, kFField.textBox, m.f / 1000);
    RecordVerificationText(m, kDField.textBox, m.D * 100);
    RecordVerificationText(m, kLField.textBox, m.L);
    RecordVerificationText(m, kCField.textBox, m.C);
    RecordVerificationText(m, kRLField.textBox, m.RL);
    return &*m.LastDesign;
}

void WriteVerificationTexts(const DesignRecord& design, FormTexts& texts) {
    for (const auto& [textBox, text] : design.fieldTexts) texts.insert_or_assign(textBox, text);
}

void DesignCalculation(Module1& m, MainWindowOperations& window) {
    const DesignRecord* design = DesignFromTexts(m, TextsOf(window), window);
    if (design == nullptr) return;
    const std::string separator = window.DecimalSeparator();
    for (const DesignFigure& figure : kDesignFigures)
        if (!figure.label.empty())
            window.SetCaption(figure.label, FormatScientific(design->*figure.value, 2, separator));
    for (const auto& [textBox, text] : design->fieldTexts) {
        window.SetText(textBox, text);
        window.SetTextColour(textBox, kBlue);
    }
}

}  // namespace stepdown
