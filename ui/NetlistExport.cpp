#include "ui/NetlistExport.h"

#include <QByteArray>
#include <QMessageBox>

#include "netlist/SpiceNetlist.h"
#include "realparts/RealPartsReport.h"
#include "ui/ApplicationTitle.h"

namespace stepdown {

void SaveNetlist(QWidget* parent, const SaveFileNameProvider& saveFileName,
                 const RealPartsStudy& study) {
    if (study.analysis.outcome != RealPartsOutcome::Found) {
        // A refused field is told as its own message: the advice to press
        // "Ricalcola" belongs to the window of the converter as built.
        const std::string why = study.refusal.empty() ? NoFiguresExplanation(study) : study.refusal;
        QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle),
                        QString::fromStdString(why), QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return;
    }
    const QString path =
        saveFileName(QStringLiteral("Esporta netlist SPICE"), QStringLiteral("convertitore.cir"),
                     QStringLiteral("Netlist SPICE (*.cir)"));
    if (path.isEmpty()) return;
    // The switch runs at the fields' D, which is D' only once "Usa D′" wrote it.
    SaveBytes(parent, path,
              QByteArray::fromStdString(SpiceNetlist(study.circuit, study.parts, study.analysis)));
}

}  // namespace stepdown
