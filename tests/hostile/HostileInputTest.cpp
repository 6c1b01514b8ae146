// Whatever is typed or pasted into the fields of both clicks, the click ends
// with a result or one clear message, within a moment, with bounded memory,
// and no "nan" or "inf" ever reaches a caption or a text.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "design/DesignCalculation.h"
#include "hostile/AllocationProbe.h"
#include "simulation/CursorReadout.h"
#include "simulation/Launch.h"
#include "simulation/Simulation.h"
#include "support/RecordingProgress.h"
#include "support/RecordingWindow.h"

namespace stepdown::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMillion = 1'000'000;
// Generous: a click on a million characters takes milliseconds.
constexpr auto kClickBound = std::chrono::seconds(1);
// A run over arrays at the cap fills 80 MB first: a few tenths of a second.
constexpr auto kRunAtCapBound = std::chrono::seconds(10);

const std::map<std::string, std::string> kDesignExample{{"Text1", "25"}, {"Text2", "15"},
                                                        {"Text3", "80"}, {"Text4", "40"},
                                                        {"Text5", "60"}, {"Text6", "1.5"}};

const std::map<std::string, std::string> kLaunchExample{
    {"Text7", "2.500E+01"}, {"Text8", "6.000E+01"},  {"Text12", "8.000E+01"},
    {"Text9", "1.250E+02"}, {"Text10", "1.563E+01"}, {"Text11", "1.000E+01"},
    {"Text13", "1000"},     {"Text14", "10"},        {"Text15", "2000"}};

const std::vector<std::string> kExampleFigures{"6.14E-01", "6.13E+01", "1.78E+00", "5.92E-01",
                                               "8.85E-01"};
const std::vector<std::string> kNoFigures(5, "0.00E+00");

bool ShowsNonNumber(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos;
}

// What one click left on the recording windows.
struct ClickResult {
    std::vector<std::string> messages;
    std::map<std::string, std::string> captions;  // main window labels
    std::map<std::string, std::string> written;   // texts the click wrote
    std::map<std::string, std::string> figures;   // waveform window labels
    bool windowCreated = false;
    std::size_t traceBatches = 0;
    std::size_t lines = 0;
    bool runShown = false;
    std::size_t reports = 0;
    Clock::duration took{};
};

// The invariants that hold for every click, whatever its input.
void ExpectOrderly(const ClickResult& r, Clock::duration bound) {
    EXPECT_LE(r.messages.size(), 1U);
    EXPECT_LT(r.took, bound);
    for (const auto* shown : {&r.captions, &r.written, &r.figures})
        for (const auto& [name, text] : *shown) {
            EXPECT_FALSE(text.empty()) << name;
            EXPECT_FALSE(ShowsNonNumber(text)) << name << ": " << text;
        }
    // A refused click shows nothing but its message.
    if (!r.messages.empty() && !r.windowCreated) {
        EXPECT_TRUE(r.captions.empty());
        EXPECT_TRUE(r.written.empty());
        EXPECT_TRUE(r.figures.empty());
    }
}

ClickResult Collect(const RecordingWindow& window, Clock::duration took) {
    ClickResult r;
    r.messages = window.messages;
    r.captions = window.captions;
    for (const std::string& entry : window.log) {
        if (entry.rfind("text ", 0) != 0) continue;
        const std::size_t space = entry.find(' ', 5);
        r.written[entry.substr(5, space - 5)] = entry.substr(space + 1);
    }
    r.figures = window.waveform.captions;
    r.windowCreated = window.waveformWindowCreated;
    r.traceBatches = window.waveform.batches.size();
    r.lines = window.waveform.lines.size();
    r.runShown = window.waveform.shownRun != nullptr;
    r.took = took;
    return r;
}

ClickResult DesignClick(const std::map<std::string, std::string>& changes) {
    RecordingWindow window;
    for (const auto& [box, text] : kDesignExample) window.Type(box, text);
    for (const auto& [box, text] : changes) window.Type(box, text);
    Module1 module;
    const Clock::time_point start = Clock::now();
    DesignCalculation(module, window);
    ClickResult r = Collect(window, Clock::now() - start);
    ExpectOrderly(r, kClickBound);
    return r;
}

ClickResult LaunchClick(const std::map<std::string, std::string>& changes, int cancelAt = 0,
                        Module1* kept = nullptr, Clock::duration bound = kClickBound) {
    RecordingWindow window;
    for (const auto& [box, text] : kLaunchExample) window.Type(box, text);
    for (const auto& [box, text] : changes) window.Type(box, text);
    Module1 local;
    Module1& module = kept != nullptr ? *kept : local;
    RecordingProgress progress(cancelAt);
    const Clock::time_point start = Clock::now();
    LaunchVerification(module, window, window, progress);
    ClickResult r = Collect(window, Clock::now() - start);
    r.reports = progress.reports.size();
    ExpectOrderly(r, bound);
    EXPECT_LE(module.N, kMaxSamplesPerPeriod);
    EXPECT_LE(module.WaveIL.size(), static_cast<std::size_t>(kMaxSamplesPerPeriod) + 2);
    return r;
}

std::vector<std::string> Figures(const ClickResult& r) {
    std::vector<std::string> out;
    for (const char* label : {"Label2", "Label5", "Label8", "Label9", "Label16"}) {
        const auto found = r.figures.find(label);
        out.push_back(found == r.figures.end() ? "-" : found->second);
    }
    return out;
}

// ---------------------------------------------------------------------------
// One hostile text in one field, every other field as in the worked example.

enum class Kind {
    Empty,     // the field's "Hai dimenticato" message
    Invalid,   // the field's "Errore di inserimento" message
    Overflow,  // the field's "troppo grande" message
    Zero,      // reads as zero: the field's zero message
};

// The text is made inside the test: the million-character ones would
// otherwise be copied into every combination at registration.
struct HostileText {
    std::string name;
    std::string (*make)();
    Kind kind;
};

std::string Repeat(const std::string& unit, std::size_t count) {
    std::string text;
    text.reserve(unit.size() * count);
    for (std::size_t i = 0; i < count; ++i) text += unit;
    return text;
}

const std::vector<HostileText> kHostileTexts{
    {"empty", [] { return std::string(""); }, Kind::Empty},
    {"million_letters", [] { return std::string(kMillion, 'a'); }, Kind::Invalid},
    {"million_ones", [] { return std::string(kMillion, '1'); }, Kind::Overflow},
    {"million_zeros", [] { return std::string(kMillion, '0'); }, Kind::Zero},
    {"million_minus_signs", [] { return std::string(kMillion, '-'); }, Kind::Zero},
    {"million_digit_tiny", [] { return "0." + std::string(kMillion - 3, '0') + "1"; }, Kind::Zero},
    {"million_bidi_overrides", [] { return Repeat("\u202E", kMillion); }, Kind::Invalid},
    {"million_digits_then_blank", [] { return std::string(kMillion - 1, '5') + " "; },
     Kind::Invalid},
    {"fullwidth_digits", [] { return std::string("\uFF12\uFF15"); }, Kind::Invalid},
    {"arabic_indic_digits", [] { return std::string("\u0662\u0665"); }, Kind::Invalid},
    {"right_to_left_override", [] { return std::string("\u202E25"); }, Kind::Invalid},
    {"right_to_left_mark", [] { return std::string("25\u200F"); }, Kind::Invalid},
    {"zero_width_space", [] { return std::string("2\u200B5"); }, Kind::Invalid},
    {"vulgar_half", [] { return std::string("\u00BD"); }, Kind::Invalid},
    {"decimal_comma", [] { return std::string("2,5"); }, Kind::Invalid},
    {"leading_blank", [] { return std::string(" 25"); }, Kind::Invalid},
    {"nul_byte", [] { return std::string("25\0", 3); }, Kind::Invalid},
    {"word_nan", [] { return std::string("nan"); }, Kind::Invalid},
    {"word_inf", [] { return std::string("inf"); }, Kind::Invalid},
    {"hexadecimal", [] { return std::string("0x10"); }, Kind::Invalid},
    {"e400", [] { return std::string("1e400"); }, Kind::Overflow},
    {"minus_e400", [] { return std::string("-1e400"); }, Kind::Overflow},
    {"beyond_double_max", [] { return std::string("1.7976931348623159e308"); }, Kind::Overflow},
    {"giant_exponent", [] { return std::string("1e99999999999999999999"); }, Kind::Overflow},
    {"e_minus_400", [] { return std::string("1e-400"); }, Kind::Zero},
    {"minus_e_minus_400", [] { return std::string("-1e-400"); }, Kind::Zero},
    {"below_denormals", [] { return std::string("2e-324"); }, Kind::Zero},
    {"minus_zero", [] { return std::string("-0"); }, Kind::Zero},
    {"plus_minus", [] { return std::string("+-"); }, Kind::Zero},
    {"letter_e", [] { return std::string("e"); }, Kind::Zero},
    {"point", [] { return std::string("."); }, Kind::Zero},
    {"zero_exponent_only", [] { return std::string("0e999999"); }, Kind::Zero},
};

struct FieldCase {
    std::string box;
    std::string description;
    std::optional<std::string> zeroMessage;  // nothing: zero is accepted
};

// Parameters print as their names, not as bytes.
void PrintTo(const HostileText& text, std::ostream* out) { *out << text.name; }
void PrintTo(const FieldCase& field, std::ostream* out) { *out << field.box; }

const std::vector<FieldCase> kDesignFields{
    {"Text1", "la tensione di ingresso Vi",
     "La tensione in ingresso non può essere zero o negativa!"},
    {"Text2", "il valore della tensione desiderata in uscita Vo",
     "La tensione in uscita non può essere zero o negativa o maggiore di Vi!"},
    {"Text3", "il valore della frequenza di commutazione f in kHz",
     "La frequenza non può essere zero o negativa!"},
    {"Text4", "il valore di DeltaiL/Io in %", "DeltaiL non può essere zero o negativo!"},
    {"Text5", "il valore di DeltaVo in mV", "DeltaVo non può essere zero o negativo!"},
    // Io = 0 passes its own check and makes DeltaiL zero.
    {"Text6", "il valore di Io in Ampere", "DeltaiL non può essere zero o negativo!"},
};

const std::vector<FieldCase> kLaunchFields{
    {"Text7", "la tensione di ingresso Vi",
     "La tensione in ingresso non può essere zero o negativa!"},
    {"Text8", "il valore del Duty Cycle in %",
     "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!"},
    {"Text12", "il valore della frequenza di commutazione f in kHz",
     std::string(kFrequencyNotPositiveMessage)},
    {"Text9", "il valore dell'induttanza in uH", std::string(kInductanceNotPositiveMessage)},
    {"Text10", "il valore della capacità in uF", std::string(kCapacitanceNotPositiveMessage)},
    {"Text11", "il valore della resistenza di carico RL in ohm",
     std::string(kLoadNotPositiveMessage)},
    {"Text13", "il numero dei campioni N", std::string(kTooFewSamplesMessage)},
    // NP = 0 draws no trace; NI = 0 simulates nothing and the conduction check refuses it.
    {"Text14", "il numero dei periodi visualizzati NP", std::nullopt},
    {"Text15", "il numero delle iterazioni NI", std::string(kConductionMessage)},
};

std::optional<std::string> ExpectedMessage(const FieldCase& field, Kind kind) {
    switch (kind) {
    case Kind::Empty:
        return ForgotMessageFor(field.description);
    case Kind::Invalid:
        return InvalidMessageFor(field.description);
    case Kind::Overflow:
        return OverflowMessageFor(field.description);
    case Kind::Zero:
        return field.zeroMessage;
    }
    return std::nullopt;
}

std::string CaseName(const FieldCase& field, const HostileText& text) {
    return field.box + "_" + text.name;
}

class DesignHostileText : public ::testing::TestWithParam<std::tuple<FieldCase, HostileText>> {};

TEST_P(DesignHostileText, EndsWithItsOneMessage) {
    const auto& [field, text] = GetParam();
    const ClickResult r = DesignClick({{field.box, text.make()}});
    const std::optional<std::string> expected = ExpectedMessage(field, text.kind);
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(r.messages, std::vector<std::string>{*expected});
    EXPECT_TRUE(r.captions.empty());
    EXPECT_TRUE(r.written.empty());
}

INSTANTIATE_TEST_SUITE_P(Fields, DesignHostileText,
                         ::testing::Combine(::testing::ValuesIn(kDesignFields),
                                            ::testing::ValuesIn(kHostileTexts)),
                         [](const auto& info) {
                             return CaseName(std::get<0>(info.param), std::get<1>(info.param));
                         });

class LaunchHostileText : public ::testing::TestWithParam<std::tuple<FieldCase, HostileText>> {};

TEST_P(LaunchHostileText, EndsWithItsOneMessage) {
    const auto& [field, text] = GetParam();
    const ClickResult r = LaunchClick({{field.box, text.make()}});
    const std::optional<std::string> expected = ExpectedMessage(field, text.kind);
    if (!expected) {
        // NP of zero: the run completes and draws no trace.
        EXPECT_TRUE(r.messages.empty());
        EXPECT_EQ(r.traceBatches, 0U);
        EXPECT_EQ(Figures(r), kExampleFigures);
        return;
    }
    EXPECT_EQ(r.messages, std::vector<std::string>{*expected});
    if (field.box == "Text15" && text.kind == Kind::Zero) {
        // The run itself refuses: the frame only, the figures of no run.
        EXPECT_TRUE(r.windowCreated);
        EXPECT_EQ(r.traceBatches, 0U);
        EXPECT_EQ(Figures(r), kNoFigures);
    } else {
        EXPECT_FALSE(r.windowCreated);
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, LaunchHostileText,
                         ::testing::Combine(::testing::ValuesIn(kLaunchFields),
                                            ::testing::ValuesIn(kHostileTexts)),
                         [](const auto& info) {
                             return CaseName(std::get<0>(info.param), std::get<1>(info.param));
                         });

// ---------------------------------------------------------------------------
// A million characters in every field at once.

// A number written with a million characters: trailing zeros after the point.
std::string Padded(const std::string& number) {
    std::string text = number;
    if (text.find('.') == std::string::npos) text += '.';
    text.resize(kMillion, '0');
    return text;
}

std::map<std::string, std::string> EveryField(const std::map<std::string, std::string>& example,
                                              const std::string& text) {
    std::map<std::string, std::string> all;
    for (const auto& [box, ignored] : example) all[box] = text;
    return all;
}

TEST(MillionCharacters, PaddedNumbersInEveryFieldGiveTheWorkedExample) {
    std::map<std::string, std::string> design;
    for (const auto& [box, text] : kDesignExample) design[box] = Padded(text);
    const ClickResult d = DesignClick(design);
    EXPECT_TRUE(d.messages.empty());
    EXPECT_EQ(d.captions.at("Label24"), "1.25E+02");
    EXPECT_EQ(d.written.at("Text10"), "1.563E+01");

    std::map<std::string, std::string> launch;
    for (const auto& [box, text] : kLaunchExample)
        launch[box] = Padded(std::to_string(ParseNumber(text)));
    const ClickResult l = LaunchClick(launch);
    EXPECT_TRUE(l.messages.empty());
    EXPECT_EQ(Figures(l), kExampleFigures);
}

TEST(MillionCharacters, LeadingZerosInEveryFieldAreRead) {
    std::map<std::string, std::string> launch;
    for (const auto& [box, text] : kLaunchExample) {
        const std::string digits = std::to_string(ParseNumber(text));
        launch[box] = std::string(kMillion - digits.size(), '0') + digits;
    }
    const ClickResult l = LaunchClick(launch);
    EXPECT_TRUE(l.messages.empty());
    EXPECT_EQ(Figures(l), kExampleFigures);
}

struct EveryFieldCase {
    std::string name;
    char unit;
    std::string message;  // of Vi, the first field of both clicks
};

class EveryFieldMillion : public ::testing::TestWithParam<EveryFieldCase> {};

const std::string kViDescription = "la tensione di ingresso Vi";
const std::string kViRange = "La tensione in ingresso non può essere zero o negativa!";

TEST_P(EveryFieldMillion, OnlyTheFirstFieldSpeaks) {
    const std::string text(kMillion, GetParam().unit);
    const std::vector<std::string> expected{GetParam().message};
    EXPECT_EQ(DesignClick(EveryField(kDesignExample, text)).messages, expected);
    EXPECT_EQ(LaunchClick(EveryField(kLaunchExample, text)).messages, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EveryFieldMillion,
    ::testing::Values(EveryFieldCase{"letters", 'x', InvalidMessageFor(kViDescription)},
                      EveryFieldCase{"nines", '9', OverflowMessageFor(kViDescription)},
                      EveryFieldCase{"zeros", '0', kViRange},
                      EveryFieldCase{"points", '.', kViRange}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Values at the edges of double and of 32-bit integers.

struct EdgeCase {
    std::string name;
    std::map<std::string, std::string> changes;
    std::vector<std::string> messages;
    std::optional<std::vector<std::string>> figures;  // launch only; nothing: not checked
};

void PrintTo(const EdgeCase& edge, std::ostream* out) { *out << edge.name; }
void PrintTo(const EveryFieldCase& every, std::ostream* out) { *out << every.name; }

// One value in one field; no message: accepted.
EdgeCase Edge(const std::string& name, const std::string& box, const std::string& text,
              std::optional<std::string_view> message,
              std::optional<std::vector<std::string>> figures = std::nullopt) {
    std::vector<std::string> messages;
    if (message) messages.emplace_back(*message);
    return EdgeCase{name, {{box, text}}, messages, figures};
}

class DesignEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(DesignEdge, GivesItsAnswer) {
    const ClickResult r = DesignClick(GetParam().changes);
    EXPECT_EQ(r.messages, GetParam().messages);
    if (r.messages.empty()) {
        EXPECT_EQ(r.captions.size(), 5U);
        EXPECT_EQ(r.written.size(), 6U);
    }
}

constexpr std::string_view kVoRange =
    "La tensione in uscita non può essere zero o negativa o maggiore di Vi!";
constexpr std::string_view kDutyRange =
    "Il Duty Cycle non può essere zero o negativo o maggiore o uguale al 100%!";
const std::string kDoubleMax = "1.7976931348623157e308";
const std::string kDenormal = "4.9406564584124654e-324";
const std::string kSmallestNormal = "2.2250738585072014e-308";

INSTANTIATE_TEST_SUITE_P(
    Values, DesignEdge,
    ::testing::Values(Edge("vi_double_max", "Text1", kDoubleMax, kResultNotFiniteMessage),
                      Edge("vi_denormal", "Text1", kDenormal, kVoRange),
                      Edge("vi_smallest_normal", "Text1", kSmallestNormal, kVoRange),
                      EdgeCase{"vi_vo_smallest_normal",
                               {{"Text1", kSmallestNormal}, {"Text2", "1e-308"}},
                               {std::string(kResultNotFiniteMessage)},
                               {}},
                      Edge("f_double_max", "Text3", kDoubleMax, kResultNotFiniteMessage),
                      Edge("f_denormal", "Text3", kDenormal, kResultNotFiniteMessage),
                      Edge("io_double_max", "Text6", kDoubleMax, kResultNotFiniteMessage),
                      Edge("delta_vo_denormal", "Text5", "1e-320", kResultNotFiniteMessage),
                      Edge("vo_equals_vi", "Text2", "25", kVoEqualsViMessage),
                      Edge("vo_almost_vi", "Text2", "24.999999999999996", std::nullopt),
                      EdgeCase{"int32_max_everywhere",
                               EveryField(kDesignExample, "2147483647"),
                               {std::string(kVoEqualsViMessage)},
                               {}}),
    [](const auto& info) { return info.param.name; });

class LaunchEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(LaunchEdge, GivesItsAnswer) {
    const ClickResult r = LaunchClick(GetParam().changes);
    EXPECT_EQ(r.messages, GetParam().messages);
    if (GetParam().figures) {
        EXPECT_EQ(Figures(r), *GetParam().figures);
    }
}

const std::string kNRange = IntegerRangeMessageFor("il numero dei campioni N");
const std::string kNPRange = IntegerRangeMessageFor("il numero dei periodi visualizzati NP");
const std::string kNIRange = IntegerRangeMessageFor("il numero delle iterazioni NI");

INSTANTIATE_TEST_SUITE_P(
    Values, LaunchEdge,
    ::testing::Values(
        Edge("n_int32_max", "Text13", "2147483647", kTooManySamplesMessage),
        Edge("n_int32_beyond", "Text13", "2147483648", kNRange),
        Edge("n_rounds_beyond_int32", "Text13", "2147483647.5", kNRange),
        Edge("n_int32_min", "Text13", "-2147483648", kTooFewSamplesMessage),
        Edge("n_below_int32", "Text13", "-2147483649", kNRange),
        Edge("n_ten_to_eight", "Text13", "1e8", kTooManySamplesMessage),
        Edge("n_just_above_cap", "Text13", "2000001", kTooManySamplesMessage),
        Edge("n_rounds_to_zero", "Text13", "0.5", kTooFewSamplesMessage),
        Edge("np_int32_max", "Text14", "2147483647", std::nullopt, kExampleFigures),
        Edge("np_int32_beyond", "Text14", "2147483648", kNPRange),
        Edge("np_int32_min", "Text14", "-2147483648", std::nullopt, kExampleFigures),
        Edge("np_below_int32", "Text14", "-2147483649", kNPRange),
        Edge("ni_int32_max", "Text15", "2147483647", std::nullopt, kExampleFigures),
        Edge("ni_int32_beyond", "Text15", "2147483648", kNIRange),
        Edge("ni_int32_min", "Text15", "-2147483648", kConductionMessage, kNoFigures),
        Edge("ni_below_int32", "Text15", "-2147483649", kNIRange),
        Edge("f_overflows_in_hertz", "Text12", "1e308", kFrequencyOverflowMessage),
        Edge("f_double_max", "Text12", kDoubleMax, kFrequencyOverflowMessage),
        Edge("l_underflows_to_zero", "Text9", kDenormal, kInductanceNotPositiveMessage),
        Edge("c_underflows_to_zero", "Text10", "1e-320", kCapacitanceNotPositiveMessage),
        // The simulation stays finite, the figures overflow.
        Edge("vi_double_max", "Text7", kDoubleMax, kResultNotFiniteMessage, kNoFigures),
        Edge("f_denormal", "Text12", kDenormal, kUnstableMessage, kNoFigures),
        // No load: the inductor current dies out.
        Edge("rl_double_max", "Text11", kDoubleMax, kConductionMessage, kNoFigures),
        Edge("rl_denormal", "Text11", kDenormal, kUnstableMessage, kNoFigures),
        Edge("duty_just_below_one", "Text8", "99.99999999999999", std::nullopt),
        Edge("duty_denormal", "Text8", kDenormal, kDutyRange)),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Unstable integration: a time step long against the circuit's time constants.

struct UnstableCase {
    std::string name;
    std::map<std::string, std::string> changes;
};

void PrintTo(const UnstableCase& unstable, std::ostream* out) { *out << unstable.name; }

class Unstable : public ::testing::TestWithParam<UnstableCase> {};

TEST_P(Unstable, StopsWithItsMessageAndDrawsNothing) {
    const ClickResult r = LaunchClick(GetParam().changes);
    EXPECT_EQ(r.messages, std::vector<std::string>{std::string(kUnstableMessage)});
    EXPECT_TRUE(r.windowCreated);
    EXPECT_EQ(r.traceBatches, 0U);
    EXPECT_FALSE(r.runShown);
    EXPECT_EQ(Figures(r), kNoFigures);
}

INSTANTIATE_TEST_SUITE_P(
    Circuits, Unstable,
    ::testing::Values(
        UnstableCase{"tiny_l_and_c", {{"Text9", "0.001"}, {"Text10", "0.001"}, {"Text13", "10"}}},
        UnstableCase{"tiny_c", {{"Text10", "1e-9"}, {"Text13", "3"}}},
        UnstableCase{"tiny_rl_and_c", {{"Text11", "1e-6"}, {"Text10", "0.01"}}},
        UnstableCase{
            "low_frequency",
            {{"Text12", "0.001"}, {"Text13", "10"}, {"Text9", "0.01"}, {"Text10", "0.01"}}},
        UnstableCase{"long_step",
                     {{"Text12", "1"},
                      {"Text13", "4"},
                      {"Text8", "50"},
                      {"Text9", "1"},
                      {"Text10", "1"},
                      {"Text11", "1"}}},
        UnstableCase{
            "huge_vi_tiny_l_and_c",
            {{"Text7", "1e300"}, {"Text9", "1e-3"}, {"Text10", "1e-3"}, {"Text13", "10"}}}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Settings that ask for enormous work.

TEST(HugeSettings, NpOfTenToNineDrawsABoundedPlot) {
    const ClickResult r = LaunchClick({{"Text14", "1e9"}});
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.traceBatches, 5U);
    // At most three segments per pixel column and trace, plus the frame.
    EXPECT_LE(r.lines, 30U + 5U * 3U * 997U);
    EXPECT_EQ(Figures(r), kExampleFigures);
}

TEST(HugeSettings, NiOfTenToNineSettlesEarlyOnAConvergingCircuit) {
    const ClickResult r = LaunchClick({{"Text15", "1e9"}});
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(Figures(r), kExampleFigures);
    // The early stop reports completion once.
    EXPECT_EQ(r.reports, 1U);
}

TEST(HugeSettings, NiOfTenToNineIsCancelledThroughTheProgressReporter) {
    // A time constant of 0.1 s: ten thousand periods from steady state.
    const ClickResult r =
        LaunchClick({{"Text10", "1000"}, {"Text11", "100"}, {"Text15", "1e9"}}, 3);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.reports, 3U);
    EXPECT_TRUE(r.windowCreated);
    EXPECT_EQ(r.traceBatches, 0U);
    EXPECT_FALSE(r.runShown);
    EXPECT_EQ(Figures(r), kNoFigures);
}

TEST(HugeSettings, NAtTheCapRunsAndAboveIsRefused) {
    const ClickResult atCap =
        LaunchClick({{"Text13", "2000000"}, {"Text15", "1"}}, 0, nullptr, kRunAtCapBound);
    EXPECT_EQ(atCap.messages.size(), 1U);  // one period from rest is not the steady state
    EXPECT_EQ(atCap.traceBatches, 5U);
    const ClickResult above = LaunchClick({{"Text13", "2000001"}, {"Text15", "1"}});
    EXPECT_EQ(above.messages, std::vector<std::string>{std::string(kTooManySamplesMessage)});
    EXPECT_FALSE(above.windowCreated);
}

// ---------------------------------------------------------------------------
// The readout of a run whose plot spans more microseconds than a double holds.

TEST(Readout, ATimeBeyondTheDoubleRangeLeavesTheTooltipAsItWas) {
    // A stable, conducting circuit at 1e-297 Hz: huge L and C, NP at its top.
    RecordingWindow window;
    for (const auto& [box, text] : kLaunchExample) window.Type(box, text);
    window.Type("Text12", "1e-300");
    window.Type("Text9", "1e304");
    window.Type("Text10", "1e304");
    window.Type("Text14", "2147483647");
    Module1 module;
    RecordingProgress progress;
    LaunchVerification(module, window, window, progress);
    ASSERT_TRUE(window.messages.empty());
    const SimulationRun* run = window.waveform.shownRun.get();
    ASSERT_NE(run, nullptr);

    for (const float y : {90.0F, 65.0F, 50.0F, 30.0F, 10.0F}) {
        const ReadoutResult far = CursorReadout(run, 0, 100.0F, y, ".");
        EXPECT_NE(far.selectedOption, 0);
        EXPECT_FALSE(far.toolTip.has_value()) << *far.toolTip;
        // The left edge is at time zero, which has a text.
        const ReadoutResult origin = CursorReadout(run, 0, 0.0F, y, ".");
        ASSERT_TRUE(origin.toolTip.has_value());
        EXPECT_NE(origin.toolTip->find("0.00usec"), std::string::npos) << *origin.toolTip;
        EXPECT_FALSE(ShowsNonNumber(*origin.toolTip)) << *origin.toolTip;
    }
}

// ---------------------------------------------------------------------------
// Memory: no input makes the core allocate beyond the arrays at the cap.

TEST(Memory, NoInputAllocatesBeyondTheCap) {
    constexpr std::size_t kArrayAtCap = (std::size_t{kMaxSamplesPerPeriod} + 2) * sizeof(double);
    AllocationProbe::Reset();
    Module1 module;
    LaunchClick({{"Text13", "2000000"}, {"Text14", "1e9"}, {"Text15", "3"}}, 0, &module,
                kRunAtCapBound);
    LaunchClick({{"Text13", "1e8"}}, 0, &module);
    LaunchClick({{"Text13", "2147483647"}, {"Text14", "2147483647"}}, 0, &module);
    LaunchClick({{"Text14", "2147483647"}, {"Text15", "2147483647"}}, 0, &module);
    DesignClick(EveryField(kDesignExample, std::string(kMillion, '1')));
    LaunchClick(EveryField(kLaunchExample, std::string(kMillion, '1')), 0, &module);
    RecordProperty("largest_request", std::to_string(AllocationProbe::LargestRequest()));
    RecordProperty("peak_live_bytes", std::to_string(AllocationProbe::PeakLiveBytes()));
    EXPECT_LE(AllocationProbe::LargestRequest(), kArrayAtCap);
    // Five arrays, the window's copy of them, and the plot's working set.
    EXPECT_LE(AllocationProbe::PeakLiveBytes(), 12 * kArrayAtCap);
}

}  // namespace
}  // namespace stepdown::testing
