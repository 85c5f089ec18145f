#pragma once

#include "core/font/glyph_set.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// How FreeType fits outlines to the pixel grid before its 1-bit rendering.
enum class Hinting { Normal, Light, None };

// The hinting --hinting and the settings name ("normal", "light", "none"); empty for any
// other name.
inline std::optional<Hinting> HintingNamed(std::string_view name) {
    if (name == "normal") {
        return Hinting::Normal;
    }
    if (name == "light") {
        return Hinting::Light;
    }
    if (name == "none") {
        return Hinting::None;
    }
    return std::nullopt;
}

struct RasterOptions {
    std::optional<int> pixelSize; // empty: a bitmap font's first strike, 16 for outlines
    Hinting hinting = Hinting::Normal;
    std::vector<char32_t> codes; // ascending, each once
};

struct RasterResult {
    GlyphSet set;
    std::vector<char32_t> missing; // codes asked for that the font has no glyph for
    std::string error;             // one line; empty when the glyphs were drawn
    std::string warning;           // one line for standard error: every glyph is blank
};

// Every code the font has, drawn by FreeType's mono rasteriser: TrueType, OpenType (CFF
// too), BDF, PCF (gzip-compressed too) and OTB bitmap fonts, from the file's bytes. A font
// is drawn whole or refused: a glyph FreeType cannot load, TrueType outlines placed outside
// their table, BDF rows that do not fill their box are an error naming the glyph; a table
// running past the end of the file or no character map, one naming the table.
RasterResult RasteriseFont(std::string_view fontBytes, const RasterOptions& options);

} // namespace pelmora
