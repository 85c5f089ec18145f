// The PNG reader on arbitrary bytes: whole, and scaled row by row onto a small panel,
// turned or not. Pictures are capped small here so that a header stating a large one
// costs no time.

#include "png/png_picture.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmora;
    const std::span<const std::uint8_t> bytes(data, size);
    constexpr long long kMaxPixels = 1 << 20;
    const PngDecoded whole = DecodePng(bytes, kMaxPixels);
    if (whole.handled && whole.ok() &&
        whole.picture.rgba.size() != static_cast<std::size_t>(whole.picture.width) *
                                         static_cast<std::size_t>(whole.picture.height) * 4) {
        std::abort();
    }
    if (!whole.ok() && (whole.error.empty() || whole.error.find('\n') != std::string::npos)) {
        std::abort();
    }
    const int turn = size > 0 ? data[size - 1] : 0;
    const PanelFit panel{1 + turn % 97, 1 + turn % 61, static_cast<Fit>(turn % 4), 90 * (turn % 3),
                         static_cast<Mirror>(turn % 3)};
    const PngShown shown = DecodePngShown(bytes, panel, kMaxPixels);
    if (shown.ok() != whole.ok() ||
        (shown.ok() && (shown.shown.width != shown.placement.width ||
                        shown.shown.height != shown.placement.height ||
                        shown.placement.panelX + shown.placement.width > panel.width ||
                        shown.placement.panelY + shown.placement.height > panel.height))) {
        std::abort();
    }
    return 0;
}
