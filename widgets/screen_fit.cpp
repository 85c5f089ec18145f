#include "widgets/screen_fit.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace pelmora {

TwipsScale ScaleToFit(TwipsScale natural, QSize twips, QSize room) {
    if (room.width() <= 0 || room.height() <= 0) {
        return natural;
    }
    const double needed = std::max(twips.width() / static_cast<double>(room.width()),
                                   twips.height() / static_cast<double>(room.height()));
    return needed > natural.twipsPerPixel() ? TwipsScale(needed) : natural;
}

QRect PlaceInside(QRect frame, QRect available) {
    const int x =
        std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width()));
    const int y =
        std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
    return {QPoint(x, y), frame.size()};
}

void KeepOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    const QRect frame = window.frameGeometry();
    const QRect placed = PlaceInside(frame, screen->availableGeometry());
    if (placed.topLeft() != frame.topLeft()) {
        window.move(window.pos() + (placed.topLeft() - frame.topLeft()));
    }
}

} // namespace pelmora
