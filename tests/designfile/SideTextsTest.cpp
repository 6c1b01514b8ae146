// The side windows' texts in the design file: each member under a key of its own, both
// ways, and a file without them the windows' start texts.

#include <gtest/gtest.h>

#include "designfile/SideTexts.h"

namespace stepdown {
namespace {

TEST(SideTexts, EveryMemberUnderItsOwnKeyBothWaysAndTheStartTextsTheWindowsOwn) {
    const PartTexts parts{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    const ChoiceTexts choice{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"};
    DesignFile file;
    PutSideTexts(parts, choice, file);
    const SectionTexts partKeys{{"esr", "1"},  {"dcr", "2"}, {"rds", "3"}, {"rd", "4"},
                                {"vf", "5"},   {"tr", "6"},  {"tf", "7"},  {"qg", "8"},
                                {"vdrv", "9"}, {"iq", "10"}};
    const SectionTexts choiceKeys{{"series", "a"}, {"round", "b"},  {"tol-l", "c"},
                                  {"tol-c", "d"},  {"vi-min", "e"}, {"vi-max", "f"},
                                  {"io-min", "g"}, {"io-max", "h"}, {"io-from", "i"},
                                  {"io-to", "j"},  {"points", "k"}};
    EXPECT_TRUE(file.parts == partKeys && file.selection == choiceKeys);
    PartTexts partsBack;
    ChoiceTexts choiceBack;
    TakeSideTexts(file, partsBack, choiceBack);
    EXPECT_EQ(partsBack, parts);
    EXPECT_EQ(choiceBack, choice);
    TakeSideTexts(DesignFile{}, partsBack, choiceBack);  // no key: each at its start text
    EXPECT_EQ(partsBack, PartTexts{});
    EXPECT_EQ(choiceBack, ChoiceTexts{});
}

TEST(SideTexts, TheControllersTextsUnderTheirKeysBothWays) {
    ControlTexts loop;
    const std::pair<const char*, std::string ControlTexts::*> keys[] = {
        {"vref", &ControlTexts::vref},   {"vramp", &ControlTexts::vramp},
        {"vcmax", &ControlTexts::vcmax}, {"dmax", &ControlTexts::dmax},
        {"r1", &ControlTexts::r1},       {"rb", &ControlTexts::rb},
        {"type", &ControlTexts::type},   {"r2", &ControlTexts::r2},
        {"r3", &ControlTexts::r3},       {"c1", &ControlTexts::c1},
        {"c2", &ControlTexts::c2},       {"c3", &ControlTexts::c3},
        {"fc", &ControlTexts::fc},       {"pm", &ControlTexts::pm},
        {"tss", &ControlTexts::tss},     {"rl2", &ControlTexts::rl2},
        {"t1", &ControlTexts::t1},       {"vi2", &ControlTexts::vi2},
        {"t2", &ControlTexts::t2},       {"tend", &ControlTexts::tend}};
    SectionTexts expected;
    for (const auto& [key, text] : keys) loop.*text = expected[key] = std::string(" ") + key + "é";
    DesignFile file;
    PutLoopTexts(loop, file);
    EXPECT_EQ(file.loop, expected);
    ControlTexts back;
    TakeLoopTexts(file, back);
    EXPECT_EQ(back, loop);
    TakeLoopTexts(DesignFile{}, back);
    EXPECT_EQ(back, ControlTexts{});
}

}  // namespace
}  // namespace stepdown
