#pragma once
// The rules that tie one input to another: each names the keys whose values
// it takes, holds when its test does, and refuses with its one sentence. The
// design, the converter as built and every front end of the loop ask the
// same row, so the same texts get the same verdict in the same words.
//
// Adding a rule: a row here with its keys in the order its test takes them,
// then a call where the values are known.

#include <array>
#include <string>
#include <string_view>

#include "model/InputKeys.h"
#include "model/Quantities.h"

namespace stepdown {

using RuleValues = std::array<double, 4>;  // SI, in the order of the rule's keys

struct FieldRule {
    std::array<std::string_view, 4> keys;  // the first is the text a refusal names
    bool (*holds)(const RuleValues&);
    // "{D}" stands for the first value in %, as the loop writes its figures.
    std::string_view sentence;
};

inline constexpr FieldRule kFieldRules[] = {
    // The design's own checks, in its order: Vo above Vi, then Vo at Vi.
    {{key::vo, key::vi},
     [](const RuleValues& v) { return v[0] <= v[1]; },
     Row(QuantityGroup::Design, key::vo).refusal},
    {{key::vo, key::vi},
     [](const RuleValues& v) { return v[0] != v[1]; },
     "La tensione in uscita non può essere uguale alla tensione in ingresso Vi: L risulterebbe "
     "zero e C indefinita!"},
    // A synchronous stage: the dead times may not overlap the on time.
    {{key::d, key::td1, key::td2, key::f},
     [](const RuleValues& v) { return v[0] + (v[1] + v[2]) * v[3] < 1; },
     "Con i tempi morti td1 e td2 il duty cycle di {D} % del punto di lavoro non lascia spazio: "
     "D + (td1 + td2) f deve restare minore di 1."},
};
inline constexpr const FieldRule& kVoNotAboveVi = kFieldRules[0];
inline constexpr const FieldRule& kVoNotAtVi = kFieldRules[1];
inline constexpr const FieldRule& kDeadTimesFit = kFieldRules[2];

// Empty when `rule` holds for `values`, else its sentence.
std::string Broken(const FieldRule& rule, const RuleValues& values);

}  // namespace stepdown
