#pragma once
// The side windows' texts in a design file: the "parts" section holds the
// part values of the window "Componenti reali" (PartTexts), the "selection"
// section the choices of the window "Scelta dei componenti" (ChoiceTexts),
// one key for each member.

#include "componentchoice/ChoiceTexts.h"
#include "designfile/DesignFile.h"
#include "realparts/PartTexts.h"

namespace stepdown {

// Every member from its key; a key the file lacks gives its start text.
void TakeSideTexts(const DesignFile& file, PartTexts& parts, ChoiceTexts& choice);

// Every member into its key.
void PutSideTexts(const PartTexts& parts, const ChoiceTexts& choice, DesignFile& file);

}  // namespace stepdown
