// Fixed-cell font tables: every glyph a small panel of the same size, packed by the same
// walk as a whole panel, so a page-addressed controller takes a 5 x 8 cell as five column
// bytes.

#include "core/font/cell_table.h"

#include "core/panel/panel_bytes.h"
#include "core/syntax/cell_text.h"
#include "core/syntax/text_values.h"

#include <algorithm>

namespace pelmora {

namespace {

std::string NameOfGlyph(const Glyph& glyph) {
    const std::string quoted = QuotedAscii(glyph.code);
    return CodeName(glyph.code) + (quoted.empty() ? "" : " " + quoted);
}

// Draws the glyph into the cell; false when a dot falls outside it.
bool DrawIntoCell(const GlyphSet& set, const Glyph& glyph, MonoPicture& cell) {
    bool fits = true;
    const int top = set.ascender - glyph.top;
    for (int y = 0; y < glyph.dots.height; ++y) {
        for (int x = 0; x < glyph.dots.width; ++x) {
            if (!glyph.dots.at(x, y)) {
                continue;
            }
            const int cx = glyph.left + x;
            const int cy = top + y;
            if (cx < 0 || cy < 0 || cx >= cell.width || cy >= cell.height) {
                fits = false;
            } else {
                cell.set(cx, cy, true);
            }
        }
    }
    return fits;
}

bool Contiguous(const GlyphSet& set) {
    return set.glyphs.back().code - set.glyphs.front().code + 1 == set.glyphs.size();
}

std::string Summary(const GlyphSet& set, const PanelLayout& cell, std::string_view symbol) {
    const std::size_t count = set.glyphs.size();
    return std::string(symbol) + ": " + std::to_string(count) +
           (count == 1 ? " character of " : " characters of ") +
           (set.family.empty() ? "a font" : set.family) + " at " + std::to_string(set.pixelSize) +
           " pixels in code order, a cell of " + DescribeLayout(cell) + " each";
}

} // namespace

MonoPicture CellPicture(const GlyphSet& set, const Glyph& glyph, int width, int height) {
    MonoPicture cell(width, height);
    DrawIntoCell(set, glyph, cell);
    return cell;
}

FontText WriteCellTable(const GlyphSet& set, const PanelLayout& cell, const Syntax& syntax,
                        std::string_view symbol, bool clip) {
    FontText result;
    if (set.glyphs.empty()) {
        result.error = "there is no glyph to write";
        return result;
    }
    if (syntax.writeCellTable == nullptr) {
        result.error = "--format " + std::string(syntax.name) + " holds no font table";
        return result;
    }
    CellTable table{cell, {}, {}, Summary(set, cell, symbol), std::nullopt};
    table.cells.reserve(set.glyphs.size());
    for (const Glyph& glyph : set.glyphs) {
        MonoPicture picture(cell.width, cell.height);
        if (!DrawIntoCell(set, glyph, picture) && !clip) {
            result.error = "glyph " + NameOfGlyph(glyph) + " does not fit the " +
                           std::to_string(cell.width) + " x " + std::to_string(cell.height) +
                           " cell";
            return result;
        }
        table.cells.push_back(PackPanel(picture, cell));
        table.names.push_back(NameOfGlyph(glyph));
    }
    if (Contiguous(set)) {
        table.first = set.glyphs.front().code;
    }
    result.text = syntax.writeCellTable(table, symbol);
    return result;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Every "U+XXXX" in the text, in order.
std::vector<char32_t> NamedCodes(std::string_view text, std::size_t most) {
    std::vector<char32_t> codes;
    for (std::size_t at = text.find("U+"); at != std::string_view::npos && codes.size() <= most;
         at = text.find("U+", at + 2)) {
        char32_t code = 0;
        std::size_t digits = 0;
        while (at + 2 + digits < text.size() && digits < 6 &&
               HexDigit(text[at + 2 + digits]) >= 0) {
            code = code << 4 | static_cast<char32_t>(HexDigit(text[at + 2 + digits]));
            ++digits;
        }
        if (digits >= 4) {
            codes.push_back(code);
        }
    }
    return codes;
}

} // namespace

FontRead ReadCellTable(std::string_view text, const Syntax& syntax,
                       const std::optional<PanelLayout>& givenCell, char32_t first) {
    FontRead read;
    const SyntaxText panel = syntax.read(text);
    if (!panel.error.empty()) {
        read.error = panel.error;
        return read;
    }
    if (!panel.layout && !givenCell) {
        read.error = "the table states no cell size; give it";
        return read;
    }
    const PanelLayout cell = panel.layout ? *panel.layout : *givenCell;
    if (const std::string problem = CheckLayout(cell); !problem.empty()) {
        read.error = problem;
        return read;
    }
    const std::size_t cellBytes = cell.byteCount();
    const std::size_t count = panel.bytes.size() / cellBytes;
    if (count == 0 || panel.bytes.size() % cellBytes != 0) {
        read.error = std::to_string(panel.bytes.size()) + " bytes are no whole number of " +
                     std::to_string(cellBytes) + "-byte cells";
        return read;
    }
    const std::vector<char32_t> named = NamedCodes(text, count);
    read.set.ascender = cell.height;
    read.set.lineHeight = cell.height;
    read.set.pixelSize = cell.height;
    for (std::size_t i = 0; i < count; ++i) {
        Glyph glyph;
        glyph.code = named.size() == count ? named[i] : first + static_cast<char32_t>(i);
        glyph.dots = UnpackPanel(
            cell, std::span<const std::uint8_t>(panel.bytes).subspan(i * cellBytes, cellBytes));
        glyph.top = cell.height;
        glyph.advance = cell.width;
        read.set.glyphs.push_back(std::move(glyph));
    }
    return read;
}

} // namespace pelmora
