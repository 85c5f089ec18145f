// Preparing a picture, from arbitrary sizes, options and pixels: the placement must lie on
// the panel and inside the source, and laying out and dithering must answer for any of it,
// at any depth, in e-paper colours and with a mask.

#include "core/prepare/prepare.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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

    // The same picture on a panel of levels, e-paper colours or a mask: every dot within the
    // layout's levels, and the greys of the levels read from whatever text is left.
    PanelLayout layout{panelWidth, panelHeight, static_cast<Arrangement>(in.next() % 4)};
    layout.depth = 1 << (in.next() % 3);
    layout.colours = layout.depth == 1 ? static_cast<Colours>(in.next() % 3) : Colours::None;
    layout.mask = static_cast<MaskForm>(in.next() % 2);
    if (layout.arrangement == Arrangement::Halves) {
        layout.blockWidth = panelWidth;
    }
    const std::string_view rest(reinterpret_cast<const char*>(in.data), in.size);
    const LevelGreysRead greys = ReadLevelGreys(rest, layout.depth);
    if (greys.error.empty()) {
        options.levelGreys = greys.greys;
    }
    const PanelDots dots = PreparePanelDots(shown, p, layout, options);
    if (!CheckLayout(layout).empty()) {
        return 0;
    }
    if (dots.width != panelWidth || dots.height != panelHeight) {
        std::abort();
    }
    for (const std::uint8_t level : dots.levels) {
        if (level > TopLevel(layout)) {
            std::abort();
        }
    }
    if (PackDots(dots, layout).size() != layout.byteCount()) {
        std::abort();
    }
    return 0;
}
