#pragma once
// The rules that tie one input to another: each names the keys whose values
// it takes, holds when its test does, and refuses with its one sentence. The
// design, the converter as built and every front end of the loop ask the
// same row, so the same texts get the same verdict in the same words.
//
// Adding a rule: a row here with its quantities in the order its test takes
// them (each found in the table while compiling, so a key the table lacks
// fails the build), then a call where the values are known.

#include <array>
#include <string>
#include <string_view>

#include "model/InputKeys.h"
#include "model/Quantities.h"
#include "model/Quantity.h"

namespace stepdown {

using RuleValues = std::array<double, 4>;  // SI, in the order of the rule's keys

struct FieldRule {
    std::array<const Quantity*, 4> quantities;  // the first is the text a refusal names
    bool (*holds)(const RuleValues&);
    // "{D}" stands for the first value in %, as the loop writes its figures.
    std::string_view sentence;
};

inline constexpr FieldRule kFieldRules[] = {
    // The design's own checks, in its order: Vo above Vi, then Vo at Vi.
    {{&Row(QuantityGroup::Design, key::vo), &Row(QuantityGroup::Design, key::vi)},
     [](const RuleValues& v) { return v[0] <= v[1]; },
     Row(QuantityGroup::Design, key::vo).refusal},
    {{&Row(QuantityGroup::Design, key::vo), &Row(QuantityGroup::Design, key::vi)},
     [](const RuleValues& v) { return v[0] != v[1]; },
     "La tensione in uscita non può essere uguale alla tensione in ingresso Vi: L risulterebbe "
     "zero e C indefinita!"},
    // A synchronous stage: the dead times may not overlap the on time.
    {{&Row(QuantityGroup::Verification, key::d), &Row(QuantityGroup::Parts, key::td1),
      &Row(QuantityGroup::Parts, key::td2), &Row(QuantityGroup::Verification, key::f)},
     [](const RuleValues& v) { return v[0] + (v[1] + v[2]) * v[3] < 1; },
     "Con i tempi morti td1 e td2 il duty cycle di {D} % del punto di lavoro non lascia spazio: "
     "D + (td1 + td2) f deve restare minore di 1."},
    // A switch still turning on or off when the next period begins.
    {{&Row(QuantityGroup::Parts, key::tr), &Row(QuantityGroup::Verification, key::f)},
     [](const RuleValues& v) { return v[0] <= 1 / v[1]; },
     "Il tempo di salita tr dell'interruttore supera il periodo di commutazione 1/f: "
     "l'interruttore non finirebbe di chiudersi prima del periodo successivo!"},
    {{&Row(QuantityGroup::Parts, key::tf), &Row(QuantityGroup::Verification, key::f)},
     [](const RuleValues& v) { return v[0] <= 1 / v[1]; },
     "Il tempo di discesa tf dell'interruttore supera il periodo di commutazione 1/f: "
     "l'interruttore non finirebbe di aprirsi prima del periodo successivo!"},
};
inline constexpr const FieldRule& kVoNotAboveVi = kFieldRules[0];
inline constexpr const FieldRule& kVoNotAtVi = kFieldRules[1];
inline constexpr const FieldRule& kDeadTimesFit = kFieldRules[2];
inline constexpr const FieldRule& kRiseWithinPeriod = kFieldRules[3];
inline constexpr const FieldRule& kFallWithinPeriod = kFieldRules[4];

// Empty when `rule` holds for `values`, else its sentence.
std::string Broken(const FieldRule& rule, const RuleValues& values);

}  // namespace stepdown
