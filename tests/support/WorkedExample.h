#pragma once
// The worked example every test starts from: the design fields of
// "Dati Esempio", what "Calcola" writes into the verification fields, the
// same circuit in SI units, and what the two windows show for it.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace stepdown::testing {

using FieldTexts = std::vector<std::pair<std::string, std::string>>;

inline const FieldTexts kDesignExample{{"Text1", "25"}, {"Text2", "15"}, {"Text3", "80"},
                                       {"Text4", "40"}, {"Text5", "60"}, {"Text6", "1.5"}};

inline const FieldTexts kVerificationExample{{"Text7", "2.500E+01"},  {"Text12", "8.000E+01"},
                                             {"Text8", "6.000E+01"},  {"Text9", "1.250E+02"},
                                             {"Text10", "1.563E+01"}, {"Text11", "1.000E+01"}};

// The result labels of the design, with a point.
inline const FieldTexts kDesignLabels{{"Label24", "1.25E+02"},
                                      {"Label25", "1.56E+01"},
                                      {"Label26", "1.80E+00"},
                                      {"Label27", "6.00E-01"},
                                      {"Label32", "9.00E-01"}};

// The figure labels of the waveform window, with a point.
inline const FieldTexts kFigureLabels{{"Label2", "6.14E-01"},
                                      {"Label5", "6.13E+01"},
                                      {"Label8", "1.78E+00"},
                                      {"Label9", "5.92E-01"},
                                      {"Label16", "8.85E-01"}};

// The verification fields in SI units, with the window's start settings.
struct Circuit {
    double Vi = 25, D = 0.6, f = 80000, L = 125e-6, C = 15.63e-6, RL = 10;
    std::int32_t N = 1000, NP = 10, NI = 2000;
};

}  // namespace stepdown::testing
