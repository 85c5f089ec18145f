#include "platform/bitmap_image.h"

#include "core/bitmap_header.h"

#include <QFileInfo>
#include <QImageReader>

namespace pelmora {

Colour ColourFromRgb(QRgb rgb) {
    return MakeColour(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

QRgb RgbFromColour(Colour colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

Colour ImageSurface::colourAt(int x, int y) const {
    return ColourFromRgb(image_.pixel(x, y));
}

LoadedBitmap LoadBitmapImage(const QString& path, const ConversionState& state) {
    const qint64 fileSize = QFileInfo(path).size();
    const std::uint64_t needed = PixelDataEnd(state);
    if (fileSize < 0 || static_cast<std::uint64_t>(fileSize) < needed) {
        return {{},
                QStringLiteral("the pixel data is cut short: the file holds %1 bytes of the %2 "
                               "that the picture needs")
                    .arg(fileSize)
                    .arg(needed)};
    }
    QImageReader reader(path, "bmp");
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull()) {
        return {{}, "the picture could not be decoded (" + reader.errorString() + ")"};
    }
    if (image.width() != kPanelWidth || image.height() != kPanelHeight) {
        return {{},
                QStringLiteral("the picture decodes to %1 x %2 pixels, not %3 x %4")
                    .arg(image.width())
                    .arg(image.height())
                    .arg(kPanelWidth)
                    .arg(kPanelHeight)};
    }
    return {image, {}};
}

} // namespace pelmora
