// Every numeric row of the table through the one reader: the same texts
// meet the same rule on every row, whatever its group.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "model/Module1.h"
#include "model/QuantityReader.h"

namespace stepdown::testing {
namespace {

std::string Typed(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

TEST(QuantityReader, EveryRowAppliesItsColumnsInOneOrder) {
    const std::string tail(kInvalidTail), huge = " è troppo grande in valore assoluto!";
    for (const Quantity& row : kQuantities) {
        SCOPED_TRACE(std::string(row.key));
        const std::string subject(row.subject), refusal = RefusalOf(row);
        if (row.word) continue;
        const QuantityReading empty = ReadQuantity(row, "");
        EXPECT_EQ(empty.refusal, row.mayBeEmpty ? "" : "Hai dimenticato di scrivere " + subject);
        EXPECT_FALSE(empty.value);
        const bool choice = !row.words.list.empty();  // refuses every other text with its words
        EXPECT_EQ(ReadQuantity(row, "2,5").refusal,
                  choice ? refusal : "Errore di inserimento dati per " + subject + tail);
        EXPECT_EQ(ReadQuantity(row, "-1e400").refusal,
                  choice ? refusal : "Il numero scritto per " + subject + huge);
        // Only a unit larger than SI can overflow on the way, and only a frequency has one.
        EXPECT_EQ(ReadQuantity(row, "1e306").refusal == kFrequencyOverflowMessage, row.toSI > 1);

        const double low = row.range.low, high = row.range.high;
        if (std::isfinite(low)) {
            const double below =
                row.range.lowIncluded ? low - std::max(std::abs(low), row.toSI) : low;
            EXPECT_EQ(ReadQuantity(row, Typed(below / row.toSI)).refusal, refusal);
        }
        if (std::isfinite(high)) {
            const double above = row.range.highIncluded ? std::nextafter(high, kInf) * 1.001 : high;
            EXPECT_EQ(ReadQuantity(row, Typed(above / row.toSI)).refusal,
                      row.highRefusal.empty() ? refusal : std::string(row.highRefusal));
        }
        // A value inside: the typed number times the unit's factor, for every row.
        double inside = std::isfinite(low) && std::isfinite(high) ? (low + high) / 2
                        : std::isfinite(low)                      ? low + 2 * row.toSI
                                                                  : 1;
        inside = std::round(inside / row.toSI);
        if (!row.range.Contains(inside * row.toSI)) inside = (low + high) / 2 / row.toSI;
        const QuantityReading read = ReadQuantity(row, Typed(inside));
        ASSERT_TRUE(read.value) << read.refusal;
        EXPECT_EQ(*read.value, inside * row.toSI);
        if (row.wholeNumber) {
            EXPECT_EQ(ReadQuantity(row, Typed(inside + 0.5)).refusal, refusal);
        }
    }
}

}  // namespace
}  // namespace stepdown::testing
