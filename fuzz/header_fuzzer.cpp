// The header reader on arbitrary bytes: it must answer, never read past what it was given.

#include "core/bmp/bitmap_header.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelmora::ConversionState state;
    pelmora::Palette palette{};
    const pelmora::BitmapCheck check = pelmora::CheckBitmapBytes(state, {data, size}, palette);
    if (check.accepted()) {
        (void)pelmora::ColourDepthText(state);
        pelmora::ComputePanelGeometry(state);
    }
    (void)pelmora::PixelDataEnd(state);
    return 0;
}
