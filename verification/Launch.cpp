#include "verification/Launch.h"

#include <array>
#include <cmath>
#include <optional>

#include "design/DesignCalculation.h"
#include "model/MainWindowBoxes.h"
#include "model/VerificationFields.h"
#include "verification/Simulation.h"
#include "waveformplot/Plot.h"

namespace stepdown {

static_assert(kMaxSamplesPerPeriod == 2'000'000, "kTooManySamplesMessage names the cap");

namespace {

constexpr std::array kStepOrder{&kViField, &kDField, &kFField,  &kLField, &kCField,
                                &kRLField, &kNField, &kNPField, &kNIField};

// One of the three counts: parsed and rounded to 32 bits.
std::optional<std::int32_t> ReadCount(Module1& m, const InputTexts& texts, MessageDisplay& window,
                                      const Quantity& field) {
    const std::optional<double> value = m.ReadNumber(window, texts, field);
    if (!value) return std::nullopt;
    const std::optional<std::int32_t> count = RoundToInteger(*value);
    if (!count) m.Refuse(window, IntegerRangeMessageFor(field.subject));
    return count;
}

// Reads the fields into the module; false once a refusal has been shown.
bool ReadInputs(Module1& m, const InputTexts& texts, MessageDisplay& window,
                const FieldReadNotice& fieldRead) {
    for (const Quantity* field : kStepOrder)
        if (!m.CheckField(window, texts, *field)) return false;

    for (const CircuitQuantity& quantity : CircuitQuantities()) {
        if (fieldRead) fieldRead(*quantity.row);
        const std::optional<double> value = m.ReadNumber(window, texts, *quantity.row);
        if (!value) return false;
        const double converted = *value * quantity.row->toSI;
        // Only the frequency can leave the double range on its way to SI units.
        if (!std::isfinite(converted)) {
            m.Refuse(window, kFrequencyOverflowMessage);
            return false;
        }
        m.*quantity.stored = converted;
        if (!quantity.row->range.Contains(converted)) {
            m.Refuse(window, quantity.row->refusal);
            return false;
        }
    }

    std::optional<std::int32_t> count = ReadCount(m, texts, window, kNField);
    if (!count) return false;
    if (*count < 1) {
        m.Refuse(window, kTooFewSamplesMessage);
        return false;
    }
    if (*count > kMaxSamplesPerPeriod) {
        m.Refuse(window, kTooManySamplesMessage);
        return false;
    }
    m.N = *count;
    for (const auto& [field, stored] :
         {std::pair{&kNPField, &Module1::NP}, std::pair{&kNIField, &Module1::NI}}) {
        if (!(count = ReadCount(m, texts, window, *field))) return false;
        m.*stored = *count;
    }
    return true;
}

}  // namespace

std::string UnsettledWarning(const RunAnalysis& a, std::int32_t NI, std::string_view separator) {
    const std::string head = "Attenzione: dopo " + std::to_string(NI) +
                             " periodi la simulazione non ha ancora raggiunto il regime: le "
                             "grandezze mostrate differiscono da quelle di regime fino al " +
                             DeviationPercent(a.verdict.worstDeviation, separator) + " %.";
    switch (a.verdict.advice) {
    case SettleAdvice::None:
        return {};
    case SettleAdvice::RaiseNI:
        return head + " Aumenta NI ad almeno " + std::to_string(a.steady.periodsNeeded) + ".";
    case SettleAdvice::CurrentReachesZero:
        return head + " A regime però la corrente nell'induttore si annulla (scende fino a " +
               FormatScientific(a.steady.band.minIL, 2, separator) +
               " A), e nessun NI può mostrarlo: la simulazione verrebbe rifiutata con il "
               "messaggio «" +
               std::string(kConductionMessage) + "»";
    case SettleAdvice::BeyondLargestNI:
        return head +
               " Il transitorio è così lento che nemmeno il massimo NI, 2147483647 periodi, "
               "basta a raggiungere il regime.";
    case SettleAdvice::NotComputable:
        return "Attenzione: regime non calcolabile. Il transitorio di questo circuito si smorza "
               "così poco da un periodo all'altro che il calcolo del regime non conserverebbe le "
               "sue cifre: non si può dire se le grandezze mostrate dopo " +
               std::to_string(NI) + " periodi siano quelle di regime.";
    case SettleAdvice::Unbounded:
        break;
    }
    return std::string(kNoSteadyStateMessage);
}

namespace {

// The run on the accepted inputs, with the texts they were read from.
SimulationResult SimulateRead(Module1& m, const InputTexts& texts, ProgressReporter& progress) {
    TextList launchTexts;
    launchTexts.reserve(kStepOrder.size());
    for (const Quantity* field : kStepOrder)
        launchTexts.emplace_back(IdOf(*field), TextIn(texts, *field));
    return SimulateConverter(m, progress, VerifiedDesign(m.LastDesign, texts),
                             std::move(launchTexts));
}

// The outcome of a run whose refusal has been shown, with the warning of a
// completed run that has not settled.
LaunchResult Conclude(const SimulationResult& simulation, const Module1& m,
                      MessageDisplay& messages, std::string_view separator) {
    LaunchResult result{LaunchOutcome::InputRefused, simulation.run};
    switch (simulation.outcome) {
    case SimulationOutcome::InvalidSettings:
        break;
    case SimulationOutcome::Cancelled:
        result.outcome = LaunchOutcome::Cancelled;
        break;
    case SimulationOutcome::Unstable:
    case SimulationOutcome::FiguresOverflow:
        result.outcome = LaunchOutcome::Unstable;
        break;
    case SimulationOutcome::ConductionRefused:
        result.outcome = LaunchOutcome::ConductionRefused;
        break;
    case SimulationOutcome::Completed: {
        const RunAnalysis& analysis = *simulation.run->analysis;
        if (analysis.verdict.settled) {
            result.outcome = LaunchOutcome::Settled;
            break;
        }
        result.outcome = LaunchOutcome::NotSettled;
        messages.ShowMessage(UnsettledWarning(analysis, m.NI, separator));
        break;
    }
    }
    return result;
}

void ShowRefusal(Module1& m, MessageDisplay& messages, const SimulationResult& simulation) {
    if (!simulation.refusal.empty()) m.Refuse(messages, simulation.refusal);
}

}  // namespace

LaunchResult VerifyFromTexts(Module1& m, const InputTexts& texts, MessageDisplay& messages,
                             ProgressReporter& progress, std::string_view separator,
                             const FieldReadNotice& fieldRead) {
    if (!ReadInputs(m, texts, messages, fieldRead)) return {};
    const SimulationResult simulation = SimulateRead(m, texts, progress);
    ShowRefusal(m, messages, simulation);
    return Conclude(simulation, m, messages, separator);
}

LaunchResult VerifyIntoWindow(Module1& m, const InputTexts& texts, MessageDisplay& messages,
                              ProgressReporter& progress, std::string_view separator,
                              WaveformWindowHost& host, const FieldReadNotice& fieldRead) {
    if (!ReadInputs(m, texts, messages, fieldRead)) return {};
    WaveformWindowOperations& waveform = host.WaveformWindow();
    waveform.ResetPlot();
    if (SimulationSettingsValid(m)) {
        PreparePlot(waveform);
        // The readout of a blank plot has nothing to read, and the memory of
        // the old run is better spent on this one.
        waveform.SetShownRun(nullptr);
    }
    const SimulationResult simulation = SimulateRead(m, texts, progress);
    if (simulation.outcome == SimulationOutcome::Completed) DrawWaveforms(m, waveform);
    if (simulation.run) waveform.SetShownRun(simulation.run);
    ShowRefusal(m, messages, simulation);

    const MeasuredFigures shown = FiguresOf(m);
    for (const FigureDescription& figure : kMeasuredFigures)
        waveform.SetCaption(FigureLabelOf(figure.name),
                            FormatScientific(shown.*figure.value, 2, separator));
    return Conclude(simulation, m, messages, separator);
}

LaunchResult LaunchVerification(Module1& m, MainWindowOperations& window, WaveformWindowHost& host,
                                ProgressReporter& progress) {
    return VerifyIntoWindow(
        m, TextsOf(window), window, progress, window.DecimalSeparator(), host,
        [&window](const Quantity& row) { window.SetTextColour(BoxOf(row), kBlack); });
}

}  // namespace stepdown
