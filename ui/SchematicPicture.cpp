#include "ui/SchematicPicture.h"

#include <QPainter>

namespace stepdown {

SchematicPicture::SchematicPicture(QWidget* parent)
    : QFrame(parent), renderer_(QStringLiteral(":/stepdown/schematic.svg")) {
    // The picture box is the first stop of the tab order and holds the focus
    // when the window opens.
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

bool SchematicPicture::HasPicture() const { return renderer_.isValid(); }

void SchematicPicture::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inner = contentsRect();
    painter.setClipRect(inner);
    // Rendered as vectors each time: sharp at any device pixel ratio.
    renderer_.render(&painter, QRectF(inner.topLeft(), QSizeF(kPictureWidth, kPictureHeight)));
}

}  // namespace stepdown
