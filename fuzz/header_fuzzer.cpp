// The header reader on arbitrary bytes: it must answer, never read past what it was given.

#include "core/bmp/bitmap_header.h"
#include "core/conversion/intake.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const pelmora::BitmapCheck check = pelmora::CheckBitmapBytes({data, size});
    if (check.accepted()) {
        (void)pelmora::ColourDepthText(check.infoHeader);
        pelmora::ConversionState state;
        pelmora::Palette palette{};
        pelmora::KeepBitmapHeaders(check, state, palette);
        pelmora::ComputePanelGeometry(state);
    }
    (void)pelmora::PixelDataEnd(check.fileHeader, check.infoHeader);
    return 0;
}
