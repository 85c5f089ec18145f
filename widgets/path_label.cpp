#include "widgets/path_label.h"

#include <QPainter>
#include <QTextOption>

namespace pelmora {

PathLabel::PathLabel(QWidget* parent) : QLabel(parent) {}

void PathLabel::setPath(const QString& path) {
    setText(path);
    setToolTip(path);
}

void PathLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    painter.drawText(QRectF(contentsRect()), text(), option);
}

} // namespace pelmora
