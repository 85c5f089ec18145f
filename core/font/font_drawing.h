#pragma once

#include "core/font/gfx_font.h"
#include "core/font/glyph_set.h"
#include "core/panel/mono_picture.h"
#include "core/panel/panel_layout.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// A font file of any kind pelmora-cli font writes, read back: "gfxfont", "u8g2", or the
// name of a table's syntax; an empty format is told from the content, then the file's
// extension. A table takes its cell from its geometry line, else from cell.
FontRead ReadFontData(std::string_view text, std::string_view format,
                      const std::optional<PanelLayout>& cell, std::string_view fileName = {});

struct DrawnText {
    MonoPicture picture;
    int penX = 0;                  // where the first line's pen starts in the picture
    int baseline = 0;              // the first line's baseline in the picture
    std::vector<char32_t> missing; // characters of the text the font has no glyph for
    std::size_t glyphs = 0;        // glyphs placed, each time one is
    std::string error;             // the text is not UTF-8, or the picture would be too large
};

// The text as the firmware draws it: the pen on the baseline, each glyph placed by its
// offsets and the pen moved by its advance; a line feed starts the next line a line height
// down. The picture spans every dot drawn and the first line's ascender.
DrawnText DrawFontText(const GlyphSet& set, std::string_view utf8);

// Each glyph with its code and metrics, then its dots as on and off characters.
std::string ListGlyphs(const GlyphSet& set, char on, char off);

} // namespace pelmora
