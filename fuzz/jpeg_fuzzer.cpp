// The JPEG reader on arbitrary bytes: whole, and scaled row by row onto a small panel,
// turned or not; and the EXIF reader on the same bytes. Pictures are capped small here so
// that a header stating a large one costs no time.

#include "core/prepare/resample.h"
#include "jpeg/jpeg_picture.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmora;
    const std::span<const std::uint8_t> bytes(data, size);
    constexpr long long kMaxPixels = 1 << 20;
    const JpegPicture whole = DecodeJpeg(bytes, kMaxPixels);
    if (whole.handled && whole.ok() &&
        whole.picture.rgba.size() != static_cast<std::size_t>(whole.picture.width) *
                                         static_cast<std::size_t>(whole.picture.height) * 4) {
        std::abort();
    }
    const int turn = size > 0 ? data[size - 1] : 0;
    const PanelFit panel{1 + turn % 97, 1 + turn % 61, static_cast<Fit>(turn % 4), 90 * (turn % 3),
                         static_cast<Mirror>(turn % 3)};
    const JpegShown shown = DecodeJpegShown(bytes, panel, kMaxPixels);
    if (shown.handled && shown.ok() &&
        (shown.shown.width != shown.placement.width ||
         shown.shown.height != shown.placement.height ||
         shown.placement.panelX + shown.placement.width > panel.width ||
         shown.placement.panelY + shown.placement.height > panel.height)) {
        std::abort();
    }
    const int orientation = ExifOrientation(bytes);
    if (orientation < 1 || orientation > 8) {
        std::abort();
    }
    return 0;
}
