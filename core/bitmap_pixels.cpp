#include "core/bitmap_pixels.h"

#include "core/bitmap_header.h"

#include <cstdlib>

namespace pelmora {

BitmapPixels::BitmapPixels(int width, int height, const Palette& palette)
    : width_(width), height_(height),
      index_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
      colours_{ColourOf(palette[0]), ColourOf(palette[1])} {}

Colour BitmapPixels::colourAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    return colours_[index_[Offset(x, y)]];
}

DecodedBitmap DecodeBitmapPixels(std::span<const std::uint8_t> bytes, const ConversionState& state,
                                 const Palette& palette) {
    const BITMAPINFOHEADER& info = state.infoHeader;
    const std::uint64_t needed = PixelDataEnd(state);
    if (bytes.size() < needed) {
        return {{},
                "the pixel data is cut short: the file holds " + std::to_string(bytes.size()) +
                    " bytes of the " + std::to_string(needed) + " that the picture needs"};
    }
    // A header under 40 bytes is an older layout whose fields lie elsewhere.
    if (info.biSize < 40 || info.biBitCount != 1 || info.biWidth <= 0 ||
        info.biWidth > kMaxPanelSide || info.biHeight == 0 || info.biHeight > kMaxPanelSide ||
        info.biHeight < -kMaxPanelSide) {
        return {{}, "the picture could not be decoded (Unable to read image data)"};
    }
    if (info.biCompression != 0) {
        return {{}, "the picture could not be decoded (its pixel data is compressed)"};
    }
    const int width = info.biWidth;
    const int height = std::abs(info.biHeight);
    const bool topDown = info.biHeight < 0;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 31) / 32 * 4;

    DecodedBitmap decoded{BitmapPixels(width, height, palette), {}};
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* line =
            bytes.data() + state.fileHeader.bfOffBits + static_cast<std::size_t>(row) * rowBytes;
        const int y = topDown ? row : height - 1 - row; // the first stored row is the bottom
        for (int x = 0; x < width; ++x) {
            decoded.pixels.setIndex(x, y, line[x >> 3] >> (7 - (x & 7)) & 1);
        }
    }
    return decoded;
}

} // namespace pelmora
