#pragma once

#include "core/panel/mono_picture.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pelmora {

// One character as the rasteriser drew it: its dots from the top row down, where they lie
// from the pen on the baseline, and how far the pen moves on.
struct Glyph {
    char32_t code = 0;
    MonoPicture dots;
    int left = 0;    // from the pen to the leftmost column, rightwards
    int top = 0;     // from the baseline up to the top row
    int advance = 0; // pixels the pen moves after this glyph
};

// The characters of one font at one size, in ascending code order, each once.
struct GlyphSet {
    std::string family; // the font's name, for comments
    int pixelSize = 0;  // the size asked for, or the strike's height
    int ascender = 0;   // pixels above the baseline that a line keeps
    int descender = 0;  // pixels below it, counted down (positive)
    int lineHeight = 0; // baseline to baseline
    std::vector<Glyph> glyphs;
};

// The most dots a font read back may hold in all its glyphs, and on a glyph's side: far
// above any font for a panel, far below what would exhaust memory.
constexpr std::size_t kMaxFontDots = std::size_t{1} << 26;
constexpr int kMaxGlyphSide = 1024;

// The glyph's bottom row as an offset from the baseline, up positive.
inline int BottomOf(const Glyph& glyph) {
    return glyph.top - glyph.dots.height;
}

// The glyph with its blank rows and columns cut off every side, left and top moved with
// them: the box of its ink. A glyph with no dot on keeps its advance and no dots at all.
Glyph TrimmedToInk(const Glyph& glyph);

// "U+00B0": how messages and comments name a character.
std::string CodeName(char32_t code);

// "'A'" for printable ASCII other than the quote and backslash, else empty.
std::string QuotedAscii(char32_t code);

} // namespace pelmora
