#pragma once
// The side windows' texts in a design file: the "parts" section holds the
// part values of the window "Componenti reali" (PartTexts), the "selection"
// section the choices of the window "Scelta dei componenti" (ChoiceTexts),
// one key for each member; the "loop" section the controller's fields of
// the window "Anello di controllo" (ControlTexts), under their rows' keys.

#include "componentchoice/ChoiceTexts.h"
#include "control/ControlQuantities.h"
#include "designfile/DesignFile.h"
#include "realparts/PartTexts.h"

namespace stepdown {

// Every member from its key; a key the file lacks gives its start text.
void TakeSideTexts(const DesignFile& file, PartTexts& parts, ChoiceTexts& choice);

// Every member into its key.
void PutSideTexts(const PartTexts& parts, const ChoiceTexts& choice, DesignFile& file);

// The controller's texts from the "loop" section, and into it.
void TakeLoopTexts(const DesignFile& file, ControlTexts& loop);
void PutLoopTexts(const ControlTexts& loop, DesignFile& file);

}  // namespace stepdown
