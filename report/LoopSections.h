#pragma once
// The report's sections of the regulated converter: the controller with its
// network, the plant, the crossover and margins and the Bode chart, then the
// step response with its chart when a soft-start or a step was asked.

#include <memory>
#include <vector>

#include "control/LoopStudy.h"
#include "model/Module1.h"
#include "report/DesignReport.h"

namespace stepdown {

// What the window "Anello di controllo" computes on the file's texts, with
// the verification's circuit, the parts and, for Rb, the design's Vo (else
// D Vi): null when the controller's texts are at their start texts; a study
// holding its refusal when the texts give no analysis.
std::shared_ptr<const LoopStudy> StudyReportLoop(const ReportInputs& in);

// The section of a loop that could not be computed, saying why.
void AddLoopRefusal(const LoopStudy& study, std::vector<ReportSection>& sections);

void AddLoopSections(const LoopStudy& study, std::string_view separator,
                     std::vector<ReportSection>& sections);

}  // namespace stepdown
