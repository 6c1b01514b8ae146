#include "ui/ReportLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDate>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <functional>

#include "ui/Form2.h"
#include "ui/LoopCharts.h"
#include "ui/PlotArea.h"
#include "ui/StartupWindow.h"

namespace stepdown {
namespace {

// A text of the report as HTML: its own characters, never markup.
QString HtmlEscaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

// The text width of a page, in the 96 dpi pixels QTextDocument sizes images in.
constexpr qreal kMarginMm = 18;
constexpr qreal kFooterMm = 10;
constexpr int kPageTextWidthPx = static_cast<int>((210 - 2 * kMarginMm) / 25.4 * 96);

// How a picture is written into the HTML: its <img> element.
using ImageElement = std::function<QString(ReportPicture picture, const QImage& image)>;

QString Table(const ReportTable& table) {
    QString html = QStringLiteral(
        "<table class=\"grid\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
        "width=\"100%\"><tr>");
    for (const std::string& cell : table.header) html += "<th>" + HtmlEscaped(cell) + "</th>";
    html += "</tr>";
    for (const auto& row : table.rows) {
        html += "<tr>";
        for (std::size_t c = 0; c < row.size(); ++c)
            html += (c < 2 ? "<td>" : "<td align=\"right\">") + HtmlEscaped(row[c]) + "</td>";
        html += "</tr>";
    }
    return html + "</table>";
}

const QImage& PictureOf(const ReportPictures& pictures, ReportPicture picture) {
    static const QImage none;
    switch (picture) {
    case ReportPicture::Waveforms:
        return pictures.waveforms;
    case ReportPicture::StartupEnvelope:
        return pictures.startup;
    case ReportPicture::LoopBode:
        return pictures.bode;
    case ReportPicture::LoopStep:
        return pictures.step;
    case ReportPicture::None:
        break;
    }
    return none;
}

QString Html(const DesignReport& report, const ReportPictures& pictures,
             const ImageElement& image) {
    QString html =
        QStringLiteral(
            "<!DOCTYPE html>\n<html lang=\"it\"><head><meta charset=\"utf-8\">"
            "<title>%1</title><style>"
            "body { font-family: 'Liberation Sans', Arial, sans-serif; font-size: 10pt; }"
            "h1 { font-size: 16pt; } h2 { font-size: 12pt; margin-top: 14px; }"
            "table.grid { border-collapse: collapse; } th { background: #e8e8e8; }"
            "img { max-width: 100%; }"
            "</style></head><body>\n<h1>%1</h1>\n<p>Data: %2<br>File: %3</p>\n")
            .arg(HtmlEscaped(report.title), HtmlEscaped(report.date), HtmlEscaped(report.fileName));
    for (const ReportSection& section : report.sections) {
        html += "<h2>" + HtmlEscaped(section.title) + "</h2>\n";
        if (!section.lines.empty()) {
            html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">");
            for (const ReportLine& line : section.lines)
                html += "<tr><td>" + HtmlEscaped(line.caption) + ":&nbsp;&nbsp;</td><td>" +
                        HtmlEscaped(line.value) + "</td></tr>";
            html += "</table>\n";
        }
        const QImage& picture = PictureOf(pictures, section.picture);
        if (!picture.isNull()) html += "<p>" + image(section.picture, picture) + "</p>\n";
        if (!section.table.header.empty()) html += Table(section.table) + "\n";
        for (const std::string& note : section.notes) html += "<p>" + HtmlEscaped(note) + "</p>\n";
    }
    return html + "</body></html>\n";
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QUrl ResourceOf(ReportPicture picture) {
    return QUrl(QStringLiteral("report:picture-%1").arg(static_cast<int>(picture)));
}

}  // namespace

ReportPictures PicturesOf(const Form2* window, const QLocale& locale) {
    ReportPictures pictures;
    if (window == nullptr || !window->ShownRun()) return pictures;
    pictures.waveforms = window->Plot()->Image();
    if (!window->ShownRun()->analysis) return pictures;
    // The start-up window as it would open, never on screen: only its chart is kept.
    StartupWindow startup(window->ShownRun(), locale);
    startup.setAttribute(Qt::WA_DeleteOnClose, false);
    startup.setAttribute(Qt::WA_DontShowOnScreen);
    startup.resize(1000, 900);
    startup.show();
    // Lays the chart out; a click meanwhile would start inside the export.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    pictures.startup = startup.ChartView()->grab().toImage();
    startup.hide();
    return pictures;
}

namespace {

// A chart as its view draws it, never on screen.
QImage ChartImage(QChart* chart) {
    QChartView view;
    view.setRenderHint(QPainter::Antialiasing);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(1000, 560);
    view.setChart(chart);
    view.show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QImage image = view.grab().toImage();
    view.hide();
    return image;
}

}  // namespace

void AddLoopPictures(const DesignReport& report, const QLocale& locale, ReportPictures& pictures) {
    if (!report.loop) return;
    QLocale numbers = locale;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    const LoopAnalysis& a = report.loop->analysis;
    QChart* bode = NewLoopBodeChart(&a, nullptr, numbers);
    if (a.fc && a.phaseMargin)
        bode->setTitle(QStringLiteral("fc = %1 Hz, margine di fase %2°")
                           .arg(LoopNumber(numbers, *a.fc), LoopNumber(numbers, *a.phaseMargin)));
    pictures.bode = ChartImage(bode);
    if (report.loop->transient)
        pictures.step =
            ChartImage(NewLoopStepChart(*report.loop->transient, *report.loop->request, numbers));
}

QString ReportDate() {
    return QLocale(QLocale::Italian).toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"));
}

QByteArray ReportHtml(const DesignReport& report, const ReportPictures& pictures) {
    return Html(report, pictures,
                [](ReportPicture, const QImage& image) {
                    return QStringLiteral("<img alt=\"\" src=\"data:image/png;base64,%1\">")
                        .arg(QString::fromLatin1(Png(image).toBase64()));
                })
        .toUtf8();
}

QByteArray ReportPdf(const DesignReport& report, const ReportPictures& pictures) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));
    writer.setResolution(300);
    writer.setTitle(QString::fromStdString(report.title));
    writer.setCreator(QStringLiteral("stepdown"));

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setDocumentMargin(0);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    for (const ReportPicture picture : {ReportPicture::Waveforms, ReportPicture::StartupEnvelope,
                                        ReportPicture::LoopBode, ReportPicture::LoopStep}) {
        const QImage& image = PictureOf(pictures, picture);
        if (!image.isNull())
            document.addResource(QTextDocument::ImageResource, ResourceOf(picture), image);
    }
    document.setHtml(Html(report, pictures, [](ReportPicture picture, const QImage& image) {
        const int height = image.height() * kPageTextWidthPx / image.width();
        return QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\">")
            .arg(ResourceOf(picture).toString())
            .arg(kPageTextWidthPx)
            .arg(height);
    }));

    // The text area of a page in device pixels, less the footer's band.
    const QRectF area = writer.pageLayout().paintRectPixels(writer.resolution());
    const qreal footer = kFooterMm / 25.4 * writer.resolution();
    const QSizeF body(area.width(), area.height() - footer);
    document.setPageSize(body);
    const int pages = document.pageCount();

    QPainter painter(&writer);
    QFont footerFont = font;
    footerFont.setPointSizeF(8);
    for (int page = 0; page < pages; ++page) {
        if (page > 0) writer.newPage();
        const QRectF shown(0, page * body.height(), body.width(), body.height());
        painter.save();
        painter.translate(0, -shown.top());
        // A picture that starts the next page may reach a pixel above it.
        painter.setClipRect(shown.adjusted(0, 0, 0, -2));
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = shown;
        document.documentLayout()->draw(&painter, context);
        painter.restore();
        painter.setFont(footerFont);
        painter.drawText(QRectF(0, body.height(), body.width(), footer),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Pagina %1 di %2").arg(page + 1).arg(pages));
    }
    painter.end();
    return bytes;
}

QByteArray ReportFor(const QString& path, const DesignReport& report,
                     const ReportPictures& pictures) {
    const bool html = path.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive) ||
                      path.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive);
    return html ? ReportHtml(report, pictures) : ReportPdf(report, pictures);
}

}  // namespace stepdown
