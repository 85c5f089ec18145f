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

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ensureCanvas();

    QImage canvas_;
    QSize pictureSize_{0, 0};
    bool hasPicture_ = false;
};

} // namespace pelmora
