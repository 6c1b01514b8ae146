#pragma once
// The table of the program's input quantities: one row per quantity a user
// types, in a window's field, a command's option or a design file's key.
// A row says what the quantity is called (its key, which is both the design
// file's key and the command's option; its caption for the windows, the
// report and the help; the words its messages name it by), its unit and the
// factor from that unit to SI, the text its field starts with, and the range
// it must lie in with the words that refuse it. The groups are the design
// file's sections, in the order they are written. Which box of the main
// window holds a row is the window's own business (model/MainWindowBoxes.h).
//
// Adding a quantity: its key in model/InputKeys.h, a row here, then the
// physics that uses its SI value. The typed texts (model/InputTexts.h), the
// design file, the command's options and help and the report's captions
// follow from the row; a main-window box also takes its line in
// model/MainWindowBoxes.h.

#include <array>
#include <span>
#include <string_view>

#include "model/InputKeys.h"
#include "model/LoopQuantities.h"
#include "model/PartQuantities.h"
#include "model/Quantity.h"

namespace stepdown {

// Grouped in the order of QuantityGroup; within a group in the order of the
// design file's keys. The parts' rows are in model/PartQuantities.h and the
// controller's in model/LoopQuantities.h.
inline constexpr Quantity kFormQuantities[] = {
    // "Progetto > dati": the checks and their order are the design click's own.
    {QuantityGroup::Design, key::vi, "Tensione di ingresso Vi", "la tensione di ingresso Vi", "V",
     1, "", kPositive, "La tensione in ingresso non può essere zero o negativa!"},
    {QuantityGroup::Design, key::vo, "Tensione di uscita Vo",
     "il valore della tensione desiderata in uscita Vo", "V", 1, "", kPositive,
     "La tensione in uscita non può essere zero o negativa o maggiore di Vi!"},
    {QuantityGroup::Design, key::f, "Frequenza di commutazione f",
     "il valore della frequenza di commutazione f in kHz", "kHz", 1000, "", kPositive,
     "La frequenza non può essere zero o negativa!"},
    {QuantityGroup::Design, key::ripple, "Ondulazione della corrente ΔiL/Io",
     "il valore di DeltaiL/Io in %", "%", 0.01, "", kPositive,
     "DeltaiL non può essere zero o negativo!"},
    {QuantityGroup::Design, key::dvo, "Ondulazione della tensione ΔVo",
     "il valore di DeltaVo in mV", "mV", 0.001, "", kPositive,
     "DeltaVo non può essere zero o negativo!"},
    {QuantityGroup::Design, key::io, "Corrente di uscita Io", "il valore di Io in Ampere", "A", 1,
     "", kNotNegative, "Io non può essere negativo!"},

    // "Verifica > dati": the circuit the launch simulates.
    {QuantityGroup::Verification, key::vi, "Tensione di ingresso Vi", "la tensione di ingresso Vi",
     "V", 1, "", kPositive, "La tensione in ingresso non può essere zero o negativa!"},
    {QuantityGroup::Verification,
     key::d,
     "Duty cycle D",
     "il valore del Duty Cycle in %",
     "%",
     0.01,
     "",
     {0, false, 1, false},
     "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!"},
    {QuantityGroup::Verification, key::f, "Frequenza di commutazione f",
     "il valore della frequenza di commutazione f in kHz", "kHz", 1000, "", kPositive,
     "La frequenza non può essere zero o negativa!"},
    {QuantityGroup::Verification, key::l, "Induttanza L", "il valore dell'induttanza in uH", "uH",
     0.000001, "", kPositive, "L'induttanza non può essere zero o negativa!"},
    {QuantityGroup::Verification, key::c, "Capacità C", "il valore della capacità in uF", "uF",
     0.000001, "", kPositive, "La capacità non può essere zero o negativa!"},
    {QuantityGroup::Verification, key::rl, "Resistenza di carico RL",
     "il valore della resistenza di carico RL in ohm", "Ω", 1, "", kPositive,
     "La resistenza di carico RL non può essere zero o negativa!"},

    // The three counts of the simulation, whole numbers.
    {QuantityGroup::Simulation,
     key::n,
     "Campioni per periodo N",
     "il numero dei campioni N",
     "",
     1,
     "1000",
     {1, true, 2'000'000, true},
     "Il numero dei campioni N non può essere minore di 1!",
     "Il numero dei campioni N non può superare 2000000: le forme d'onda non starebbero "
     "comodamente in memoria!"},
    {QuantityGroup::Simulation, key::np, "Periodi visualizzati NP",
     "il numero dei periodi visualizzati NP", "", 1, "10", kAnyValue, ""},
    {QuantityGroup::Simulation, key::ni, "Periodi simulati NI", "il numero delle iterazioni NI", "",
     1, "2000", kAnyValue, ""},

};

// The words of the series and of the rounding, in the order of Series and
// Rounding (componentchoice/StandardValues.h).
inline constexpr Word kSeriesWords[] = {{"E6"}, {"E12"}, {"E24"}};
inline constexpr Word kRoundingWords[] = {{"up", "per eccesso"},
                                          {"nearest", "al più vicino"},
                                          {"meets", "il minimo che rispetta i requisiti"}};

// "Scelta dei componenti", after the parts' rows of model/PartQuantities.h.
inline constexpr Quantity kSelectionQuantities[] = {
    // "Scelta dei componenti": an empty range end stands for the design's value.
    // The series and the rounding are words, read by the choice's own code.
    WordRow(QuantityGroup::Selection, key::series, "Serie dei valori standard",
            "la serie dei valori standard", "E12", "La serie dei valori standard può essere",
            {kSeriesWords}),
    WordRow(QuantityGroup::Selection, key::round, "Arrotondamento", "l'arrotondamento", "up",
            "L'arrotondamento può essere", {kRoundingWords, true}),
    {QuantityGroup::Selection,
     key::tolL,
     "Tolleranza di L",
     "la tolleranza di L in %",
     "%",
     0.01,
     "20",
     {0, true, 1, false},
     "La tolleranza di L non può essere negativa!",
     "La tolleranza di L deve restare sotto il 100 %: al minimo L sarebbe zero!"},
    {QuantityGroup::Selection,
     key::tolC,
     "Tolleranza di C",
     "la tolleranza di C in %",
     "%",
     0.01,
     "20",
     {0, true, 1, false},
     "La tolleranza di C non può essere negativa!",
     "La tolleranza di C deve restare sotto il 100 %: al minimo C sarebbe zero!"},
    {QuantityGroup::Selection,
     key::viMin,
     "Tensione di ingresso minima",
     "la tensione di ingresso minima in V",
     "V",
     1,
     "",
     kPositive,
     "La tensione di ingresso minima non può essere zero o negativa!",
     {},
     true},
    {QuantityGroup::Selection,
     key::viMax,
     "Tensione di ingresso massima",
     "la tensione di ingresso massima in V",
     "V",
     1,
     "",
     kPositive,
     "La tensione di ingresso massima non può essere zero o negativa!",
     {},
     true},
    {QuantityGroup::Selection,
     key::ioMin,
     "Corrente di uscita minima",
     "la corrente di uscita minima in A",
     "A",
     1,
     "",
     kPositive,
     "La corrente di uscita minima non può essere zero o negativa!",
     {},
     true},
    {QuantityGroup::Selection,
     key::ioMax,
     "Corrente di uscita massima",
     "la corrente di uscita massima in A",
     "A",
     1,
     "",
     kPositive,
     "La corrente di uscita massima non può essere zero o negativa!",
     {},
     true},
    {QuantityGroup::Selection,
     key::ioFrom,
     "Prima corrente di carico dei grafici",
     "la prima corrente di carico dei grafici in A",
     "A",
     1,
     "",
     kPositive,
     "La prima corrente di carico dei grafici non può essere zero o negativa!",
     {},
     true},
    {QuantityGroup::Selection,
     key::ioTo,
     "Ultima corrente di carico dei grafici",
     "l'ultima corrente di carico dei grafici in A",
     "A",
     1,
     "",
     kPositive,
     "L'ultima corrente di carico dei grafici non può essere zero o negativa!",
     {},
     true},
    {QuantityGroup::Selection,
     key::points,
     "Punti per curva dei grafici",
     "il numero dei punti dei grafici",
     "",
     1,
     "50",
     {1, true, 1000, true},
     "Il numero dei punti deve essere un intero da 1 a 1000!",
     {},
     false,
     true},
};

// The one table, its groups in order: the main window's, the parts', the
// selection's, the controller's.
inline constexpr auto kQuantities = [] {
    std::array<Quantity, std::size(kFormQuantities) + std::size(kPartQuantities) +
                             std::size(kSelectionQuantities) + std::size(kLoopQuantities)>
        all{};
    std::size_t next = 0;
    for (const auto& rows :
         {std::span<const Quantity>(kFormQuantities), std::span<const Quantity>(kPartQuantities),
          std::span<const Quantity>(kSelectionQuantities),
          std::span<const Quantity>(kLoopQuantities)})
        for (const Quantity& row : rows) all[next++] = row;
    return all;
}();

// The rows of one group, in table order.
constexpr std::span<const Quantity> QuantitiesOf(QuantityGroup group) {
    std::size_t first = 0;
    while (first < std::size(kQuantities) && kQuantities[first].group != group) ++first;
    std::size_t last = first;
    while (last < std::size(kQuantities) && kQuantities[last].group == group) ++last;
    return std::span<const Quantity>(kQuantities).subspan(first, last - first);
}

// The row of `key` in `group`, found while compiling: a key the table lacks
// fails the build.
consteval const Quantity& Row(QuantityGroup group, std::string_view key) {
    for (const Quantity& quantity : QuantitiesOf(group))
        if (quantity.key == key) return quantity;
    throw "the table of quantities has no such key";
}

// The row of `key` in `group` while running, or null.
const Quantity* FindQuantity(QuantityGroup group, std::string_view key);

}  // namespace stepdown
