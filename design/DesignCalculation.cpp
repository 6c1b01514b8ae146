#include "design/DesignCalculation.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <utility>

#include "model/MainWindowBoxes.h"
#include "model/VerificationFields.h"

namespace stepdown {
namespace {

consteval const Quantity& Design(std::string_view key) { return Row(QuantityGroup::Design, key); }

constexpr const Quantity& kVi = Design(key::vi);
constexpr const Quantity& kVo = Design(key::vo);
constexpr const Quantity& kF = Design(key::f);
constexpr const Quantity& kRipple = Design(key::ripple);
constexpr const Quantity& kDeltaVo = Design(key::dvo);
constexpr const Quantity& kIo = Design(key::io);

// The order of the character checks; the range checks read in another order.
constexpr std::array kCheckOrder{&kVi, &kVo, &kF, &kRipple, &kDeltaVo, &kIo};

// The verification fields the design fills, and the value each shows.
void RecordVerificationText(Module1& module, const Quantity& row, double value) {
    module.ResultText = FormatForField(value);
    module.LastDesign->fieldTexts.emplace_back(IdOf(row), module.ResultText);
}

// A range message ends the click.
const DesignRecord* Refused(Module1& module, MessageDisplay& display, std::string_view message) {
    module.Refuse(display, message);
    return nullptr;
}

}  // namespace

const DesignRecord* DesignFromTexts(Module1& m, const InputTexts& texts, MessageDisplay& messages) {
    for (const Quantity* field : kCheckOrder)
        if (!m.CheckField(messages, texts, *field)) return nullptr;

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
    RecordVerificationText(m, kViField, m.Vi);
    RecordVerificationText(m, kFField, m.f / 1000);
    RecordVerificationText(m, kDField, m.D * 100);
    RecordVerificationText(m, kLField, m.L);
    RecordVerificationText(m, kCField, m.C);
    RecordVerificationText(m, kRLField, m.RL);
    return &*m.LastDesign;
}

DesignOutcome DesignOf(const InputTexts& texts) {
    // A refusal ends the checks: the first message is the only one.
    struct FirstMessage final : MessageDisplay {
        std::string text;
        void ShowMessage(const std::string& message) override {
            if (text.empty()) text = message;
        }
    } refusal;
    Module1 scratch;
    DesignOutcome outcome;
    if (const DesignRecord* design = DesignFromTexts(scratch, texts, refusal))
        outcome.design = *design;
    else
        outcome.refusal = std::move(refusal.text);
    return outcome;
}

void WriteVerificationTexts(const DesignRecord& design, InputTexts& texts) {
    for (const auto& [id, text] : design.fieldTexts) texts.insert_or_assign(id, text);
}

void DesignCalculation(Module1& m, MainWindowOperations& window) {
    const DesignRecord* design = DesignFromTexts(m, TextsOf(window), window);
    if (design == nullptr) return;
    const std::string separator = window.DecimalSeparator();
    for (const DesignFigure& figure : kDesignFigures)
        if (const std::string_view label = DesignLabelOf(figure.name); !label.empty())
            window.SetCaption(label, FormatScientific(design->*figure.value, 2, separator));
    for (const auto& [id, text] : design->fieldTexts) {
        const std::string_view box = BoxOf(id);
        window.SetText(box, text);
        window.SetTextColour(box, kBlue);
    }
}

}  // namespace stepdown
