#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "design/DesignCalculation.h"
#include "support/RecordingWindow.h"
#include "support/WorkedExample.h"

namespace stepdown {
namespace {

using testing::RecordingWindow;

TEST(DesignCalculation, WorkedExampleShowsTheResultsAndRecordsTheBlueVerificationFields) {
    for (const char* separator : {".", ","}) {
        Module1 module;
        RecordingWindow window(separator);
        ExampleData(window);
        DesignCalculation(module, window);
        std::vector<std::string> expected;
        for (const auto& [id, text] : testing::kDesignExample)
            expected.push_back("text " + std::string(BoxOf(id)) + " " + text);
        for (auto [name, caption] : testing::kDesignLabels)
            expected.push_back("caption " + std::string(DesignLabelOf(name)) + " " +
                               caption.replace(1, 1, separator));
        for (const auto& [id, text] : testing::kVerificationExample) {
            expected.push_back("text " + std::string(BoxOf(id)) + " " + text);
            expected.push_back("colour " + std::string(BoxOf(id)) + " 0,0,255");
        }
        EXPECT_EQ(window.log, expected) << separator;
        const DesignRecord& design = module.LastDesign.value();
        EXPECT_EQ(design.fieldTexts, testing::kVerificationExample);
        EXPECT_EQ((std::vector{design.DeltaiL, design.DeltaVo, design.IDP, design.Vo, design.Vi,
                               design.f, design.Io, design.L, design.C}),
                  (std::vector{0.6, 0.06, 1.8, 15.0, 25.0, 80000.0, 1.5, 125.0, 15.625}));
    }
}

std::string Forgot(const std::string& what) { return "Hai dimenticato di scrivere " + what; }
std::string Invalid(const std::string& what) {
    return "Errore di inserimento dati per " + what +
           ". Puoi scrivere soltanto numeri razionali con il punto come separatore decimale, "
           "anche in forma esponenziale. Ad es: 1.23 , 1E-5 , 5E3";
}
const std::string kVi = "la tensione di ingresso Vi";
const std::string kVo = "il valore della tensione desiderata in uscita Vo";
const std::string kF = "il valore della frequenza di commutazione f in kHz";
const std::string kRipple = "il valore di DeltaiL/Io in %";
const std::string kDeltaVo = "il valore di DeltaVo in mV";
const std::string kIo = "il valore di Io in Ampere";

TEST(DesignCalculation, ARefusedClickShowsItsFirstFailureAndChangesNothingElse) {
    // The changes to the worked example by key, how many of Vi, Vo, f, DeltaVo, Io, DeltaiL were
    // stored, the message.
    const std::tuple<std::map<std::string, std::string>, int, std::string> cases[] = {
        {{{"vi", ""}, {"io", "?"}}, 0, Forgot(kVi)},
        {{{"vi", "2,5"}}, 0, Invalid(kVi)},
        // Every character check comes before the first conversion.
        {{{"vi", "0"}, {"vo", ""}, {"f", "x"}}, 0, Forgot(kVo)},
        {{{"vo", " 15"}}, 0, Invalid(kVo)},
        {{{"f", ""}, {"ripple", "?"}}, 0, Forgot(kF)},
        {{{"f", "80k"}}, 0, Invalid(kF)},
        {{{"ripple", ""}, {"dvo", ""}}, 0, Forgot(kRipple)},
        {{{"ripple", "40%"}}, 0, Invalid(kRipple)},
        {{{"dvo", ""}}, 0, Forgot(kDeltaVo)},
        {{{"dvo", "60mV"}, {"io", "?"}}, 0, Invalid(kDeltaVo)},
        {{{"io", ""}}, 0, Forgot(kIo)},
        {{{"io", "\xC2\xBD"}}, 0, Invalid(kIo)},
        // The range checks read Vi, Vo, f, DeltaVo, Io and then the ripple.
        {{{"vi", "0"}}, 1, "La tensione in ingresso non può essere zero o negativa!"},
        {{{"vi", "1"}, {"vo", "0"}},
         2,
         "La tensione in uscita non può essere zero o negativa o maggiore di Vi!"},
        {{{"f", "0"}, {"dvo", "0"}}, 3, "La frequenza non può essere zero o negativa!"},
        {{{"dvo", "0"}, {"ripple", "0"}}, 4, "DeltaVo non può essere zero o negativo!"},
        {{{"io", "-1"}, {"ripple", "0"}}, 5, "Io non può essere negativo!"},
        {{{"io", "0"}}, 6, "DeltaiL non può essere zero o negativo!"},
        {{{"vo", "-1e400"}},
         1,
         "Il numero scritto per " + kVo + " è troppo grande in valore assoluto!"},
        {{{"vo", "25"}}, 6, std::string(kVoEqualsViMessage)},
        {{{"f", "1e306"}}, 6, std::string(kResultNotFiniteMessage)},
        // C = 150e12 / (8 f^2 L Vi DeltaVo) and L = 150e6 / (25 f DeltaiL) underflow.
        {{{"f", "1e300"}}, 6, std::string(kResultUnderflowMessage)},
        {{{"vo", "5e-324"}}, 6, std::string(kResultUnderflowMessage)}};
    for (const auto& [changes, converted, message] : cases) {
        RecordingWindow window;
        for (const auto& [id, text] : testing::kDesignExample) window.Type(id, text);
        for (const auto& [key, text] : changes) window.Type({QuantityGroup::Design, key}, text);
        Module1 module;
        double* const read[] = {&module.Vi,      &module.Vo, &module.f,
                                &module.DeltaVo, &module.Io, &module.DeltaiL};
        for (double* quantity : read) *quantity = -7;  // unless the click stores it
        DesignCalculation(module, window);
        EXPECT_EQ(window.log, std::vector<std::string>{"message " + message});  // nothing else
        for (int i = 0; i < 6; ++i) EXPECT_EQ(*read[i] != -7, i < converted) << message << " " << i;
    }
}

}  // namespace
}  // namespace stepdown
