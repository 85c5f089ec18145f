// pelmora-picture: the part of preparing a picture that needs Qt, run by pelmora-cli so that
// the command line itself loads no Qt library. It decodes any picture Qt reads (the EXIF
// orientation applied, the first frame of an animation), then turns it and scales the part
// the panel shows as the core does. Everything after that is the core's.
//
//   pelmora-picture PICTURE WIDTH HEIGHT FIT ROTATE MIRROR
//
// On success it writes the placement and the shown part as core/prepare/picture_handoff.h
// says; on failure one line of reason on standard error and exit 1. It ends with
// pelmora-cli: nobody else would read what it decodes.

#include "core/prepare/picture_handoff.h"
#include "core/prepare/resample.h"
#include "picture_helper/picture_source.h"

#include <QCoreApplication>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

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

// Killed when the process that started it ends, so that a picture of 100 million pixels is
// not decoded on for no one. A parent gone before this call is seen by its end of the
// pipe: the system closes a process's files before it hands its children on.
bool EndWithParent() {
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) {
        return false;
    }
    pollfd out{STDOUT_FILENO, 0, 0};
    return poll(&out, 1, 0) == 0 || (out.revents & (POLLERR | POLLHUP)) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (!EndWithParent()) {
        return 1;
    }
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

    std::string out = PictureHandoffHeader(placement);
    out.append(reinterpret_cast<const char*>(shown.rgba.data()), shown.rgba.size());
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        return Fail("pelmora-picture: the picture could not be handed on");
    }
    return 0;
}
