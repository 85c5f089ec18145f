// pelmora-picture: the part of preparing a picture that needs Qt, run by pelmora-cli so that
// the command line itself loads no Qt library. It decodes any picture Qt reads (the EXIF
// orientation applied, the first frame of an animation), then turns it and scales the part
// the panel shows as the core does. Everything after that is the core's.
//
//   pelmora-picture PICTURE WIDTH HEIGHT FIT ROTATE MIRROR
//
// On success it writes "PELMORA-RGBA 1", the placement (eight numbers) and the shown part
// as RGBA bytes, row by row; on failure one line of reason on standard error and exit 1.

#include "core/prepare/resample.h"
#include "picture/picture_source.h"

#include <QCoreApplication>

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

using namespace pelmora;

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
    const std::optional<Mirror> mirror = MirrorNamed(argv[6]);
    if (!ParseInt(argv[2], width) || !ParseInt(argv[3], height) || !ParseInt(argv[5], rotate) ||
        !fit || width < 1 || height < 1 || width > 4096 || height > 4096 || rotate % 90 != 0 ||
        !mirror) {
        return Fail("pelmora-picture: arguments out of range");
    }

    const SourcePicture source = ReadPicture(QString::fromLocal8Bit(argv[1]));
    if (!source.ok()) {
        return Fail(source.error);
    }
    const TurnedView picture = TurnedView(source.picture).turned(rotate, *mirror);
    const Placement placement =
        PlacePicture(picture.width(), picture.height(), width, height, *fit);
    const RgbaPicture shown = ShownPart(picture, placement);

    std::string out = "PELMORA-RGBA 1\n";
    for (const int value :
         {placement.sourceX, placement.sourceY, placement.sourceWidth, placement.sourceHeight,
          placement.panelX, placement.panelY, placement.width, placement.height}) {
        out += std::to_string(value) + " ";
    }
    out.back() = '\n';
    out.append(reinterpret_cast<const char*>(shown.rgba.data()), shown.rgba.size());
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        return Fail("pelmora-picture: the picture could not be handed on");
    }
    return 0;
}
