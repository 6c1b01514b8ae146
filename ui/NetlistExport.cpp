#include "ui/NetlistExport.h"

#include <QByteArray>
#include <QMessageBox>

#include "netlist/ClosedLoopNetlist.h"
#include "netlist/SpiceNetlist.h"
#include "realparts/RealPartsReport.h"
#include "ui/ApplicationTitle.h"

namespace stepdown {

namespace {

void Tell(QWidget* parent, const std::string& why) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle),
                    QString::fromStdString(why), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

void SaveNetlist(QWidget* parent, const SaveFileNameProvider& saveFileName,
                 const RealPartsStudy& study) {
    if (study.analysis.outcome != RealPartsOutcome::Found) {
        // A refused field is told as its own message: the advice to press
        // "Ricalcola" belongs to the window of the converter as built.
        return Tell(parent, study.refusal.empty() ? NoFiguresExplanation(study) : study.refusal);
    }
    const QString path =
        saveFileName(QStringLiteral("Esporta netlist SPICE"), QStringLiteral("convertitore.cir"),
                     QStringLiteral("Netlist SPICE (*.cir)"));
    // Cold, the switch runs at the fields' D, which is D' only once "Usa D′" wrote it.
    if (!path.isEmpty()) SaveBytes(parent, path, QByteArray::fromStdString(StudyNetlist(study)));
}

void SaveClosedLoopNetlist(QWidget* parent, const SaveFileNameProvider& saveFileName,
                           const LoopCircuit& loop, const TransientRequest& request) {
    const ClosedLoopExport exported = ExportClosedLoop(loop, request);
    if (exported.unsettled)
        return Tell(parent,
                    "L'anello chiuso non raggiunge un regime periodico da cui far partire la "
                    "simulazione: con un avvio graduale tss la netlist parte da fermo.");
    if (exported.netlist.empty()) return Tell(parent, exported.refusal);
    const QString path =
        saveFileName(QStringLiteral("Esporta netlist SPICE"), QStringLiteral("anello.cir"),
                     QStringLiteral("Netlist SPICE (*.cir)"));
    if (!path.isEmpty()) SaveBytes(parent, path, QByteArray::fromStdString(exported.netlist));
}

}  // namespace stepdown
