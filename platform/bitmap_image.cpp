#include "platform/bitmap_image.h"

#include "core/bitmap_header.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace pelmora {

Colour ColourFromRgb(QRgb rgb) {
    return MakeColour(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

QRgb RgbFromColour(Colour colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

ImageSurface::ImageSurface(const QImage& image)
    : image_(image.format() == QImage::Format_Mono && image.colorCount() == 2
                 ? image
                 : image.convertToFormat(QImage::Format_RGB32)),
      bits_(image_.constBits()), bytesPerLine_(image_.bytesPerLine()), width_(image_.width()),
      height_(image_.height()), oneBit_(image_.format() == QImage::Format_Mono),
      colours_{oneBit_ ? ColourFromRgb(image_.color(0)) : 0,
               oneBit_ ? ColourFromRgb(image_.color(1)) : 0} {}

Colour ImageSurface::colourAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    const uchar* line = bits_ + y * bytesPerLine_;
    if (oneBit_) {
        return colours_[line[x >> 3] >> (7 - (x & 7)) & 1]; // first pixel in the high bit
    }
    return ColourFromRgb(reinterpret_cast<const QRgb*>(line)[x]);
}

namespace {

LoadedBitmap Decode(QIODevice& device, qint64 fileSize, const ConversionState& state) {
    const std::uint64_t needed = PixelDataEnd(state);
    if (fileSize < 0 || static_cast<std::uint64_t>(fileSize) < needed) {
        return {{},
                QStringLiteral("the pixel data is cut short: the file holds %1 bytes of the %2 "
                               "that the picture needs")
                    .arg(fileSize)
                    .arg(needed)};
    }
    QImageReader reader(&device, "bmp");
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

} // namespace

LoadedBitmap LoadBitmapImage(const QString& path, const ConversionState& state) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {{}, file.errorString()};
    }
    return Decode(file, file.size(), state);
}

LoadedBitmap LoadBitmapImage(const QByteArray& bytes, const ConversionState& state) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return Decode(buffer, bytes.size(), state);
}

} // namespace pelmora
