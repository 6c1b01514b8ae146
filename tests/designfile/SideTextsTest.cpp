// The side windows' texts in the design file: each member under its row's key, both ways,
// and a file without them the windows' start texts.

#include <gtest/gtest.h>

#include "componentchoice/ChoiceReading.h"
#include "designfile/SideTexts.h"

namespace stepdown {
namespace {

// Each field's text its own key with an accent, so that no two can be confused.
std::string DistinctText(std::string_view key) { return " " + std::string(key) + "é"; }
template <class Texts, class Fields>
Texts Distinct(const Fields& fields) {
    Texts texts;
    for (const auto& field : fields) texts.*field.text = DistinctText(field.row->key);
    return texts;
}

TEST(SideTexts, EveryTextUnderItsOwnKeyBothWaysAndTheStartTextsTheWindowsOwn) {
    const PartTexts partTexts = Distinct<PartTexts>(PartFields());
    const ChoiceTexts choiceTexts = Distinct<ChoiceTexts>(ChoiceFields());
    const ControlTexts loopTexts = Distinct<ControlTexts>(ControlFields());
    DesignFile file;
    PutSideTexts(partTexts, choiceTexts, file);
    PutLoopTexts(loopTexts, file);
    for (const auto keys : {kPartsKeys, kSelectionKeys, kLoopKeys})  // a field for every key
        for (const DesignFileKey& key : keys) EXPECT_EQ(TextOf(file, key), DistinctText(key.key));
    EXPECT_EQ(TextOf(file, QuantityGroup::Design, "esr"), "");  // not a key of the section
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
