#pragma once

#include "core/bmp/bitmap_pixels.h"

#include <QImage>
#include <QString>

#include <string>
#include <string_view>

namespace pelmora {

Colour ColourFromRgb(QRgb rgb);
QRgb RgbFromColour(Colour colour);

// A decoded bitmap as a picture to show, each pixel in its palette entry's colour.
QImage ImageOfPixels(const BitmapPixels& pixels);

// Text between Qt and the core, which speaks UTF-8.
std::string Utf8(const QString& text);
QString FromUtf8(std::string_view text);

} // namespace pelmora
