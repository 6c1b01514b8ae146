#pragma once
// The worked example every test starts from: the design fields of
// "Dati Esempio", what "Calcola" writes into the verification fields, the
// same circuit in SI units, and what the two windows show for it: the texts
// by quantity, the shown values by the name of their result or figure.

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "design/DesignCalculation.h"
#include "model/InputKeys.h"
#include "model/InputTexts.h"
#include "model/Quantities.h"
#include "support/RecordingWindow.h"

namespace stepdown::testing {

using FieldTexts = TextList;

constexpr QuantityId VerificationId(std::string_view k) { return {QuantityGroup::Verification, k}; }

using Shown = std::vector<std::pair<std::string, std::string>>;

// "L=1.25E+02 C=1.56E+01": names and texts, in that order.
inline Shown Pairs(const std::string& pairs) {
    Shown out;
    std::istringstream words(pairs);
    for (std::string w; words >> w;)
        out.emplace_back(w.substr(0, w.find('=')), w.substr(w.find('=') + 1));
    return out;
}

// "d=75 l=220": the fields typed by key, in that order; a key `group` lacks
// is a simulation count's.
inline FieldTexts Typed(const std::string& typed,
                        QuantityGroup group = QuantityGroup::Verification) {
    FieldTexts fields;
    for (auto& [key, text] : Pairs(typed)) {
        const Quantity* row = FindQuantity(group, key);
        if (row == nullptr) row = FindQuantity(QuantityGroup::Simulation, key);
        fields.emplace_back(IdOf(*row), std::move(text));
    }
    return fields;
}

inline const FieldTexts kDesignExample =
    Typed("vi=25 vo=15 f=80 ripple=40 dvo=60 io=1.5", QuantityGroup::Design);
inline const FieldTexts kVerificationExample =
    Typed("vi=2.500E+01 f=8.000E+01 d=6.000E+01 l=1.250E+02 c=1.563E+01 rl=1.000E+01");

// The design's results and the measured figures by name, as the main window
// and the waveform window show them with a point.
inline const Shown kDesignLabels =
    Pairs("L=1.25E+02 C=1.56E+01 IDP=1.80E+00 IDm=6.00E-01 Iim=9.00E-01");
inline const Shown kFigureLabels = Pairs(
    "SimDeltaiL=6.14E-01 SimDeltaVo=6.13E+01 SimIDP=1.78E+00 SimIDm=5.92E-01 SimIim=8.85E-01");

// The worked example after "Calcola" in a recording window, then the changes.
struct Designed {
    explicit Designed(const FieldTexts& changes = {}) {
        for (const auto& [id, text] : kDesignExample) window.Type(id, text);
        DesignCalculation(module, window);
        for (const auto& [id, text] : changes) window.Type(id, text);
        window.log.clear();
    }
    Module1 module;
    RecordingWindow window;
};

// The verification fields in SI units, with the window's start settings.
struct Circuit {
    double Vi = 25, D = 0.6, f = 80000, L = 125e-6, C = 15.63e-6, RL = 10;
    std::int32_t N = 1000, NP = 10, NI = 2000;
};

}  // namespace stepdown::testing
