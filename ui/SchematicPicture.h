#pragma once
// Picture1: the converter schematic in a sunken frame. The picture keeps its
// own 680 x 340 pixel size and is anchored at the top-left of the frame's
// inner area, so the frame clips its right and bottom edges.

#include <QFrame>
#include <QSvgRenderer>

namespace stepdown {

class SchematicPicture : public QFrame {
    Q_OBJECT

public:
    static constexpr int kPictureWidth = 680;
    static constexpr int kPictureHeight = 340;

    explicit SchematicPicture(QWidget* parent = nullptr);

    // False when the picture could not be loaded from the resources.
    bool HasPicture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer renderer_;
};

}  // namespace stepdown
