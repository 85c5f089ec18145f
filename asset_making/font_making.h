#pragma once

#include "asset_making/make_problem.h"
#include "core/asset/asset.h"
#include "core/font/font_file.h"
#include "core/font/glyph_set.h"
#include "freetype/font_raster.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// What FreeType draws a font's characters with.
RasterOptions RasterFor(const FontInput& font);

// A font drawn and written in its format.
struct MadeFont {
    // The glyphs, the characters asked for that the font lacks (not a failure) and a warning
    // (every glyph is blank), those two for the front end to say, empty when not drawn.
    RasterResult raster;
    std::string symbol;  // the one written: the asset's, else from the font's name and size
    FontFile file;       // its text and extension
    MakeProblem problem; // Written when drawn but not to be written in the format
};

// The font at path (- is standard input) drawn with the asset's font input and written in
// its format, named by the asset's symbol.
MadeFont MakeFontBytes(const FontInput& font, std::string_view symbol, const std::string& path);

// The same for a font's bytes already read; path names it for the symbol.
MadeFont MakeFontFromBytes(const FontInput& font, std::string_view symbol,
                           std::string_view fontBytes, const std::string& path);

// How a font's glyphs' bytes run, as the combined files index them: a table's cell, a
// library's rows.
PanelLayout FontLayout(const GlyphSet& glyphs, const FontFormat& format);

// The lines that say which characters fontName lacks: the first few named, the rest counted,
// as a wide range may miss thousands.
std::vector<std::string> MissingLines(std::span<const char32_t> missing, std::string_view fontName);

} // namespace pelmora
