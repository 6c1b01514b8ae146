// The one reader on rows of every kind, each case's answer typed out: the
// value in SI, or the sentence that refuses the text.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "model/Module1.h"
#include "model/QuantityReader.h"

namespace stepdown::testing {
namespace {

TEST(QuantityReader, ValuesInSIAndEachRefusalInItsOwnWords) {
    using G = QuantityGroup;
    const std::string dmax = "Il duty cycle massimo Dmax deve essere maggiore di 0 e al più 100 %!",
                      points = "Il numero dei punti deve essere un intero da 1 a 1000!";
    const struct {
        G group;
        const char* key;
        const char* text;
        std::optional<double> value;
        std::string refusal;
    } cases[] = {
        {G::Verification, "f", "80", 80e3, ""},
        {G::Verification, "f", "1e306", {}, std::string(kFrequencyOverflowMessage)},
        {G::Design, "vi", "", {}, "Hai dimenticato di scrivere la tensione di ingresso Vi"},
        {G::Parts, "rth-hs", "", {}, ""},  // may stay empty: not asked
        {G::Loop, "dmax", "100", 1.0, ""},
        {G::Loop, "dmax", "100.5", {}, dmax},
        {G::Selection, "tol-l", "20", 0.2, ""},
        {G::Selection, "points", "1000", 1000.0, ""},
        {G::Selection, "points", "2.5", {}, points},
    };
    for (const auto& c : cases) {
        const QuantityReading read = ReadQuantity(*FindQuantity(c.group, c.key), c.text);
        EXPECT_EQ(read.value, c.value) << c.key << "=" << c.text;
        EXPECT_EQ(read.refusal, c.refusal) << c.key << "=" << c.text;
    }
}

}  // namespace
}  // namespace stepdown::testing
