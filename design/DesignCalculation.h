#pragma once
// The design of the step-down stage from its requirements, and the example
// data that fills the design fields.

#include <optional>
#include <string>

#include "model/FieldRules.h"
#include "model/InputTexts.h"
#include "model/Module1.h"

namespace stepdown {

// The design from the texts of the design group, as "Calcola" computes it for
// every front end: checks them, converts and range-checks them into
// `module`, and records the design with the texts of Vi, f, D, L, C, RL that
// the verification fields get. The first failure tells one message to
// `messages` and gives null; otherwise the design (module.LastDesign).
const DesignRecord* DesignFromTexts(Module1& module, const InputTexts& texts,
                                    MessageDisplay& messages);

// The design as a value, for whoever needs its results but no window's
// quantities: the same checks in the same order on a scratch Module1, and
// the design or the one message that refuses it.
struct DesignOutcome {
    std::optional<DesignRecord> design;
    std::string refusal;  // empty when there is a design
};
DesignOutcome DesignOf(const InputTexts& texts);

// The verification fields' texts the design recorded, into `texts`.
void WriteVerificationTexts(const DesignRecord& design, InputTexts& texts);

// The click of "Calcola L , C , IDP, IDm , Iim": the design from the
// window's texts, then L, C, IDP, IDm, Iim in the result labels and Vi, f, D,
// L, C, RL in the verification fields in blue.
void DesignCalculation(Module1& module, MainWindowOperations& window);

// The click of "Dati Esempio": the worked example into the design fields.
void ExampleData(MainWindowOperations& window);

// One result of the design, described once for every output: its name in
// the command's text and JSON, the report's caption, its unit in the text
// (shown as value x textScale; the JSON keeps the recorded value) and
// whether it is one of the results "Calcola" shows (D and RL only go into
// the verification fields).
struct DesignFigure {
    std::string_view name;
    std::string_view caption;
    std::string_view unit;
    double textScale;
    double DesignRecord::*value;
    bool result;
};

inline constexpr DesignFigure kDesignFigures[] = {
    {"L", "Induttanza L", "uH", 1, &DesignRecord::L, true},
    {"C", "Capacità C", "uF", 1, &DesignRecord::C, true},
    {"IDP", "Corrente di picco nel diodo IDP", "A", 1, &DesignRecord::IDP, true},
    {"IDm", "Corrente media nel diodo IDm", "A", 1, &DesignRecord::IDm, true},
    {"Iim", "Corrente media in ingresso Iim", "A", 1, &DesignRecord::Iim, true},
    {"D", "Duty cycle D", "%", 100, &DesignRecord::D, false},
    {"RL", "Resistenza di carico RL", "ohm", 1, &DesignRecord::RL, false},
};

// Messages of the checks the program adds to the design calculation.
inline constexpr std::string_view kVoEqualsViMessage = kVoNotAtVi.sentence;
inline constexpr std::string_view kResultNotFiniteMessage =
    "Con questi dati i risultati non sono numeri rappresentabili: "
    "controlla i valori inseriti!";
inline constexpr std::string_view kResultUnderflowMessage =
    "Con questi dati i risultati sono troppo piccoli per essere rappresentati: "
    "controlla i valori inseriti!";

}  // namespace stepdown
