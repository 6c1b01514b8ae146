#include "designfile/SideTexts.h"

#include <string>

#include "componentchoice/ChoiceReading.h"

namespace stepdown {

void TakeSideTexts(const DesignFile& file, PartTexts& parts, ChoiceTexts& choice) {
    for (const PartField& field : PartFields())
        parts.*field.text = TextOf(file, QuantityGroup::Parts, field.row->key);
    for (const ChoiceField& field : ChoiceFields())
        choice.*field.text = TextOf(file, QuantityGroup::Selection, field.row->key);
}

void PutSideTexts(const PartTexts& parts, const ChoiceTexts& choice, DesignFile& file) {
    for (const PartField& field : PartFields())
        SetText(file, QuantityGroup::Parts, field.row->key, parts.*field.text);
    for (const ChoiceField& field : ChoiceFields())
        SetText(file, QuantityGroup::Selection, field.row->key, choice.*field.text);
}

void TakeLoopTexts(const DesignFile& file, ControlTexts& loop) {
    for (const ControlField& field : ControlFields())
        loop.*field.text = TextOf(file, QuantityGroup::Loop, field.row->key);
}

void PutLoopTexts(const ControlTexts& loop, DesignFile& file) {
    for (const ControlField& field : ControlFields())
        SetText(file, QuantityGroup::Loop, field.row->key, loop.*field.text);
}

}  // namespace stepdown
