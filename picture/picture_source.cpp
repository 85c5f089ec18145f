#include "picture/picture_source.h"

#include <QFile>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

// The largest picture decoded: far above any photo, far below what would exhaust memory.
constexpr long long kMaxPixels = 100LL * 1000 * 1000;
constexpr int kAllocationLimitMiB = 512;

} // namespace

SourcePicture ReadPicture(const QString& path) {
    QImageReader::setAllocationLimit(kAllocationLimitMiB);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && static_cast<long long>(size.width()) * size.height() > kMaxPixels) {
        return {{},
                "the picture is " + std::to_string(size.width()) + " x " +
                    std::to_string(size.height()) + " pixels, more than the 100 million prepared"};
    }
    // A JPEG cut short still decodes, its missing part grey; one without its end marker
    // near the end is refused instead.
    if (reader.format() == "jpeg") {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            file.seek(std::max<qint64>(0, file.size() - 4096));
            if (!file.readAll().contains("\xff\xd9")) {
                return {{}, "the picture is cut short (its JPEG data has no end)"};
            }
        }
    }
    QImage image = reader.read();
    if (image.isNull()) {
        const QString why = reader.error() == QImageReader::UnsupportedFormatError
                                ? QStringLiteral("not a picture in a format this machine reads")
                                : reader.errorString();
        return {{}, "the picture could not be read (" + why.toStdString() + ")"};
    }
    image.convertTo(QImage::Format_RGBA8888_Premultiplied);
    return {image, {}};
}

QImage Turned(const QImage& image, int rotate, const std::string& mirror) {
    QImage turned = rotate % 360 != 0 ? image.transformed(QTransform().rotate(rotate)) : image;
    if (mirror == "horizontal" || mirror == "vertical") {
        turned = turned.mirrored(mirror == "horizontal", mirror == "vertical");
    }
    return turned;
}

RgbaPicture ShownPart(const QImage& image, const Placement& placement) {
    QImage shown = image.copy(placement.sourceX, placement.sourceY, placement.sourceWidth,
                              placement.sourceHeight);
    if (placement.resampled()) {
        shown = shown.scaled(placement.width, placement.height, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    shown.convertTo(QImage::Format_RGBA8888);
    RgbaPicture picture;
    if (shown.isNull() || shown.width() != placement.width || shown.height() != placement.height) {
        return picture;
    }
    picture.width = shown.width();
    picture.height = shown.height();
    const auto rowBytes = static_cast<std::size_t>(shown.width()) * 4;
    picture.rgba.resize(rowBytes * static_cast<std::size_t>(shown.height()));
    for (int y = 0; y < shown.height(); ++y) {
        std::memcpy(picture.rgba.data() + rowBytes * static_cast<std::size_t>(y),
                    shown.constScanLine(y), rowBytes);
    }
    return picture;
}

} // namespace pelmora
