#pragma once

#include "core/bmp/bitmap_header.h"
#include "core/panel/mono_picture.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pelmora {

// An accepted 1-bit bitmap as decoded: each pixel's palette index, row by row from the top,
// and the colour of each index.
class BitmapPixels : public PictureSurface {
  public:
    BitmapPixels() = default;
    BitmapPixels(int width, int height, const Palette& palette);

    Colour colourAt(int x, int y) const override;
    bool chooseRow(int y, Colour onColour, std::uint8_t* dots) const override;
    int pictureWidth() const override { return width_; }
    int pictureHeight() const override { return height_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int indexAt(int x, int y) const { return index_[Offset(x, y)]; }
    void setIndex(int x, int y, int index) { index_[Offset(x, y)] = index != 0 ? 1 : 0; }
    Colour colourOfIndex(int index) const { return colours_[index != 0 ? 1 : 0]; }
    bool empty() const { return index_.empty(); }
    std::uint8_t* row(int y) { return index_.data() + Offset(0, y); } // width indices, 0 or 1

  private:
    std::size_t Offset(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> index_;
    Colour colours_[2] = {0, 0};
};

struct DecodedBitmap {
    BitmapPixels pixels; // empty when the pixel data cannot be read
    std::string error;   // why not
    bool ok() const { return error.empty(); }
};

// Decodes the pixel rows of a whole 1-bit file whose headers and palette the check read:
// bottom-up, rows padded to four bytes, from bfOffBits on. Pixel data cut short, said to
// start inside the headers, or stored top-down, is refused rather than read.
DecodedBitmap DecodeBitmapPixels(std::span<const std::uint8_t> bytes, const BitmapCheck& check);

} // namespace pelmora
