// The side windows' texts in the design file: each member under its row's key, both ways,
// and a file without them the windows' start texts.

#include <gtest/gtest.h>

#include "componentchoice/ChoiceReading.h"
#include "designfile/SideTexts.h"

namespace stepdown {
namespace {

// Each field's text its own key with an accent, so that no two can be confused.
template <class Texts, class Fields>
Texts Distinct(const Fields& fields, SectionTexts& expected) {
    Texts texts;
    for (const auto& field : fields)
        texts.*field.text = expected[std::string(field.row->key)] =
            " " + std::string(field.row->key) + "é";
    return texts;
}

TEST(SideTexts, EveryTextUnderItsOwnKeyBothWaysAndTheStartTextsTheWindowsOwn) {
    SectionTexts parts, selection, loop;
    const PartTexts partTexts = Distinct<PartTexts>(PartFields(), parts);
    const ChoiceTexts choiceTexts = Distinct<ChoiceTexts>(ChoiceFields(), selection);
    const ControlTexts loopTexts = Distinct<ControlTexts>(ControlFields(), loop);
    DesignFile file;
    PutSideTexts(partTexts, choiceTexts, file);
    PutLoopTexts(loopTexts, file);
    EXPECT_EQ(file.parts, parts);
    EXPECT_EQ(file.selection, selection);
    EXPECT_EQ(file.loop, loop);
    PartTexts partsBack;
    ChoiceTexts choiceBack;
    ControlTexts loopBack;
    TakeSideTexts(file, partsBack, choiceBack);
    TakeLoopTexts(file, loopBack);
    EXPECT_TRUE(partsBack == partTexts && choiceBack == choiceTexts && loopBack == loopTexts);
    TakeSideTexts(DesignFile{}, partsBack, choiceBack);  // no key: each at its start text
    TakeLoopTexts(DesignFile{}, loopBack);
    EXPECT_TRUE(partsBack == PartTexts{} && choiceBack == ChoiceTexts{} &&
                loopBack == ControlTexts{});
}

}  // namespace
}  // namespace stepdown
