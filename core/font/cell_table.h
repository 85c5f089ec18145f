#pragma once

#include "core/font/gfx_font.h"
#include "core/font/glyph_set.h"
#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"

#include <optional>
#include <string_view>

namespace pelmora {

// Each glyph drawn into a cell of the layout's size, its pen at the cell's left edge and its
// baseline the font's ascender down; a dot outside the cell is an error unless clip.
FontText WriteCellTable(const GlyphSet& set, const PanelLayout& cell, const Syntax& syntax,
                        std::string_view symbol, bool clip);

// The cell of one glyph, as it is packed.
MonoPicture CellPicture(const GlyphSet& set, const Glyph& glyph, int width, int height);

// A table read back: cells of the size the text states (else cell), one glyph each, their
// codes from the comments that name them, else counted up from first.
FontRead ReadCellTable(std::string_view text, const Syntax& syntax,
                       const std::optional<PanelLayout>& cell, char32_t first = 0x20);

} // namespace pelmora
