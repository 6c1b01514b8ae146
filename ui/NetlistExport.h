#pragma once
// "Esporta netlist SPICE…" in the waveform window and in "Componenti
// reali": the netlist of the converter as built; in "Anello di controllo",
// with its controller. Written whole where the user says.

#include <QString>

#include "control/ClosedLoop.h"
#include "realparts/RealPartsStudy.h"
#include "ui/FileExport.h"

class QWidget;

namespace stepdown {

inline const QString kExportNetlistText = QStringLiteral("Esporta netlist SPICE…");

// The netlist of what `study` computed, at its duty cycle, saved where
// `saveFileName` says. A study without figures tells why in the program's
// message box over `parent` instead, before any dialog.
void SaveNetlist(QWidget* parent, const SaveFileNameProvider& saveFileName,
                 const RealPartsStudy& study);

// The regulated converter's netlist, `loop` running `request`, saved where
// `saveFileName` says; why there is none in the message box over `parent`.
void SaveClosedLoopNetlist(QWidget* parent, const SaveFileNameProvider& saveFileName,
                           const LoopCircuit& loop, const TransientRequest& request);

}  // namespace stepdown
