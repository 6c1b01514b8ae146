#pragma once
// The loop's results as figures, described once for every output: the
// margins, with one wording where the loop gives none, and the current
// loop's slopes, shown in V/µs.

#include <array>

#include "common/Figure.h"
#include "control/LoopAnalysis.h"

namespace stepdown {

// Each in its own gender: "nessuna" frequenza, "nessuno" margine.
inline constexpr std::string_view kNoCrossover = "nessuna";
inline constexpr std::string_view kNoMargin = "nessuno";

// fc, the phase margin, the gain margin.
inline std::array<Figure, 3> MarginFigures(const LoopAnalysis& a) {
    return {{
        {"fc", "Frequenza di attraversamento fc", "fc", "Hz", 1, kNoCrossover, a.fc},
        {"phaseMargin", "Margine di fase", "margine di fase", "°", 1, kNoMargin, a.phaseMargin},
        {"gainMargin", "Margine di guadagno", "margine di guadagno", "dB", 1, kNoMargin,
         a.gainMargin},
    }};
}

// Sn, Se, the critical Se: V/s in the JSON, V/µs shown.
inline std::array<Figure, 3> SlopeFigures(const CurrentModeFigures& k) {
    return {{
        {"Sn", "Pendenza della corrente misurata Sn", "Sn", "V/µs", 1e-6, {}, k.Sn},
        {"Se", "Rampa di compensazione Se", "Se", "V/µs", 1e-6, {}, k.Se},
        {"seCritical",
         "Rampa critica del solo anello di corrente",
         "Se critica",
         "V/µs",
         1e-6,
         {},
         k.seCritical},
    }};
}

// C1, C2, C3 (none in Type II): F in the JSON, nF shown as in the fields.
inline std::array<Figure, 3> CapacitorFigures(const Compensator& c) {
    const bool three = c.type == 3;
    return {{
        {"C1", "C1", "C1", "nF", 1e9, {}, c.C1},
        {"C2", "C2", "C2", "nF", 1e9, {}, c.C2},
        {"C3", "C3", "C3", "nF", 1e9, {}, three ? std::optional<double>(c.C3) : std::nullopt},
    }};
}

}  // namespace stepdown
