#include "cli/ChoiceOutput.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string_view>
#include <utility>

#include "cli/OptionValues.h"
#include "cli/QuantityOptions.h"
#include "cli/RealPartsOutput.h"
#include "cli/TextOutput.h"
#include "componentchoice/ChoiceReading.h"
#include "componentchoice/ChoiceReport.h"
#include "model/Conversions.h"
#include "waveformview/WaveformCsv.h"

namespace stepdown::cli {
namespace {

// The options among the choices' texts, those left out at the window's
// start texts, read by the choices' own reader: a refused text is a usage
// error with the field's message.
std::optional<std::string> ReadChoiceOptions(const InputTexts& texts, ChoiceValues& values) {
    ChoiceTexts typed;
    for (const ChoiceField& field : ChoiceFields())
        if (const auto found = texts.find(IdOf(*field.row)); found != texts.end())
            typed.*field.text = found->second;
    const ChoiceValuesReading read = ReadChoiceValues(typed);
    if (!read.values) return InvalidValue(read.refused->row->key, read.message);
    values = *read.values;
    return std::nullopt;
}

bool HasSelection(const InputTexts& texts, std::string_view key) {
    return texts.count({QuantityGroup::Selection, key}) != 0;
}

// --round only with --series; the standard values when --series asks.
std::optional<std::string> ReadStandard(const InputTexts& texts, const ChoiceValues& values,
                                        std::optional<StandardRequest>& standard) {
    if (!HasSelection(texts, key::series)) {
        if (HasSelection(texts, key::round)) return "l'opzione --round vale solo con --series";
        return std::nullopt;
    }
    standard = StandardRequest{values.series, values.rounding};
    return std::nullopt;
}

// A tolerance as typed, in percent: two decimals when they show it whole.
std::string PercentText(const InputTexts& texts, std::string_view key) {
    const auto found = texts.find({QuantityGroup::Selection, key});
    const double percent = ParseNumberChecked(found == texts.end() ? "20" : found->second).value;
    const std::string fixed = FormatFixed2(percent, ".");
    return ParseNumberChecked(fixed).value == percent ? fixed : RoundTripText(percent);
}

// The ranges' ends left out at the nominal design's, refused with the
// window's words when they cross.
std::optional<std::string> ResolveRanges(ChoiceValues values, const DesignTargets& nominal,
                                         ChoiceSettings& settings) {
    const ChoiceReading resolved = ResolveChoiceValues(values, nominal);
    if (!resolved.settings) return InvalidValue(resolved.refused->row->key, resolved.message);
    settings = *resolved.settings;
    return std::nullopt;
}

// The points one sweep computes at most, all its input voltages together:
// a few seconds of work, and its output held in a few megabytes.
constexpr std::int64_t kMostSweepPoints = 50000;

std::optional<std::string> ReadInputVoltages(const ParsedArguments& arguments, std::int32_t points,
                                             std::vector<double>& voltages) {
    if (!arguments.Has("vi-list")) return std::nullopt;
    const std::string text = arguments.ValueOr("vi-list");
    // Counted before any is read: the list may be as long as the command line.
    const std::int64_t count = std::count(text.begin(), text.end(), ',') + 1;
    if (count * std::max<std::int32_t>(points, 1) > kMostSweepPoints)
        return InvalidValue("vi-list", std::to_string(count) + " tensioni per " +
                                           std::to_string(points) + " punti ciascuna passano i " +
                                           std::to_string(kMostSweepPoints) +
                                           " punti di una scansione: accorcia l'elenco o "
                                           "abbassa --points");
    std::istringstream list(text + ",");
    std::string piece;
    std::set<double> seen;
    while (std::getline(list, piece, ',')) {
        const bool number = ClassifyNumericText(piece) == FieldCheck::Passed;
        const ParsedNumber parsed = ParseNumberChecked(piece);
        if (!number || parsed.overflow || !(parsed.value > 0))
            return InvalidValue("vi-list",
                                "ogni elemento deve essere una tensione positiva in V, con il "
                                "punto come separatore decimale e una virgola tra un elemento e "
                                "l'altro: «" +
                                    piece + "»");
        // Only the nearest earlier voltages, below and above, can be the same.
        const auto above = seen.lower_bound(parsed.value);
        if ((above != seen.end() && SameValue(*above, parsed.value)) ||
            (above != seen.begin() && SameValue(*std::prev(above), parsed.value)))
            return InvalidValue(
                "vi-list", "la tensione " + Label(parsed.value) + " V compare più di una volta");
        seen.insert(parsed.value);
        voltages.push_back(parsed.value);
    }
    return std::nullopt;
}

std::string_view RoundingWords(Rounding rounding) {
    switch (rounding) {
    case Rounding::Up:
        return "arrotondati per eccesso";
    case Rounding::Nearest:
        return "arrotondati al più vicino";
    case Rounding::Meets:
        break;
    }
    return "i minimi che rispettano i requisiti";
}

std::string NoStandardValues(Rounding rounding) {
    if (rounding != Rounding::Meets) return "L o C non ha un valore della serie rappresentabile";
    return "nessuna coppia di valori della serie, da un decimo a cento volte L e C calcolate, "
           "rispetta i requisiti";
}

std::string_view OutcomeWords(RealPartsOutcome outcome) {
    switch (outcome) {
    case RealPartsOutcome::Unreachable:
        return "nessun duty cycle dà la Vo di progetto";
    case RealPartsOutcome::NoSteadyState:
        return "nessun regime periodico che il modello sappia descrivere";
    case RealPartsOutcome::Found:
    case RealPartsOutcome::InvalidValues:
        break;
    }
    return "valori che il modello non accetta";
}

// The five figures of an operating point in JSON units, or null; with the
// conduction mode after D when asked.
JsonObject& FiguresOf(JsonObject& object, const OperatingPoint& p, bool withMode = false) {
    for (const PointFigure& figure : kPointFigures) {
        if (p.Found())
            object.Number(figure.name, p.*figure.value);
        else
            object.Null(figure.name);
        // The mode after D.
        if (withMode && figure.percent)
            p.Found() ? object.String("mode", ModeName(p.mode)) : object.Null("mode");
    }
    return object;
}

// `key`: the figures, or null and "<key>Outcome" saying why.
void PointJson(JsonObject& object, std::string_view key, const OperatingPoint& p) {
    if (p.Found()) {
        JsonObject figures;
        object.Object(key, std::move(FiguresOf(figures, p)));
    } else {
        object.Null(key).String(std::string(key) + "Outcome", OutcomeName(p.outcome));
    }
}

JsonObject StandardJson(const StandardChoice& s) {
    JsonObject meets;
    meets.Boolean("ripple", s.meets.ripple).Boolean("outputRipple", s.meets.outputRipple);
    JsonObject object;
    object.String(key::series, SeriesName(s.series))
        .String(key::round, RoundingName(s.rounding))
        .Number("L", s.L)
        .Number("C", s.C);
    PointJson(object, "figures", s.figures);
    PointJson(object, "nominal", s.nominal);
    return object.Object("meets", std::move(meets));
}

void CornersJson(JsonObject& object, const WorstCase& w) {
    std::vector<JsonObject> corners;
    for (const Corner& c : w.corners) {
        JsonObject corner;
        corner.Number("Vi", c.Vi).Number("Io", c.Io).Number("L", c.L).Number("C", c.C);
        FiguresOf(corner, c.point, true);
        if (!c.point.Found()) corner.String("outcome", OutcomeName(c.point.outcome));
        corners.push_back(std::move(corner));
    }
    JsonObject worst;
    for (std::size_t k = 0; k < std::size(kPointFigures); ++k) {
        JsonObject value;
        if (w.worst[k].corner < 0)
            value.Null("value").Null("corner");
        else
            value.Number("value", w.worst[k].value).Integer("corner", w.worst[k].corner);
        worst.Object(kPointFigures[k].name, std::move(value));
    }
    object.Array("corners", std::move(corners))
        .Object("worst", std::move(worst))
        .Boolean("meetsAll", w.meetsAll);
}

// The text of a figure as the table shows it: D in percent.
std::string FigureText(const OperatingPoint& p, const PointFigure& figure) {
    if (!p.Found()) return "n.d.";
    return Label(p.*figure.value * (figure.percent ? 100 : 1));
}

void StandardText(std::ostream& out, const ChoiceResults& r) {
    if (!r.standard) {
        out << "Valori normalizzati: " << NoStandardValues(r.standardRounding) << '\n';
        return;
    }
    const StandardChoice& s = *r.standard;
    out << "Valori normalizzati: serie " << SeriesName(s.series) << ", "
        << RoundingWords(s.rounding) << '\n'
        << Padded("", 12) << "calcolati  normalizzati  unità  requisito  rispettato\n";
    const auto row = [](std::string_view name, const std::string& computed,
                        const std::string& standard, std::string_view unit) {
        return Padded(std::string(name), 12) + Padded(computed, 11) + Padded(standard, 14) +
               Padded(std::string(unit), 7);
    };
    Row(out, row("L", Label(r.design.L), Label(s.L), "uH"));
    Row(out, row("C", Label(r.design.C), Label(s.C), "uF"));
    const double limits[] = {0, r.design.targets.DeltaiL, r.design.targets.DeltaVo * 1000};
    const bool met[] = {false, s.meets.ripple, s.meets.outputRipple};
    for (std::size_t k = 0; k < std::size(kPointFigures); ++k) {
        const PointFigure& figure = kPointFigures[k];
        std::string line = row(figure.name, FigureText(s.nominal, figure),
                               FigureText(s.figures, figure), figure.unit);
        if (k == 1 || k == 2) line += Padded(Label(limits[k]), 11) + (met[k] ? "sì" : "no");
        Row(out, line);
    }
    for (const auto& [name, point] :
         {std::pair{"calcolati", &s.nominal}, {"normalizzati", &s.figures}})
        if (!point->Found())
            out << "Con i valori " << name << ": " << OutcomeWords(point->outcome) << '\n';
}

std::string RangeText(double low, double high, std::string_view unit) {
    if (low == high) return Label(low) + " " + std::string(unit);
    return "da " + Label(low) + " a " + Label(high) + " " + std::string(unit);
}

void CornersText(std::ostream& out, const ChoiceResults& r) {
    const WorstCase& w = *r.corners;
    const CornerRanges& g = r.ranges;
    out << "Caso peggiore intorno ai valori " << (r.aroundStandard ? "normalizzati" : "calcolati")
        << ": L ±" << r.tolLShown << " %, C ±" << r.tolCShown << " %, Vi "
        << RangeText(g.viMin, g.viMax, "V") << ", Io " << RangeText(g.ioMin, g.ioMax, "A") << '\n'
        << " n  Vi [V]    Io [A]    L [uH]    C [uF]    modo  D [%]      ΔiL [A]    ΔVo [mV]   "
           "IDP [A]    Vo media [V]\n";
    for (std::size_t i = 0; i < w.corners.size(); ++i) {
        const Corner& c = w.corners[i];
        std::string line = std::to_string(i);
        line.insert(0, line.size() < 2 ? 2 - line.size() : 0, ' ');
        line += "  " + Padded(Label(c.Vi), 10) + Padded(Label(c.Io), 10) + Padded(Label(c.L), 10) +
                Padded(Label(c.C), 10) +
                Padded(c.point.Found() ? std::string(ModeName(c.point.mode)) : "n.d.", 6);
        for (std::size_t k = 0; k < std::size(kPointFigures); ++k) {
            const bool worst = w.worst[k].corner == static_cast<int>(i) && w.worst[k].deviates;
            line += Padded(FigureText(c.point, kPointFigures[k]) + (worst ? "*" : ""), 11);
        }
        Row(out, line);
    }
    // Why a corner has no figures, once for all the corners it concerns.
    std::map<RealPartsOutcome, std::string> missing;
    for (std::size_t i = 0; i < w.corners.size(); ++i)
        if (const OperatingPoint& p = w.corners[i].point; !p.Found())
            missing[p.outcome] += (missing[p.outcome].empty() ? "" : ", ") + std::to_string(i);
    for (const auto& [outcome, corners] : missing)
        out << "n.d. nei vertici " << corners << ": " << OutcomeWords(outcome) << '\n';
    out << "* il valore peggiore della colonna (per Vo media il più lontano dalla Vo di progetto)\n"
        << "Requisiti di ΔiL e ΔVo rispettati in ogni vertice: " << (w.meetsAll ? "sì" : "no")
        << '\n';
}

}  // namespace

std::vector<OptionSpec> WithChoiceOptions(std::vector<OptionSpec> options) {
    options.insert(options.end(), {{key::series}, {key::round}, {"corners", false}});
    for (const std::string_view setting : kCornerKeys) options.push_back({setting});
    return options;
}

std::vector<OptionSpec> WithSweepOptions(std::vector<OptionSpec> options) {
    options.insert(
        options.end(),
        {{key::series}, {key::round}, {key::ioFrom}, {key::ioTo}, {key::points}, {"vi-list"}});
    return options;
}

std::optional<std::string> ReadChoiceRequest(const ParsedArguments& arguments,
                                             const InputTexts& texts, ChoiceRequest& request) {
    ChoiceValues values;
    if (auto error = ReadChoiceOptions(texts, values)) return error;
    if (auto error = ReadStandard(texts, values, request.standard)) return error;
    if (!arguments.Has("corners")) {
        for (const std::string_view setting : kCornerKeys)
            if (HasSelection(texts, setting))
                return "l'opzione --" + std::string(setting) + " vale solo con --corners";
        return std::nullopt;
    }
    request.corners = CornerRequest{values.tolL,
                                    values.tolC,
                                    values.viMin,
                                    values.viMax,
                                    values.ioMin,
                                    values.ioMax,
                                    PercentText(texts, key::tolL),
                                    PercentText(texts, key::tolC)};
    return std::nullopt;
}

std::optional<std::string> ReadSweepRequest(const ParsedArguments& arguments,
                                            const InputTexts& texts, SweepRequest& request) {
    ChoiceValues values;
    if (auto error = ReadChoiceOptions(texts, values)) return error;
    if (auto error = ReadStandard(texts, values, request.standard)) return error;
    request.ioFrom = values.ioFrom;
    request.ioTo = values.ioTo;
    request.points = values.points;
    return ReadInputVoltages(arguments, request.points, request.inputVoltages);
}

ComputedDesign TakeComputedDesign(const Module1& m) {
    return {{m.Vi, m.Vo, m.f, m.Io, m.DeltaiL, m.DeltaVo}, m.L, m.C};
}

std::optional<std::string> FileChoiceRefusal(std::string_view path, const ChoiceTexts& texts,
                                             const std::optional<DesignTargets>& nominal) {
    const ChoiceValuesReading read = ReadChoiceValues(texts);
    ChoiceReading resolved{std::nullopt, read.refused, read.message};
    if (read.values && !nominal) return std::nullopt;
    if (read.values) resolved = ResolveChoiceValues(*read.values, *nominal);
    if (resolved.refused == nullptr) return std::nullopt;
    return FileRefusal(path, "selection", resolved.refused->row->key, resolved.message);
}

ChoiceOutcome EvaluateChoice(const ChoiceRequest& request, const ComputedDesign& design) {
    ChoiceOutcome outcome;
    ChoiceResults& r = outcome.results;
    r.design = design;
    const DesignTargets& t = design.targets;
    if (request.corners) {
        const CornerRequest& c = *request.corners;
        r.tolLShown = c.tolLShown;
        r.tolCShown = c.tolCShown;
        ChoiceValues ends;
        ends.tolL = c.tolL, ends.tolC = c.tolC;
        ends.viMin = c.viMin, ends.viMax = c.viMax, ends.ioMin = c.ioMin, ends.ioMax = c.ioMax;
        ChoiceSettings settings;
        if (auto error = ResolveRanges(ends, t, settings)) {
            outcome.error = *error;
            return outcome;
        }
        r.ranges = settings.corners;
    }
    double L = design.L, C = design.C;
    if (request.standard) {
        r.standardAsked = true;
        r.standardRounding = request.standard->rounding;
        r.standard = ChooseStandardValues(t, L, C, request.standard->series,
                                          request.standard->rounding, request.parts);
        if (r.standard) {
            L = r.standard->L;
            C = r.standard->C;
            r.aroundStandard = true;
        }
    }
    if (request.corners) r.corners = EvaluateCorners(t, L, C, r.ranges, request.parts);
    return outcome;
}

void AddChoiceJson(JsonObject& object, const ChoiceResults& r) {
    if (r.standardAsked) {
        if (r.standard)
            object.Object("standard", StandardJson(*r.standard));
        else
            object.Null("standard");
    }
    if (r.corners) CornersJson(object, *r.corners);
}

void ChoiceText(std::ostream& out, const ChoiceResults& r) {
    if (r.standardAsked) {
        out << '\n';
        StandardText(out, r);
    }
    if (r.corners) {
        out << '\n';
        CornersText(out, r);
    }
}

SweepOutcome EvaluateSweep(const SweepRequest& request, const ComputedDesign& design,
                           const PartValues& parts) {
    SweepOutcome outcome;
    const DesignTargets& t = design.targets;
    ChoiceValues ends;
    ends.ioFrom = request.ioFrom, ends.ioTo = request.ioTo;
    ChoiceSettings settings;
    if (auto error = ResolveRanges(ends, t, settings)) {
        outcome.error = *error;
        return outcome;
    }
    const double from = settings.ioFrom, to = settings.ioTo;
    SweepResults& r = outcome.results;
    r.L = design.L;
    r.C = design.C;
    if (request.standard) {
        const std::optional<StandardChoice> chosen = ChooseStandardValues(
            t, design.L, design.C, request.standard->series, request.standard->rounding, parts);
        if (!chosen) {
            outcome.refusal = NoStandardValues(request.standard->rounding);
            return outcome;
        }
        r.L = chosen->L;
        r.C = chosen->C;
    }
    r.design = t;
    r.voltages = request.inputVoltages.empty() ? std::vector<double>{t.Vi} : request.inputVoltages;
    r.ioFrom = from, r.ioTo = to, r.points = request.points, r.parts = parts;
    return outcome;
}

void SweepResults::Each(const std::function<void(const SweepPoint&)>& each) const {
    SweepLoadEach(design, L, C, voltages, ioFrom, ioTo, points, parts, each);
}

// As one JSON object's text would be, each point written once computed.
void SweepJson(std::ostream& out, const SweepResults& r) {
    out << "{\n  \"L\": " << JsonNumber(r.L) << ",\n  \"C\": " << JsonNumber(r.C)
        << ",\n  \"points\": [";
    const char* between = "\n";
    r.Each([&](const SweepPoint& s) {
        JsonObject point;
        point.Number("Vi", s.Vi).Number("Io", s.Io);
        const OperatingPoint& p = s.point;
        for (const SweepFigure& figure : kSweepFigures) {
            if (figure.json.empty()) continue;
            if (!p.Found())
                point.Null(figure.json);
            else if (figure.value)
                point.Number(figure.json, p.*figure.value / figure.unitsPerSI);
            else
                point.String(figure.json, ModeName(p.mode));
        }
        if (!p.Found()) point.String("outcome", OutcomeName(p.outcome));
        // Two levels in: four spaces before each of its lines.
        std::string text = point.Text();
        for (std::size_t at = text.find('\n'); at != std::string::npos;
             at = text.find('\n', at + 5))
            text.insert(at + 1, "    ");
        out << std::exchange(between, ",\n") << "    " << text;
    });
    out << "\n  ]\n}";
}

void SweepCsv(std::ostream& out, const SweepResults& r) {
    out << SweepCsvHeader();
    r.Each([&out](const SweepPoint& s) { out << SweepCsvRow(s); });
}

// The text table leads with the mode, whose column says why a point has no
// figures.
void SweepText(std::ostream& out, const SweepResults& r) {
    const auto textColumns = [](auto write) {
        for (const SweepFigure& figure : kSweepFigures)
            if (figure.value && !figure.text.empty()) write(figure);
    };
    const SweepFigure& mode = *std::find_if(std::begin(kSweepFigures), std::end(kSweepFigures),
                                            [](const SweepFigure& f) { return !f.value; });
    std::string header =
        Padded("Vi [V]", 10) + Padded("Io [A]", 10) + Padded(std::string(mode.text), mode.width);
    textColumns([&](const SweepFigure& f) { header += Padded(std::string(f.text), f.width); });
    out << "Scansione del carico con L " << Label(r.L) << " uH, C " << Label(r.C) << " uF\n"
        << header << '\n';
    r.Each([&](const SweepPoint& s) {
        const OperatingPoint& p = s.point;
        out << Padded(Label(s.Vi), 10) << Padded(Label(s.Io), 10);
        if (p.Found()) {
            out << Padded(std::string(ModeName(p.mode)), mode.width);
            textColumns([&](const SweepFigure& f) {
                out << Padded(Label(p.*f.value * f.textScale), f.width);
            });
        } else {
            out << Padded("n.d.", mode.width) << OutcomeWords(p.outcome);
        }
        out << '\n';
    });
}

}  // namespace stepdown::cli
