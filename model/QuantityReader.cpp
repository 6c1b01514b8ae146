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

std::optional<double> GroupReading::operator[](std::string_view key) const {
    for (std::size_t i = 0; i < rows.size() && i < values.size(); ++i)
        if (rows[i].key == key) return values[i];
    return std::nullopt;
}

GroupReading ReadGroup(QuantityGroup group,
                       const std::function<std::string_view(const Quantity&)>& textOf) {
    GroupReading reading{QuantitiesOf(group), {}, {}};
    for (const Quantity& row : reading.rows) {
        QuantityReading read = ReadQuantity(row, textOf(row));
        if (read.Refused()) {
            reading.refusal = QuantityRefusal{&row, std::move(read.refusal)};
            break;
        }
        reading.values.push_back(read.value);
    }
    return reading;
}

}  // namespace stepdown
