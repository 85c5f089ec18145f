#include "picture_helper/picture_source.h"

#include "jpeg/jpeg_picture.h"
#include "picture_helper/cut_short.h"
#include "png/png_picture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstring>
#include <new>

namespace pelmora {

namespace {

constexpr int kAllocationLimitMiB = 512;

// Why a file is refused as cut short; empty when it is whole, or no file that can be mapped
// (a pipe, say), which only Qt reads.
std::string CutShortFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) {
        return {};
    }
    const uchar* bytes = file.map(0, file.size());
    if (bytes == nullptr) {
        return {};
    }
    const std::optional<std::string_view> format =
        CutShortFormat({bytes, static_cast<std::size_t>(file.size())});
    return format ? CutShortReason(*format) : std::string();
}

} // namespace

SourcePicture ReadPicture(const QString& path) {
    JpegPicture jpeg = ReadJpegFile(QFile::encodeName(path).toStdString());
    if (jpeg.handled) {
        return {std::move(jpeg.picture), jpeg.error};
    }
    // PNGs as pelmora-cli reads them, to the very pixels and the same refusals.
    PngDecoded png = ReadPngFile(QFile::encodeName(path).toStdString());
    if (png.handled) {
        return {std::move(png.picture), png.error};
    }
    if (std::string cut = CutShortFile(path); !cut.empty()) {
        return {{}, std::move(cut)};
    }
    QImageReader::setAllocationLimit(kAllocationLimitMiB);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() &&
        static_cast<long long>(size.width()) * size.height() > kMaxPicturePixels) {
        return {{}, TooManyPixels(size.width(), size.height())};
    }
    QImage image = reader.read();
    if (image.isNull()) {
        const QString why = reader.error() == QImageReader::UnsupportedFormatError
                                ? QStringLiteral("not a picture in a format this machine reads")
                                : reader.errorString();
        return {{}, "the picture could not be read (" + why.toStdString() + ")"};
    }
    image.convertTo(QImage::Format_RGBA8888);
    if (image.isNull()) {
        return {{}, kNoMemoryReason};
    }
    SourcePicture source;
    RgbaPicture& picture = source.picture;
    picture.width = image.width();
    picture.height = image.height();
    const auto rowBytes = static_cast<std::size_t>(image.width()) * 4;
    try {
        picture.rgba.resize(rowBytes * static_cast<std::size_t>(image.height()));
    } catch (const std::bad_alloc&) {
        return {{}, kNoMemoryReason};
    }
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(picture.rgba.data() + rowBytes * static_cast<std::size_t>(y),
                    image.constScanLine(y), rowBytes);
    }
    return source;
}

QImage ImageView(const RgbaPicture& picture) {
    return QImage(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                  QImage::Format_RGBA8888);
}

} // namespace pelmora
