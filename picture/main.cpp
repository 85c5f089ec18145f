// pelmora-picture: the part of preparing a picture that needs Qt, run by pelmora-cli so that
// the command line itself loads no Qt library. It decodes any picture Qt reads (the EXIF
// orientation applied, the first frame of an animation), turns it, and scales the part the
// panel shows. Everything after that is the core's.
//
//   pelmora-picture PICTURE WIDTH HEIGHT FIT ROTATE MIRROR
//
// On success it writes "PELMORA-RGBA 1", the placement (eight numbers) and the shown part
// as RGBA bytes, row by row; on failure one line of reason on standard error and exit 1.

#include "core/prepare.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

using namespace pelmora;

// The largest picture decoded: far above any photo, far below what would exhaust memory.
constexpr long long kMaxPixels = 100LL * 1000 * 1000;
constexpr int kAllocationLimitMiB = 512;

int Fail(const std::string& reason) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return 1;
}

bool ParseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 7) {
        return Fail("usage: pelmora-picture PICTURE WIDTH HEIGHT FIT ROTATE MIRROR");
    }
    QCoreApplication app(argc, argv); // for the image format plugins
    int width = 0;
    int height = 0;
    int rotate = 0;
    const std::optional<Fit> fit = FitNamed(argv[4]);
    const std::string_view mirror = argv[6];
    if (!ParseInt(argv[2], width) || !ParseInt(argv[3], height) || !ParseInt(argv[5], rotate) ||
        !fit || width < 1 || height < 1 || width > 4096 || height > 4096 || rotate % 90 != 0 ||
        (mirror != "none" && mirror != "horizontal" && mirror != "vertical")) {
        return Fail("pelmora-picture: arguments out of range");
    }

    QImageReader::setAllocationLimit(kAllocationLimitMiB);
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && static_cast<long long>(size.width()) * size.height() > kMaxPixels) {
        return Fail("the picture is " + std::to_string(size.width()) + " x " +
                    std::to_string(size.height()) + " pixels, more than the 100 million prepared");
    }
    // A JPEG cut short still decodes, its missing part grey; one without its end marker
    // near the end is refused instead.
    if (reader.format() == "jpeg") {
        QFile file(reader.fileName());
        if (file.open(QIODevice::ReadOnly)) {
            file.seek(std::max<qint64>(0, file.size() - 4096));
            if (!file.readAll().contains("\xff\xd9")) {
                return Fail("the picture is cut short (its JPEG data has no end)");
            }
        }
    }
    QImage image = reader.read();
    if (image.isNull()) {
        const QString why = reader.error() == QImageReader::UnsupportedFormatError
                                ? QStringLiteral("not a picture in a format this machine reads")
                                : reader.errorString();
        return Fail("the picture could not be read (" + why.toStdString() + ")");
    }
    if (rotate % 360 != 0) {
        image = image.transformed(QTransform().rotate(rotate));
    }
    if (mirror != "none") {
        image = image.mirrored(mirror == "horizontal", mirror == "vertical");
    }
    image.convertTo(QImage::Format_RGBA8888_Premultiplied);

    const Placement placement = PlacePicture(image.width(), image.height(), width, height, *fit);
    QImage shown = image.copy(placement.sourceX, placement.sourceY, placement.sourceWidth,
                              placement.sourceHeight);
    if (placement.resampled()) {
        shown = shown.scaled(placement.width, placement.height, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    shown.convertTo(QImage::Format_RGBA8888);
    if (shown.isNull() || shown.width() != placement.width || shown.height() != placement.height) {
        return Fail("the picture could not be scaled");
    }

    std::string out = "PELMORA-RGBA 1\n";
    for (const int value :
         {placement.sourceX, placement.sourceY, placement.sourceWidth, placement.sourceHeight,
          placement.panelX, placement.panelY, placement.width, placement.height}) {
        out += std::to_string(value) + " ";
    }
    out.back() = '\n';
    const auto rowBytes = static_cast<std::size_t>(shown.width()) * 4;
    out.reserve(out.size() + rowBytes * static_cast<std::size_t>(shown.height()));
    for (int y = 0; y < shown.height(); ++y) {
        out.append(reinterpret_cast<const char*>(shown.constScanLine(y)), rowBytes);
    }
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        return Fail("pelmora-picture: the picture could not be handed on");
    }
    return 0;
}
