#pragma once

#include "core/panel/mono_picture.h"

#include <cstdint>
#include <span>
#include <string>

namespace pelmora {

// A 1-bit BMP of the picture: 40-byte header, palette entry 0 black for an on dot, entry 1
// white for an off one, so that converting it in Normal mode gives the same bytes again.
std::string EncodeMonoBmp(const MonoPicture& picture);

// A 4-bit indexed BMP of width x height pixels: indices row by row from the top, each an
// entry of palette (0xRRGGBB, at most 16). Empty for indices of another count or beyond
// the palette.
std::string EncodeIndexedBmp(int width, int height, std::span<const std::uint8_t> indices,
                             std::span<const std::uint32_t> palette);

} // namespace pelmora
