#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace pelmora::test {

// Dots on a line of text, as (x, y) from the first pen position on the baseline.
using Dots = std::set<std::pair<int, int>>;

// What FreeType draws, called here directly: each glyph's mono bitmap placed by its
// bearings, the pen moved by its advance rounded to whole pixels. Hinting: "normal",
// "light" or "none"; pixels 0 takes a bitmap font's first strike.
Dots FreeTypeLine(const std::string& fontPath, int pixels, const std::string& hinting,
                  const std::u32string& text);

// A dot picture for a failure message.
std::string Drawn(const Dots& dots);

// One glyph of a BDF file as pcf2bdf writes it.
struct BdfGlyph {
    long code = -1;
    int advance = 0;
    int width = 0;
    int height = 0;
    int xOffset = 0;
    int yOffset = 0;               // the bottom row from the baseline, up positive
    std::vector<std::string> rows; // '#' and '.', from the top
};

struct BdfFont {
    int ascent = 0;
    int descent = 0;
    std::vector<BdfGlyph> glyphs;
};

BdfFont ParseBdf(const std::string& text);

} // namespace pelmora::test
