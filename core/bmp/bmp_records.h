#pragma once

#include "core/panel/colour.h"

#include <array>
#include <cstdint>

namespace pelmora {

// Record layouts of the BMP format, little-endian on disk.
struct BITMAPFILEHEADER {
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::int16_t biBitCount = 0; // the 16 stored bits, read as a signed value
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

struct RGBQUAD {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

constexpr Colour ColourOf(RGBQUAD entry) {
    return MakeColour(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

// The two colours of the last 1-bit bitmap read; entry 0 is "Normal", entry 1 "Inverse".
using Palette = std::array<RGBQUAD, 2>;

} // namespace pelmora
