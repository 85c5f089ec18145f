#include "widgets/picture_box.h"

#include "widgets/bitmap_image.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace pelmora {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::ensureCanvas() {
    const QSize area = drawingSize();
    const QSize size((area.width() + zoom_ - 1) / zoom_, (area.height() + zoom_ - 1) / zoom_);
    const QSize wanted = size.expandedTo(QSize(1, 1));
    if (canvas_.size() == wanted) {
        return;
    }
    QImage grown(wanted, QImage::Format_RGB32);
    grown.fill(palette().color(QPalette::Window));
    if (!canvas_.isNull()) {
        QPainter(&grown).drawImage(0, 0, canvas_);
    }
    canvas_ = grown;
}

void PictureBox::setZoom(int zoom) {
    zoom_ = std::max(1, zoom);
    ensureCanvas();
    update();
}

void PictureBox::setHighlight(const QList<QPoint>& dots) {
    highlight_ = dots;
    update();
}

QPoint PictureBox::dotAt(QPoint position) const {
    const QPoint inside = position - contentsRect().topLeft();
    const auto down = [this](int v) {
        return v >= 0 ? v / zoom_ : -1 - (-1 - v) / zoom_;
    };
    return {down(inside.x()), down(inside.y())};
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
    highlight_.clear();
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
        update(contentsRect().x() + x * zoom_, contentsRect().y() + y * zoom_, zoom_, zoom_);
    }
}

void PictureBox::paintEvent(QPaintEvent* event) {
    ensureCanvas();
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.translate(contentsRect().topLeft());
    painter.scale(zoom_, zoom_); // without smoothing: each pixel a sharp square
    painter.drawImage(0, 0, canvas_);
    painter.resetTransform();
    if (!highlight_.isEmpty()) {
        QRect group(highlight_.first(), QSize(1, 1));
        for (const QPoint& dot : highlight_) {
            group |= QRect(dot, QSize(1, 1));
        }
        const QRect shown(contentsRect().topLeft() + group.topLeft() * zoom_, group.size() * zoom_);
        painter.setPen(QPen(QColor(255, 64, 64), 1));
        painter.drawRect(shown.adjusted(-1, -1, 0, 0));
    }
    painter.end();
    QFrame::paintEvent(event);
    if (hasFocus()) {
        // The sunken border alone does not change with focus: a ring in the highlight colour.
        QPainter ring(this);
        ring.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
        ring.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    ensureCanvas();
    QFrame::resizeEvent(event);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    emit pointed(dotAt(event->position().toPoint()));
    QFrame::mouseMoveEvent(event);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit pressed(dotAt(event->position().toPoint()));
    }
    QFrame::mousePressEvent(event);
}

void PictureBox::leaveEvent(QEvent* event) {
    emit leftBox();
    QFrame::leaveEvent(event);
}

void PictureBox::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QFrame::wheelEvent(event);
        return;
    }
    // Touchpads send small angles: a step is a whole notch of 120 eighths of a degree.
    wheelAngle_ += event->angleDelta().y();
    const int steps = wheelAngle_ / 120;
    wheelAngle_ -= steps * 120;
    if (steps != 0) {
        emit zoomWheel(steps);
    }
    event->accept();
}

void PictureBox::focusInEvent(QFocusEvent* event) {
    update();
    QFrame::focusInEvent(event);
}

void PictureBox::focusOutEvent(QFocusEvent* event) {
    update();
    QFrame::focusOutEvent(event);
}

} // namespace pelmora
