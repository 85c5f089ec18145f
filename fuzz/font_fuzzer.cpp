// Fonts on arbitrary bytes. The first byte picks the path: FreeType loading a face from the
// rest and rasterising it at a small size (then the GFXfont and u8g2 writers, whose output
// must read back to the very glyphs), the GFXfont reader, the u8g2 reader on C text, the
// u8g2 decoder on raw bytes, the checks of BDF rows, or those of an sfnt's table directory
// (a table past the end of the file too), cmap and loca tables; the strikes of a bitmap
// font and a character set too.

#include "core/font/character_set.h"
#include "core/font/font_drawing.h"
#include "core/font/gfx_font.h"
#include "core/font/u8g2_font.h"
#include "freetype/bdf_rows.h"
#include "freetype/font_raster.h"
#include "freetype/font_strikes.h"
#include "freetype/outline_tables.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace pelmora;

// The glyph's on dots as placed from the pen on the baseline: what a writer that trims a
// glyph to its ink keeps.
std::vector<std::pair<int, int>> Ink(const Glyph& glyph) {
    std::vector<std::pair<int, int>> ink;
    for (int y = 0; y < glyph.dots.height; ++y) {
        for (int x = 0; x < glyph.dots.width; ++x) {
            if (glyph.dots.at(x, y)) {
                ink.emplace_back(glyph.left + x, glyph.top - y);
            }
        }
    }
    return ink;
}

bool SameGlyphs(const GlyphSet& written, const GlyphSet& read) {
    std::size_t drawn = 0;
    for (const Glyph& glyph : written.glyphs) {
        if (drawn >= read.glyphs.size() || read.glyphs[drawn].code != glyph.code) {
            continue; // an empty GFXfont record is not read back
        }
        const Glyph& back = read.glyphs[drawn++];
        if (back.advance != glyph.advance || Ink(back) != Ink(glyph)) {
            return false;
        }
    }
    return true;
}

void Rasterise(std::string_view bytes, std::uint8_t choice) {
    (void)FontStrikes(bytes);
    RasterOptions options;
    options.pixelSize = 1 + choice % 40;
    options.hinting = static_cast<Hinting>(choice % 3);
    for (char32_t code = 32; code < 127; ++code) {
        options.codes.push_back(code);
    }
    options.codes.push_back(0xB0);
    options.codes.push_back(0x2022);
    const RasterResult result = RasteriseFont(bytes, options);
    if (!result.error.empty()) {
        return;
    }
    for (const Glyph& glyph : result.set.glyphs) {
        if (glyph.dots.dots.size() != static_cast<std::size_t>(glyph.dots.width) *
                                          static_cast<std::size_t>(glyph.dots.height)) {
            std::abort();
        }
    }
    const FontText gfx = WriteGfxFont(result.set, "f");
    if (gfx.error.empty() && !SameGlyphs(result.set, ReadGfxFont(gfx.text).set)) {
        std::abort();
    }
    const U8g2Bytes u8g2 = EncodeU8g2Font(result.set);
    if (u8g2.error.empty() && !SameGlyphs(result.set, DecodeU8g2Font(u8g2.bytes).set)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 6) {
    case 0:
        Rasterise(rest, static_cast<std::uint8_t>(data[0] / 4));
        break;
    case 1: {
        const FontRead read = ReadGfxFont(rest);
        if (read.error.empty()) {
            (void)DrawFontText(read.set, "Hello, 12\u00B0C");
        }
        break;
    }
    case 2:
        (void)ReadFontData(rest, "", std::nullopt);
        // A character set, but never one naming a file to read.
        (void)ParseCharacterSet(rest.starts_with("@") ? rest.substr(1) : rest);
        break;
    case 3: {
        const FontRead read = DecodeU8g2Font(std::span<const std::uint8_t>(data + 1, size - 1));
        if (read.error.empty()) {
            (void)ListGlyphs(read.set, '#', '.');
        }
        break;
    }
    case 4: {
        const BdfFault fault = CheckBdfRows(rest);
        if (fault.found == fault.reason.empty()) {
            std::abort();
        }
        break;
    }
    default: {
        (void)FindSfntTable(rest, "glyf");
        (void)CmapHasSubtable(rest);
        if (const SfntCut cut = FindCutSfntTable(rest); !cut.found && !cut.tag.empty()) {
            std::abort();
        }
        // The rest as a loca table with room for its glyphs, in a glyf table of a length
        // from the first byte; a sound table places its last glyph in order and inside.
        const bool longOffsets = (data[0] & 0x40) != 0;
        const long glyphs = static_cast<long>(rest.size() / (longOffsets ? 4 : 2)) - 1;
        const std::uint64_t glyfLength = data[0] * 64U;
        const LocaFault fault = CheckLoca(rest, longOffsets, glyphs, glyfLength);
        std::uint64_t from = 0;
        std::uint64_t to = 0;
        const bool placed = glyphs > 0 && LocaRange(rest, longOffsets, glyphs - 1, from, to);
        if (fault.glyph >= std::max(glyphs, 0L) ||
            (fault.glyph < 0 && glyphs > 0 && (!placed || from > to || to > glyfLength))) {
            std::abort();
        }
        break;
    }
    }
    return 0;
}
