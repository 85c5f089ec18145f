#pragma once

#include "core/conversion/conversion_state.h"
#include "core/panel/mono_picture.h"

#include <QFrame>
#include <QImage>

namespace pelmora {

// A sunken box that measures in pixels from the top-left corner of its drawing area.
// It holds a picture drawn one pixel per screen pixel, and single points set on top;
// everything is kept in an image, so the drawing survives being covered and uncovered.
class PictureBox : public QFrame, public PictureSurface {
    Q_OBJECT

  public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Shows image at the top-left corner of the drawing area.
    void loadPicture(const QImage& image);
    bool hasPicture() const { return hasPicture_; }

    // The picture loaded, as a surface: its size, and the colour of a pixel as shown (the
    // background's colour outside the drawing).
    int pictureWidth() const override { return pictureSize_.width(); }
    int pictureHeight() const override { return pictureSize_.height(); }
    Colour colourAt(int x, int y) const override;
    void setPoint(int x, int y, Colour colour);
    void clear();

    // The drawing area's size in pixels (inside the border).
    QSize drawingSize() const { return contentsRect().size(); }

    // Screen pixels a side for one pixel of the picture, sharp at every size; the points
    // keep their places, the box shows as many as fit.
    int zoom() const { return zoom_; }
    void setZoom(int zoom);

    // Dots outlined over the drawing, as a group; the picture itself is not touched.
    void setHighlight(const QList<QPoint>& dots);
    const QList<QPoint>& highlight() const { return highlight_; }

    // The picture's pixel under a point of the box, which may lie outside the picture.
    QPoint dotAt(QPoint position) const;

  signals:
    void pointed(QPoint dot); // the mouse moved over the drawing (tracking must be on)
    void pressed(QPoint dot);
    void leftBox();
    void zoomWheel(int steps); // the wheel turned with Ctrl held: steps up are positive

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void ensureCanvas();

    QImage canvas_;
    QSize pictureSize_{0, 0};
    bool hasPicture_ = false;
    int zoom_ = 1;
    QList<QPoint> highlight_;
    int wheelAngle_ = 0;
};

} // namespace pelmora
