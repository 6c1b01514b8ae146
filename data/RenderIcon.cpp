// Build-time helper: renders the scalable application icon into the fixed
// pixel sizes the hicolor theme expects, so the PNGs never drift from the SVG.
//
//   stepdown_render_icon ICON.svg OUTPUT_DIR NAME SIZE...
//
// writes OUTPUT_DIR/SIZExSIZE/apps/NAME.png for every SIZE.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s ICON.svg OUTPUT_DIR NAME SIZE...\n", argv[0]);
        return 2;
    }
    const QString svgPath = QString::fromLocal8Bit(argv[1]);
    const QString outputDir = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);

    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    for (int index = 4; index < argc; ++index) {
        char* end = nullptr;
        const long size = std::strtol(argv[index], &end, 10);
        if (end == argv[index] || *end != '\0' || size < 1 || size > 1024) {
            std::fprintf(stderr, "bad size %s\n", argv[index]);
            return 2;
        }
        const int pixels = static_cast<int>(size);
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            renderer.render(&painter, QRectF(0, 0, pixels, pixels));
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outputDir).arg(pixels);
        const QString file = QStringLiteral("%1/%2.png").arg(dir, name);
        if (!QDir().mkpath(dir) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
