// Fixed-cell font tables: every glyph a small panel of the same size, packed by the same
// walk as a whole panel, so a page-addressed controller takes a 5 x 8 cell as five column
// bytes.

#include "core/font/cell_table.h"

#include "core/panel/panel_bytes.h"
#include "core/syntax/c_header.h"
#include "core/syntax/db.h"
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

std::string WriteAssembler(const GlyphSet& set, const PanelLayout& cell,
                           const std::vector<std::vector<std::uint8_t>>& cells,
                           std::string_view symbol, bool gas) {
    const std::string name(symbol);
    const std::string open = gas ? "/* " : "; ";
    const std::string close = gas ? " */\n" : "\n";
    std::string text = open + Summary(set, cell, symbol) + close;
    text += open + GeometryText(cell) + close;
    if (gas) {
        text += "        .section .rodata\n        .global " + name + "\n        .global " + name +
                "_end\n";
    }
    text += name + ":\n";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        text += open + NameOfGlyph(set.glyphs[i]) + close;
        const auto& bytes = cells[i];
        for (std::size_t b = 0; b < bytes.size(); ++b) {
            text += b % 16 == 0 ? (gas ? "        .byte " : "        DB ") : ",";
            if (gas) {
                AppendCHex(text, bytes[b]);
            } else {
                AppendIntelHex(text, bytes[b]);
            }
            if (b % 16 == 15 || b + 1 == bytes.size()) {
                text += "\n";
            }
        }
    }
    if (gas) {
        text += name + "_end:\n";
    }
    return text;
}

std::string WriteHeader(const GlyphSet& set, const PanelLayout& cell,
                        const std::vector<std::vector<std::uint8_t>>& cells,
                        std::string_view symbol) {
    const std::string name(symbol);
    const std::string guard = HeaderGuard(symbol);
    std::string text = "/* " + Summary(set, cell, symbol) + " */\n";
    text += "/* " + GeometryText(cell) + " */\n";
    text += OpenCHeader(guard);
    text += "\n#define " + name + "_WIDTH " + std::to_string(cell.width) + "\n";
    text += "#define " + name + "_HEIGHT " + std::to_string(cell.height) + "\n";
    text += "#define " + name + "_CELL_BYTES " + std::to_string(cell.byteCount()) + "\n";
    text += "#define " + name + "_COUNT " + std::to_string(cells.size()) + "\n";
    if (Contiguous(set)) {
        // Only a run without gaps can be indexed by code minus the first.
        text += "#define " + name + "_FIRST " + std::to_string(set.glyphs.front().code) + "\n";
    }
    text += "\nconst uint8_t " + name + "[" + std::to_string(cells.size() * cell.byteCount()) +
            "] PROGMEM = {\n";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        text += "    /* " + NameOfGlyph(set.glyphs[i]) + " */\n";
        AppendValueRows(text, cells[i]);
        if (i + 1 < cells.size() && !cells[i].empty()) {
            // The rows of one cell end without a comma: it goes before the line's end.
            text.back() = ',';
            text += '\n';
        }
    }
    text += "};\n\n" + CloseCHeader(guard);
    return text;
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
    std::vector<std::vector<std::uint8_t>> cells;
    cells.reserve(set.glyphs.size());
    for (const Glyph& glyph : set.glyphs) {
        MonoPicture picture(cell.width, cell.height);
        if (!DrawIntoCell(set, glyph, picture) && !clip) {
            result.error = "glyph " + NameOfGlyph(glyph) + " does not fit the " +
                           std::to_string(cell.width) + " x " + std::to_string(cell.height) +
                           " cell";
            return result;
        }
        cells.push_back(PackPanel(picture, cell));
    }
    const SyntaxKind kind = syntax.kind;
    if (kind == SyntaxKind::IntelAssembler || kind == SyntaxKind::GnuAssembler) {
        result.text = WriteAssembler(set, cell, cells, symbol, kind == SyntaxKind::GnuAssembler);
    } else if (kind == SyntaxKind::CHeader) {
        result.text = WriteHeader(set, cell, cells, symbol);
    } else if (kind == SyntaxKind::DbLines) {
        // DB lines carry no comments: one block of lines a cell, an empty line between.
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i != 0) {
                result.text += kLineEnd;
            }
            result.text += FormatLcdHexText(cell, cells[i]);
        }
    } else {
        std::vector<std::uint8_t> all;
        all.reserve(cells.size() * cell.byteCount());
        for (const auto& bytes : cells) {
            all.insert(all.end(), bytes.begin(), bytes.end());
        }
        result.text = syntax.write(cell, all, symbol);
    }
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
