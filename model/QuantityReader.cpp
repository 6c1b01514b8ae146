#include "model/QuantityReader.h"

#include <cmath>

#include "model/Module1.h"

namespace stepdown {

namespace {

QuantityReading ReadNumber(const Quantity& row, std::string_view text) {
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

}  // namespace

QuantityReading ReadQuantity(const Quantity& row, std::string_view text) {
    if (row.word || (text.empty() && row.mayBeEmpty)) return {};
    QuantityReading read = ReadNumber(row, text);
    if (read.Refused() && !row.words.list.empty()) read.refusal = RefusalOf(row);
    return read;
}

std::string WordList(const Quantity& row) {
    std::string list;
    const std::span<const Word> words = row.words.list;
    for (std::size_t k = 0; k < words.size(); ++k) {
        if (k > 0) list += k + 1 < words.size() ? ", " : " o ";
        const Word& w = words[k];
        if (w.meaning.empty()) {
            list += w.word;
            continue;
        }
        const bool meaningFirst = row.words.meaningFirst;
        list += meaningFirst ? w.meaning : w.word;
        list += " (";
        list += meaningFirst ? w.word : w.meaning;
        list += ')';
    }
    return list;
}

std::string RefusalOf(const Quantity& row) {
    if (row.words.list.empty()) return std::string(row.refusal);
    return std::string(row.refusal) + ' ' + WordList(row) + '!';
}

std::optional<std::size_t> WordIndex(const Quantity& row, std::string_view text) {
    for (std::size_t k = 0; k < row.words.list.size(); ++k)
        if (row.words.list[k].word == text) return k;
    return std::nullopt;
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
