#pragma once

#include "core/font/gfx_font.h"
#include "core/font/glyph_set.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

struct U8g2Bytes {
    std::vector<std::uint8_t> bytes;
    std::string error; // names the glyph and the limit; empty when encoded
};

// The u8g2 font format: the 23-byte header, then the glyphs below U+0100 each with its code
// and the jump to the next, then the lookup table and the glyphs from U+0100 on. Each
// glyph's size, offsets and dots are one bit stream, least significant bit first; the dots
// are runs of off and on in pairs, the field widths chosen for the smallest font.
U8g2Bytes EncodeU8g2Font(const GlyphSet& set);

// The same as a C array in the font section.
FontText WriteU8g2Font(const GlyphSet& set, std::string_view symbol);

// The glyphs of such a font, as the firmware would draw them.
FontRead DecodeU8g2Font(std::span<const std::uint8_t> bytes);

// The first uint8_t array of a C text (values in braces or a string literal), decoded.
FontRead ReadU8g2Font(std::string_view text);

bool ClaimsU8g2Font(std::string_view text);

} // namespace pelmora
