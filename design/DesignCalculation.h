#pragma once
// The design of the step-down stage from its requirements, and the example
// data that fills the design fields.

#include "model/Module1.h"

namespace stepdown {

// The click of "Calcola L , C , IDP, IDm , Iim": checks Text1..Text6,
// converts and range-checks them into `module`, shows L, C, IDP, IDm, Iim in
// the result labels and writes Vi, f, D, L, C, RL into the verification
// fields in blue. The first failure shows one message and ends the click.
void DesignCalculation(Module1& module, MainWindowOperations& window);

// The click of "Dati Esempio": the worked example into Text1..Text6.
void ExampleData(MainWindowOperations& window);

// Messages of the checks the program adds to the design calculation.
inline constexpr std::string_view kVoEqualsViMessage =
    "La tensione in uscita non può essere uguale alla tensione in ingresso Vi: "
    "L risulterebbe zero e C indefinita!";
inline constexpr std::string_view kResultNotFiniteMessage =
    "Con questi dati i risultati non sono numeri rappresentabili: "
    "controlla i valori inseriti!";

}  // namespace stepdown
