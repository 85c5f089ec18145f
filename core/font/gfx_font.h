#pragma once

#include "core/font/glyph_set.h"

#include <string>
#include <string_view>

namespace pelmora {

// A font's text for the firmware, or why it cannot be written.
struct FontText {
    std::string text;
    std::string error; // names the glyph and the limit it breaks; empty when written
};

// The GFXfont structure as a C header: the bitmaps, a glyph record for every code from the
// first to the last (codes not asked for empty), and the font record. Compiles for AVR
// and for a host alike, with or without the library's own declarations.
FontText WriteGfxFont(const GlyphSet& set, std::string_view symbol);

struct FontRead {
    GlyphSet set;
    std::string error; // "line N: ..." or what is inconsistent; empty when read whole
};

// Reads such a header back (ours or any written the same way): the empty records, which
// the firmware cannot draw, are left out.
FontRead ReadGfxFont(std::string_view text);

// Whether the text looks like a GFXfont header.
bool ClaimsGfxFont(std::string_view text);

} // namespace pelmora
