#include "componentchoice/ChoiceReading.h"

#include <array>

#include "model/Module1.h"
#include "model/VerificationFields.h"

namespace stepdown {
namespace {

constexpr std::string_view kTooFewPointsMessage =
    "Il numero dei punti dei grafici non può essere minore di 1!";

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

const std::array<ChoiceField, 11> kFields{{
    {"series", "la serie dei valori standard", &ChoiceTexts::series},
    {"round", "l'arrotondamento", &ChoiceTexts::round},
    {"tol-l", "la tolleranza di L in %", &ChoiceTexts::tolL},
    {"tol-c", "la tolleranza di C in %", &ChoiceTexts::tolC},
    {"vi-min", "la tensione di ingresso minima in V", &ChoiceTexts::viMin},
    {"vi-max", "la tensione di ingresso massima in V", &ChoiceTexts::viMax},
    {"io-min", "la corrente di uscita minima in A", &ChoiceTexts::ioMin},
    {"io-max", "la corrente di uscita massima in A", &ChoiceTexts::ioMax},
    {"io-from", "la prima corrente di carico dei grafici in A", &ChoiceTexts::ioFrom},
    {"io-to", "l'ultima corrente di carico dei grafici in A", &ChoiceTexts::ioTo},
    {"points", "il numero dei punti dei grafici", &ChoiceTexts::points},
}};

// A number field: what an empty text stands for (null: the text is
// required) and the lowest value, zero itself allowed or not.
struct NumberRule {
    FieldIndex field;
    double (*whenEmpty)(const DesignTargets&);
    bool zeroAllowed;
    std::string_view low;
};

double NominalVi(const DesignTargets& d) { return d.Vi; }
double NominalIo(const DesignTargets& d) { return d.Io; }
double LightLoad(const DesignTargets& d) { return d.Io / 10; }
double Overload(const DesignTargets& d) { return d.Io * 1.5; }

const NumberRule kRules[] = {
    {kTolL, nullptr, true, "La tolleranza di L non può essere negativa!"},
    {kTolC, nullptr, true, "La tolleranza di C non può essere negativa!"},
    {kViMin, NominalVi, false, "La tensione di ingresso minima non può essere zero o negativa!"},
    {kViMax, NominalVi, false, "La tensione di ingresso massima non può essere zero o negativa!"},
    {kIoMin, NominalIo, false, "La corrente di uscita minima non può essere zero o negativa!"},
    {kIoMax, NominalIo, false, "La corrente di uscita massima non può essere zero o negativa!"},
    {kFrom, LightLoad, false,
     "La prima corrente di carico dei grafici non può essere zero o negativa!"},
    {kTo, Overload, false,
     "L'ultima corrente di carico dei grafici non può essere zero o negativa!"},
    // Rounded to a whole number below.
    {kPoints, nullptr, false, kTooFewPointsMessage},
};

// A value that must stay below a limit.
struct UpperLimit {
    FieldIndex field;
    double limit;
    std::string_view message;
};
const UpperLimit kUpperLimits[] = {
    {kTolL, 100, "La tolleranza di L deve restare sotto il 100 %: al minimo L sarebbe zero!"},
    {kTolC, 100, "La tolleranza di C deve restare sotto il 100 %: al minimo C sarebbe zero!"},
};

// A range, checked once its second end is read.
struct Range {
    FieldIndex first, second;
    std::string_view reversed;
};
const Range kRanges[] = {
    {kViMin, kViMax, "La tensione di ingresso minima non può superare la massima!"},
    {kIoMin, kIoMax, "La corrente di uscita minima non può superare la massima!"},
    {kFrom, kTo, "La prima corrente di carico dei grafici non può superare l'ultima!"},
};

struct Number {
    std::optional<double> value;
    std::string message;  // why there is none
};

Number ReadNumber(const std::string& text, std::string_view description) {
    switch (ClassifyNumericText(text)) {
    case FieldCheck::Empty:
        return {std::nullopt, ForgotMessageFor(description)};
    case FieldCheck::InvalidCharacter:
        return {std::nullopt, InvalidMessageFor(description)};
    case FieldCheck::Passed:
        break;
    }
    const ParsedNumber parsed = ParseNumberChecked(text);
    if (parsed.overflow) return {std::nullopt, OverflowMessageFor(description)};
    return {parsed.value, {}};
}

}  // namespace

std::span<const ChoiceField> ChoiceFields() { return kFields; }

ChoiceReading ReadChoiceTexts(const ChoiceTexts& texts, const DesignTargets& nominal) {
    const auto refuse = [](FieldIndex field, std::string_view message) {
        return ChoiceReading{std::nullopt, &kFields[field], std::string(message)};
    };
    ChoiceSettings settings;
    const std::optional<Series> series = SeriesNamed(texts.series);
    if (!series) return refuse(kSeries, "La serie dei valori standard può essere E6, E12 o E24!");
    settings.series = *series;
    const std::optional<Rounding> rounding = RoundingNamed(texts.round);
    if (!rounding)
        return refuse(kRound,
                      "L'arrotondamento può essere per eccesso (up) o al più vicino (nearest)!");
    settings.rounding = *rounding;

    std::array<double, kFields.size()> values{};
    for (const NumberRule& rule : kRules) {
        const ChoiceField& field = kFields[rule.field];
        const std::string& text = texts.*field.text;
        Number number{};
        if (text.empty() && rule.whenEmpty != nullptr)
            number.value = rule.whenEmpty(nominal);
        else
            number = ReadNumber(text, field.description);
        if (!number.value) return refuse(rule.field, number.message);
        const double value = *number.value;
        if (rule.zeroAllowed ? value < 0 : !(value > 0)) return refuse(rule.field, rule.low);
        for (const UpperLimit& upper : kUpperLimits)
            if (upper.field == rule.field && value >= upper.limit)
                return refuse(rule.field, upper.message);
        for (const Range& range : kRanges)
            if (range.second == rule.field && values[range.first] > value)
                return refuse(rule.field, range.reversed);
        values[rule.field] = value;
    }
    const std::optional<std::int32_t> points = RoundToInteger(values[kPoints]);
    if (!points) return refuse(kPoints, IntegerRangeMessageFor(kFields[kPoints].description));
    if (*points < 1) return refuse(kPoints, kTooFewPointsMessage);
    if (*points > kMaxSweepPoints)
        return refuse(kPoints, "Il numero dei punti dei grafici non può superare 1000!");

    settings.corners = {values[kTolL] / 100, values[kTolC] / 100, values[kViMin],
                        values[kViMax],      values[kIoMin],      values[kIoMax]};
    settings.ioFrom = values[kFrom];
    settings.ioTo = values[kTo];
    settings.points = *points;
    return {settings, nullptr, {}};
}

}  // namespace stepdown
