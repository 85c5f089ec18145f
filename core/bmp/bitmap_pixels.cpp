#include "core/bmp/bitmap_pixels.h"

#include "core/bmp/bitmap_header.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pelmora {

namespace {

// The eight palette indices that one byte of a 1-bit row holds, the leftmost in bit 7.
constexpr std::array<std::array<std::uint8_t, 8>, 256> MakeIndicesOfByte() {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            table[byte][bit] = static_cast<std::uint8_t>(byte >> (7 - bit) & 1U);
        }
    }
    return table;
}

constexpr auto kIndicesOfByte = MakeIndicesOfByte();

} // namespace

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

bool BitmapPixels::chooseRow(int y, Colour onColour, std::uint8_t* dots) const {
    const bool onAt0 = colours_[0] == onColour;
    const bool onAt1 = colours_[1] == onColour;
    const std::uint8_t* index = index_.data() + Offset(0, y);
    const auto width = static_cast<std::size_t>(width_);
    if (onAt0 == onAt1) { // both entries the same colour: every dot alike
        std::fill_n(dots, width, onAt0 ? std::uint8_t{1} : std::uint8_t{0});
        return true;
    }
    const std::uint8_t flip = onAt0 ? 1 : 0; // on where the index is 0
    for (std::size_t x = 0; x < width; ++x) {
        dots[x] = static_cast<std::uint8_t>(index[x] ^ flip);
    }
    return true;
}

DecodedBitmap DecodeBitmapPixels(std::span<const std::uint8_t> bytes, const BitmapCheck& check) {
    const BITMAPINFOHEADER& info = check.infoHeader;
    const std::uint32_t offset = check.fileHeader.bfOffBits;
    if (!check.headersRead) {
        return {{}, "the file is shorter than its headers"};
    }
    const std::uint64_t needed = PixelDataEnd(check.fileHeader, info);
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
    // The acceptance rule takes bottom-up rows only; a caller that let another through is
    // refused, not read upside down.
    if (info.biHeight < 0) {
        return {{}, "the picture is stored top-down (a negative height), which is not read"};
    }
    // The file header, the information header and the two palette entries come first.
    const std::uint64_t headersEnd = 14 + std::max<std::uint64_t>(info.biSize, 40) + 8;
    if (offset < headersEnd) {
        return {{},
                "the pixel data is said to start at byte " + std::to_string(offset) +
                    ", inside the headers, which end at byte " + std::to_string(headersEnd)};
    }
    if (info.biCompression != 0) {
        return {{}, "the picture could not be decoded (its pixel data is compressed)"};
    }
    const int width = info.biWidth;
    const int height = info.biHeight;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 31) / 32 * 4;

    DecodedBitmap decoded{BitmapPixels(width, height, check.palette), {}};
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* line = bytes.data() + offset + static_cast<std::size_t>(row) * rowBytes;
        const int y = height - 1 - row; // the first stored row is the bottom
        std::uint8_t* index = decoded.pixels.row(y);
        const int whole = width / 8 * 8;
        for (int x = 0; x < whole; x += 8) {
            std::memcpy(index + x, kIndicesOfByte[line[x >> 3]].data(), 8);
        }
        for (int x = whole; x < width; ++x) {
            index[x] = static_cast<std::uint8_t>(line[x >> 3] >> (7 - (x & 7)) & 1);
        }
    }
    return decoded;
}

} // namespace pelmora
