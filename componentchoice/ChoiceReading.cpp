#include "componentchoice/ChoiceReading.h"

#include <array>
#include <iterator>

#include "model/QuantityReader.h"

namespace stepdown {
namespace {

static_assert(Row(QuantityGroup::Selection, key::points).range.high == kMaxSweepPoints);

enum FieldIndex {
    kSeries,
    kRound,
    kTolL,
    kTolC,
    kViMin,
    kViMax,
    kIoMin,
    kIoMax,
    kFrom,
    kTo,
    kPoints
};

consteval ChoiceField ChoiceRow(std::string_view key, std::string ChoiceTexts::*text) {
    return {&Row(QuantityGroup::Selection, key), text};
}

const std::array<ChoiceField, 11> kFields{{
    ChoiceRow(key::series, &ChoiceTexts::series),
    ChoiceRow(key::round, &ChoiceTexts::round),
    ChoiceRow(key::tolL, &ChoiceTexts::tolL),
    ChoiceRow(key::tolC, &ChoiceTexts::tolC),
    ChoiceRow(key::viMin, &ChoiceTexts::viMin),
    ChoiceRow(key::viMax, &ChoiceTexts::viMax),
    ChoiceRow(key::ioMin, &ChoiceTexts::ioMin),
    ChoiceRow(key::ioMax, &ChoiceTexts::ioMax),
    ChoiceRow(key::ioFrom, &ChoiceTexts::ioFrom),
    ChoiceRow(key::ioTo, &ChoiceTexts::ioTo),
    ChoiceRow(key::points, &ChoiceTexts::points),
}};
static_assert(std::size(kFields) == QuantitiesOf(QuantityGroup::Selection).size());

// A range and what fills its empty ends.
struct Range {
    FieldIndex first, second;
    double (*firstWhenEmpty)(const DesignTargets&);
    double (*secondWhenEmpty)(const DesignTargets&);
    std::optional<double> ChoiceValues::*firstValue;
    std::optional<double> ChoiceValues::*secondValue;
    std::string_view reversed;
};

double NominalVi(const DesignTargets& d) { return d.Vi; }
double NominalIo(const DesignTargets& d) { return d.Io; }
double LightLoad(const DesignTargets& d) { return d.Io / 10; }
double Overload(const DesignTargets& d) { return d.Io * 1.5; }

const Range kRanges[] = {
    {kViMin, kViMax, NominalVi, NominalVi, &ChoiceValues::viMin, &ChoiceValues::viMax,
     "La tensione di ingresso minima non può superare la massima!"},
    {kIoMin, kIoMax, NominalIo, NominalIo, &ChoiceValues::ioMin, &ChoiceValues::ioMax,
     "La corrente di uscita minima non può superare la massima!"},
    {kFrom, kTo, LightLoad, Overload, &ChoiceValues::ioFrom, &ChoiceValues::ioTo,
     "La prima corrente di carico dei grafici non può superare l'ultima!"},
};

}  // namespace

std::span<const ChoiceField> ChoiceFields() { return kFields; }

ChoiceTexts::ChoiceTexts() {
    for (const ChoiceField& field : kFields) this->*field.text = field.row->startText;
}

ChoiceValuesReading ReadChoiceValues(const ChoiceTexts& texts) {
    const auto refuse = [](FieldIndex field, std::string_view message) {
        return ChoiceValuesReading{std::nullopt, &kFields[field], std::string(message)};
    };
    ChoiceValues read;
    const std::optional<Series> series = SeriesNamed(texts.series);
    if (!series) return refuse(kSeries, RefusalOf(*kFields[kSeries].row));
    read.series = *series;
    const std::optional<Rounding> rounding = RoundingNamed(texts.round);
    if (!rounding) return refuse(kRound, RefusalOf(*kFields[kRound].row));
    read.rounding = *rounding;

    std::array<std::optional<double>, kFields.size()> values{};
    for (std::size_t k = kTolL; k < kFields.size(); ++k) {
        QuantityReading number = ReadQuantity(*kFields[k].row, texts.*kFields[k].text);
        if (number.Refused()) return refuse(static_cast<FieldIndex>(k), number.refusal);
        values[k] = number.value;
    }
    read.tolL = *values[kTolL];
    read.tolC = *values[kTolC];
    for (const Range& range : kRanges) {
        read.*range.firstValue = values[range.first];
        read.*range.secondValue = values[range.second];
    }
    read.points = static_cast<std::int32_t>(*values[kPoints]);
    return {read, nullptr, {}};
}

ChoiceReading ResolveChoiceValues(const ChoiceValues& values, const DesignTargets& nominal) {
    double ends[std::size(kRanges)][2] = {};
    for (std::size_t r = 0; r < std::size(kRanges); ++r) {
        const Range& range = kRanges[r];
        ends[r][0] = (values.*range.firstValue).value_or(range.firstWhenEmpty(nominal));
        ends[r][1] = (values.*range.secondValue).value_or(range.secondWhenEmpty(nominal));
        if (ends[r][0] > ends[r][1])
            return {std::nullopt, &kFields[range.second], std::string(range.reversed)};
    }
    ChoiceSettings settings;
    settings.series = values.series;
    settings.rounding = values.rounding;
    settings.corners = {values.tolL, values.tolC, ends[0][0], ends[0][1], ends[1][0], ends[1][1]};
    settings.ioFrom = ends[2][0];
    settings.ioTo = ends[2][1];
    settings.points = values.points;
    return {settings, nullptr, {}};
}

ChoiceReading ReadChoiceTexts(const ChoiceTexts& texts, const DesignTargets& nominal) {
    const ChoiceValuesReading read = ReadChoiceValues(texts);
    if (!read.values) return {std::nullopt, read.refused, read.message};
    return ResolveChoiceValues(*read.values, nominal);
}

}  // namespace stepdown
