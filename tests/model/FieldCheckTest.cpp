#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/Module1.h"
#include "support/RecordingWindow.h"

namespace stepdown {
namespace {

TEST(FieldCheck, ShowsAtMostOneMessageAndSetsTheFlagAtEveryCall) {
    Module1 module;
    module.ForgotMessage = "forgot";
    module.InvalidMessage = "invalid";
    const auto check = [&](const std::string& text, const std::vector<std::string>& shown) {
        testing::RecordingWindow window;
        module.FieldText = text;
        // A flag left by an earlier check must not survive this one.
        module.ValidationFailed = shown.empty() ? 1 : 0;
        module.CheckNumericField(window);
        EXPECT_EQ(window.messages, shown) << text;
        EXPECT_EQ(module.ValidationFailed, shown.empty() ? 0 : 1) << text;
    };
    check("", {"forgot"});
    // Blanks, a comma, a NUL, one half, full-width 12, and a forbidden
    // character after a hundred thousand accepted ones.
    for (const std::string& text : std::initializer_list<std::string>{
             " ", "12 ", "1,5", "1d3", "0x10", std::string(1, '\0'), "\xC2\xBD",
             "\xEF\xBC\x91\xEF\xBC\x92", std::string(100000, '7') + "x"})
        check(text, {"invalid"});
    for (const char* text : {"0123456789eE.+-", "e", "-", "1e5e3", "1.2.3"}) check(text, {});
}

}  // namespace
}  // namespace stepdown
