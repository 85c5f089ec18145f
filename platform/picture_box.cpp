#include "platform/picture_box.h"

#include "platform/bitmap_image.h"

#include <QPainter>

namespace pelmora {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::ensureCanvas() {
    const QSize size = drawingSize().expandedTo(QSize(1, 1));
    if (canvas_.size() == size) {
        return;
    }
    QImage grown(size, QImage::Format_RGB32);
    grown.fill(palette().color(QPalette::Window));
    if (!canvas_.isNull()) {
        QPainter(&grown).drawImage(0, 0, canvas_);
    }
    canvas_ = grown;
}

void PictureBox::loadPicture(const QImage& image) {
    clear();
    QPainter(&canvas_).drawImage(0, 0, image);
    pictureSize_ = image.size();
    hasPicture_ = true;
    update();
}

void PictureBox::clear() {
    canvas_ = QImage();
    ensureCanvas();
    pictureSize_ = QSize(0, 0);
    hasPicture_ = false;
    update();
}

Colour PictureBox::colourAt(int x, int y) const {
    if (!canvas_.valid(x, y)) {
        return ColourFromRgb(palette().color(QPalette::Window).rgb());
    }
    return ColourFromRgb(canvas_.pixel(x, y));
}

void PictureBox::setPoint(int x, int y, Colour colour) {
    ensureCanvas();
    if (canvas_.valid(x, y)) {
        canvas_.setPixel(x, y, RgbFromColour(colour));
        update(contentsRect().x() + x, contentsRect().y() + y, 1, 1);
    }
}

void PictureBox::paintEvent(QPaintEvent* event) {
    ensureCanvas();
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), canvas_);
    painter.end();
    QFrame::paintEvent(event);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    ensureCanvas();
    QFrame::resizeEvent(event);
}

} // namespace pelmora
