#include "widgets/twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace pelmora {

TwipsScale TwipsScale::ofScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
    return TwipsScale(dpi > 0 ? kTwipsPerInch / dpi : 15.0);
}

int TwipsScale::toPixels(double twips) const {
    return static_cast<int>(std::lround(twips / twipsPerPixel_));
}

QRect TwipsScale::rect(int left, int top, int width, int height) const {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

QSize TwipsScale::size(int width, int height) const {
    return {toPixels(width), toPixels(height)};
}

} // namespace pelmora
