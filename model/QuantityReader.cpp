#include "model/QuantityReader.h"

#include <cmath>

#include "model/Module1.h"

namespace stepdown {

QuantityReading ReadQuantity(const Quantity& row, std::string_view text) {
    if (row.word || (text.empty() && row.mayBeEmpty)) return {};
    const FieldNumber number = ReadFieldNumber(text, row.subject);
    if (!number.value) return {std::nullopt, number.message};
    const double value = *number.value * row.toSI;
    if (!std::isfinite(value)) return {std::nullopt, std::string(kFrequencyOverflowMessage)};
    if (!row.range.Contains(value)) {
        const bool belowHigh =
            row.range.highIncluded ? value <= row.range.high : value < row.range.high;
        const bool high = !belowHigh && !row.highRefusal.empty();
        return {std::nullopt, std::string(high ? row.highRefusal : row.refusal)};
    }
    if (row.wholeNumber && std::floor(value) != value)
        return {std::nullopt, std::string(row.refusal)};
    return {value, {}};
}

std::optional<QuantityRefusal> FirstRefusal(
    QuantityGroup group, const std::function<std::string_view(const Quantity&)>& textOf) {
    for (const Quantity& row : QuantitiesOf(group))
        if (QuantityReading read = ReadQuantity(row, textOf(row)); read.Refused())
            return QuantityRefusal{&row, std::move(read.refusal)};
    return std::nullopt;
}

double StartValue(const Quantity& row) {
    return ReadQuantity(row, row.startText).value.value_or(0);
}

}  // namespace stepdown
