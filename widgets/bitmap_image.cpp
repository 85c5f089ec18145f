#include "widgets/bitmap_image.h"

namespace pelmora {

Colour ColourFromRgb(QRgb rgb) {
    return MakeColour(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

QRgb RgbFromColour(Colour colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

QImage ImageOfPixels(const BitmapPixels& pixels) {
    QImage image(pixels.width(), pixels.height(), QImage::Format_Mono);
    image.setColorTable(
        {RgbFromColour(pixels.colourOfIndex(0)), RgbFromColour(pixels.colourOfIndex(1))});
    for (int y = 0; y < pixels.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < pixels.width(); ++x) {
            const int bit = 0x80 >> (x & 7);
            line[x >> 3] =
                static_cast<uchar>(pixels.indexAt(x, y) ? line[x >> 3] | bit : line[x >> 3] & ~bit);
        }
    }
    return image;
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace pelmora
