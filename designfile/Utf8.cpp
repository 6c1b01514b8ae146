#include "designfile/Utf8.h"

namespace stepdown {
namespace {

// The bytes a sequence needs after its first byte, and the range its second
// byte must lie in; the later bytes are always 0x80..0xBF.
struct SequenceRule {
    std::size_t continuation = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
};

// Table 3-7 of the Unicode Standard; false for a byte no sequence begins with.
bool RuleFor(unsigned char lead, SequenceRule& rule) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        rule = {1, 0x80, 0xBF};
    } else if (lead == 0xE0) {
        rule = {2, 0xA0, 0xBF};
    } else if (lead == 0xED) {
        rule = {2, 0x80, 0x9F};
    } else if (lead >= 0xE1 && lead <= 0xEF) {
        rule = {2, 0x80, 0xBF};
    } else if (lead == 0xF0) {
        rule = {3, 0x90, 0xBF};
    } else if (lead == 0xF4) {
        rule = {3, 0x80, 0x8F};
    } else if (lead >= 0xF1 && lead <= 0xF3) {
        rule = {3, 0x80, 0xBF};
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::size_t FirstInvalidUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at != text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        SequenceRule rule;
        if (!RuleFor(lead, rule) || text.size() - at <= rule.continuation) return at;
        for (std::size_t i = 1; i <= rule.continuation; ++i) {
            const auto unit = static_cast<unsigned char>(text[at + i]);
            const unsigned char low = i == 1 ? rule.secondLow : 0x80;
            const unsigned char high = i == 1 ? rule.secondHigh : 0xBF;
            if (unit < low || unit > high) return at;
        }
        at += rule.continuation + 1;
    }
    return std::string_view::npos;
}

}  // namespace stepdown
