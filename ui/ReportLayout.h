#pragma once
// The design report laid out: one HTML text, with the pictures embedded as
// data URLs, or the same text as A4 PDF pages drawn by QTextDocument through
// QPdfWriter, "Pagina N di M" in each page's footer.

#include <QByteArray>
#include <QImage>
#include <QLocale>
#include <QString>

#include "report/DesignReport.h"

namespace stepdown {

class Form2;

struct ReportPictures {
    QImage waveforms;  // null when there is none
    QImage startup;
    QImage bode;  // the loop's charts, when the report has a loop
    QImage step;
};

// Why a report may not replace the design file it is made from.
inline constexpr char kReportOverDesign[] =
    "è il file di progetto stesso: la relazione lo sostituirebbe.";

// The plot of the run `window` shows, as drawn, and the start-up window's
// chart of that run drawn offscreen when it completed; none without a
// window or a run.
ReportPictures PicturesOf(const Form2* window, const QLocale& locale);

// The loop's Bode chart, with fc and the phase margin in its title, and its
// step response, drawn offscreen, when `report` has a loop.
void AddLoopPictures(const DesignReport& report, const QLocale& locale, ReportPictures& pictures);

// Today in Italian, "7 dicembre 2026".
QString ReportDate();

QByteArray ReportHtml(const DesignReport& report, const ReportPictures& pictures);
QByteArray ReportPdf(const DesignReport& report, const ReportPictures& pictures);

// HTML when `path` ends in ".html" or ".htm", PDF otherwise.
QByteArray ReportFor(const QString& path, const DesignReport& report,
                     const ReportPictures& pictures);

}  // namespace stepdown
