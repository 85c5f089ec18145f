#pragma once

#include "cli/cli_output.h"
#include "core/font/gfx_font.h"
#include "core/panel/mono_picture.h"
#include "core/panel/panel_layout.h"

#include <optional>
#include <string>

namespace pelmora::cli {

struct FontShowOptions {
    std::string file;                     // "-": standard input
    std::string format;                   // "gfxfont", "u8g2", a table's syntax; empty: told
    std::optional<PanelLayout> cell;      // a table's cell where the file states none
    std::string text;                     // UTF-8; empty: every glyph with its code and metrics
    bool blocks = false;                  // half blocks, two rows to a character
    const std::string* content = nullptr; // the file's bytes, when they were read already
};

// Reads a font file that pelmora-cli font writes (or any GFXfont header or u8g2 font) and
// prints its glyphs, or the text drawn as the firmware would. Exit status 0 or 1.
int RunFontShow(const FontShowOptions& options, StandardOutput& out);

// The text drawn in the font file, for a picture; false with the reason printed on
// standard error. A character the font lacks is named there and left out.
bool DrawFontFile(const FontShowOptions& options, MonoPicture& picture);

} // namespace pelmora::cli
