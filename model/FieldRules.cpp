#include "model/FieldRules.h"

#include "model/Conversions.h"

namespace stepdown {

std::string Broken(const FieldRule& rule, const RuleValues& values) {
    if (rule.holds(values)) return {};
    std::string sentence(rule.sentence);
    if (const std::size_t at = sentence.find("{D}"); at != sentence.npos)
        sentence.replace(at, 3, FormatScientific(values[0] * 100, 2, "."));
    return sentence;
}

}  // namespace stepdown
