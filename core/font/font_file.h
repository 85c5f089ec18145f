#pragma once

#include "core/font/glyph_set.h"
#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"

#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

constexpr int kMaxFontPixelSize = 1024;

// What a font is written as: a GFXfont header, a u8g2 font, or a table of cells in one of
// the picture syntaxes.
// A font written as a library's own structure, or as a table of cells in a syntax.
enum class FontKind { GfxFont, U8g2, Table };

struct FontFormat {
    std::string name = "gfxfont";
    FontKind kind = FontKind::GfxFont;
    const Syntax* syntax = nullptr; // a table's syntax; null for gfxfont and u8g2
    PanelLayout cell{.arrangement = Arrangement::Pages};
    bool cellGiven = false; // else the widest advance x the line height, glyphs clipped
};

// "gfxfont", "u8g2", then every syntax that can hold a table, in the order they are offered.
std::vector<std::string_view> FontFormatNames();

// The format of that name with a table's default packing; false for an unknown name.
bool FindFontFormat(std::string_view name, FontFormat& format);

// The kind of the format of that name: a table for any name but gfxfont's and u8g2's.
FontKind FontKindNamed(std::string_view name);

// The file a font becomes, or why it cannot be written.
struct FontFile {
    std::string text;
    std::string extension; // ".h", or the table syntax's
    std::string error;     // one line; empty when written
};

FontFile WriteFontFile(const GlyphSet& set, const FontFormat& format, std::string_view symbol);

// The table's cell: the given one, or the widest advance x the line height.
PanelLayout FontCell(const GlyphSet& set, const FontFormat& format);

// "ter-u16n.pcf.gz" at 16 pixels: "ter_u16n_16".
std::string FontSymbol(const std::string& fontPath, int pixelSize);

} // namespace pelmora
