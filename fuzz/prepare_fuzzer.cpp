// Preparing a picture, from arbitrary sizes, options and pixels: the placement must lie on
// the panel and inside the source, and laying out and dithering must answer for any of it.

#include "core/prepare/prepare.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace pelmora;

struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t next() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
    int wide() { return next() << 8 | next(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in{data, size};
    const int sourceWidth = 1 + in.wide();
    const int sourceHeight = 1 + in.wide();
    const int panelWidth = 1 + in.next() % 160;
    const int panelHeight = 1 + in.next() % 96;
    const auto fit = static_cast<Fit>(in.next() % 4);
    const Placement p = PlacePicture(sourceWidth, sourceHeight, panelWidth, panelHeight, fit);
    if (p.panelX < 0 || p.panelY < 0 || p.width < 1 || p.height < 1 ||
        p.panelX + p.width > panelWidth || p.panelY + p.height > panelHeight || p.sourceX < 0 ||
        p.sourceY < 0 || p.sourceWidth < 1 || p.sourceHeight < 1 ||
        p.sourceX + p.sourceWidth > sourceWidth || p.sourceY + p.sourceHeight > sourceHeight) {
        std::abort();
    }

    PrepareOptions options;
    options.fit = fit;
    options.dither = static_cast<Dither>(in.next() % 4);
    const int threshold = in.next() * 257 / 255; // 0 to 257
    options.threshold = threshold > 256 ? std::optional<int>() : threshold;
    options.brightness = in.next() % 201 - 100;
    options.contrast = in.next() % 201 - 100;
    options.blackBackground = (in.next() & 1) != 0;
    options.invert = (in.next() & 1) != 0;
    RgbaPicture shown{p.width, p.height, {}};
    shown.rgba.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 4);
    for (std::uint8_t& byte : shown.rgba) {
        byte = in.next();
    }
    const MonoPicture picture = PreparePanel(shown, p, panelWidth, panelHeight, options);
    if (picture.width != panelWidth || picture.height != panelHeight) {
        std::abort();
    }
    return 0;
}
