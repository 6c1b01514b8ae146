#pragma once
// Module1: the quantities shared by the two windows of the program.
//
// Data flow. The application owns one Module1 and hands it to both windows. A click
// on the main window takes the window's texts as typed inputs keyed by quantity
// (InputTexts.h; the window maps its boxes to them in MainWindowBoxes.h), passes
// every numeric text through CheckNumericField, converts the texts with ParseNumber
// (Conversions.h) into the quantities below, and writes its results back as label
// captions and box texts, again through MainWindowBoxes.h. The command, a design
// file and the report hand the same clicks the same typed inputs, without a window.
// The design calculation (design/) fills Vi..RL and the verification fields; the
// launch (verification/) reads the verification fields back into Vi, D, f, L, C,
// RL, N, NP, NI, runs the simulation into the five waveform arrays, scans their
// extremes, measures the figures and draws the plot. Nothing passes from one click
// to the next except through these quantities and the texts of the controls.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/Conversions.h"
#include "model/InputTexts.h"
#include "model/Quantity.h"
#include "model/WindowOperations.h"

namespace stepdown {

// The tail shared by every invalid-character message.
inline constexpr std::string_view kInvalidTail =
    ". Puoi scrivere soltanto numeri razionali con il punto come separatore decimale, "
    "anche in forma esponenziale. Ad es: 1.23 , 1E-5 , 5E3";

enum class FieldCheck { Passed, Empty, InvalidCharacter };

// The character check alone: empty, or a code unit outside the digits and
// "e", ".", "E", "-", "+". Works on UTF-8 text: every accepted character is
// ASCII and every other character has only non-ASCII bytes, so the verdict is
// the one the UTF-16 code units would give. The whole text is examined.
FieldCheck ClassifyNumericText(std::string_view text);

// What the last completed design calculation computed and wrote into the
// verification fields, so that a verification can tell whether it is still
// checking that design.
struct DesignRecord {
    double DeltaiL = 0.0;  // A
    double DeltaVo = 0.0;  // V
    double IDP = 0.0;      // A
    double IDm = 0.0;      // A
    double Iim = 0.0;      // A
    double Vo = 0.0;       // V
    // The rest of the requirements and the computed parts, for the windows
    // that start from the design.
    double Vi = 0.0;  // V
    double f = 0.0;   // Hz
    double Io = 0.0;  // A
    double L = 0.0;   // uH
    double C = 0.0;   // uF
    double D = 0.0;   // fraction of the period
    double RL = 0.0;  // ohm
    // The verification quantities and the texts written into their fields.
    TextList fieldTexts;
};

// "Hai dimenticato di scrivere " + description.
std::string ForgotMessageFor(std::string_view description);
// "Errore di inserimento dati per " + description + the invalid tail.
std::string InvalidMessageFor(std::string_view description);
// "Il numero scritto per " + description + " è troppo grande in valore assoluto!"
std::string OverflowMessageFor(std::string_view description);

// A text read as the number of a field named `description`: its value, or the
// first of the three messages that refuses it (empty, a character other than
// the number's, too large). Each reader then applies its own range.
struct FieldNumber {
    std::optional<double> value;
    std::string message;  // why there is no value
};
FieldNumber ReadFieldNumber(std::string_view text, std::string_view description);

class Module1 {
public:
    // Design and verification quantities (SI units unless noted).
    double Vi = 0.0;       // V
    double Vo = 0.0;       // V
    double f = 0.0;        // Hz
    double DeltaiL = 0.0;  // A
    double DeltaVo = 0.0;  // V
    double Io = 0.0;       // A
    double L = 0.0;        // uH after a design calculation, H after a launch
    double C = 0.0;        // uF after a design calculation, F after a launch
    double IDP = 0.0;      // A
    double IDm = 0.0;      // A
    double Iim = 0.0;      // A
    double D = 0.0;        // fraction of the period
    double RL = 0.0;       // ohm
    std::int32_t N = 0;    // samples per period
    std::int32_t NP = 0;   // periods shown
    std::int32_t NI = 0;   // periods simulated

    // The final simulated period, indices 0..N+1; samples 1..N are read.
    double TimeStep = 0.0;  // s
    std::vector<double> WaveIL, WaveVo, WaveIC, WaveVd, WaveId;

    // Extremes of samples 1..N (largest or smallest magnitude). The readout
    // scans the diode current of the run its window shows.
    double MaxIL = 0.0, MinIL = 0.0, MaxIC = 0.0, MaxVo = 0.0, MinVo = 0.0, MaxVd = 0.0;

    // Figures measured on the final period.
    double SimDeltaiL = 0.0;  // A
    double SimDeltaVo = 0.0;  // mV
    double SimIDP = 0.0;      // A
    double SimIDm = 0.0;      // A
    double SimIim = 0.0;      // A

    // The field check's inputs and its flag.
    std::string FieldText;
    std::string ForgotMessage;
    std::string InvalidMessage;
    std::int16_t ValidationFailed = 0;

    std::string ResultText;

    // Set by every design calculation that shows its results.
    std::optional<DesignRecord> LastDesign;

    // Checks FieldText; shows ForgotMessage or InvalidMessage on failure and
    // then sets ValidationFailed to 1, otherwise leaves it at 0.
    void CheckNumericField(MessageDisplay& display);

    // Copies the text of `row` into FieldText, sets the two messages from its
    // subject and checks it. True when the field passed.
    bool CheckField(MessageDisplay& display, const InputTexts& texts, const Quantity& row);

    // The value of the text of `row`; a number beyond the double range is
    // refused with a message naming the quantity.
    std::optional<double> ReadNumber(MessageDisplay& display, const InputTexts& texts,
                                     const Quantity& row);

    // A range message: passes through ForgotMessage on its way to the box.
    void Refuse(MessageDisplay& display, std::string_view message);

    // The six scans of the final period (samples 1..N) that a run takes.
    void FindMaxIL();
    void FindMinIL();
    void FindMaxIC();
    void FindMaxVo();
    void FindMinVo();
    void FindMaxVd();
};

}  // namespace stepdown
