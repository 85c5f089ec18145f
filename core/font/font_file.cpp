#include "core/font/font_file.h"

#include "core/font/cell_table.h"
#include "core/font/gfx_font.h"
#include "core/font/u8g2_font.h"
#include "core/io/utf8_path.h"

#include <algorithm>

namespace pelmora {

namespace {

// A table needs a syntax that holds any number of cells: an X bitmap holds one picture.
bool HoldsTable(const Syntax& syntax) {
    return !syntax.onlyRowsLsb;
}

} // namespace

std::vector<std::string_view> FontFormatNames() {
    std::vector<std::string_view> names{"gfxfont", "u8g2"};
    for (const Syntax* syntax : Syntaxes()) {
        if (HoldsTable(*syntax)) {
            names.push_back(syntax->name);
        }
    }
    return names;
}

FontKind FontKindNamed(std::string_view name) {
    return name == "gfxfont" ? FontKind::GfxFont
           : name == "u8g2"  ? FontKind::U8g2
                             : FontKind::Table;
}

bool FindFontFormat(std::string_view name, FontFormat& format) {
    format = FontFormat{};
    format.name = std::string(name);
    format.kind = FontKindNamed(name);
    if (format.kind != FontKind::Table) {
        return true;
    }
    format.syntax = FindSyntax(name);
    return format.syntax != nullptr && HoldsTable(*format.syntax);
}

PanelLayout FontCell(const GlyphSet& set, const FontFormat& format) {
    PanelLayout cell = format.cell;
    if (!format.cellGiven) {
        int widest = 1;
        for (const Glyph& glyph : set.glyphs) {
            widest = std::max(widest, glyph.advance);
        }
        cell.width = std::min(widest, kMaxPanelSide);
        cell.height = std::clamp(set.lineHeight, 1, kMaxPanelSide);
    }
    return cell;
}

FontFile WriteFontFile(const GlyphSet& set, const FontFormat& format, std::string_view symbol) {
    FontFile file;
    FontText written;
    file.extension = ".h";
    if (format.syntax == nullptr) {
        written =
            format.kind == FontKind::U8g2 ? WriteU8g2Font(set, symbol) : WriteGfxFont(set, symbol);
    } else {
        const PanelLayout cell = FontCell(set, format);
        if (std::string problem = CheckLayout(cell); !problem.empty()) {
            file.error = std::move(problem);
            return file;
        }
        written = WriteCellTable(set, cell, *format.syntax, symbol, !format.cellGiven);
        file.extension = std::string(format.syntax->extension);
    }
    file.text = std::move(written.text);
    file.error = std::move(written.error);
    return file;
}

std::string FontSymbol(const std::string& fontPath, int pixelSize) {
    std::string base = Utf8FromPath(PathFromUtf8(fontPath).filename());
    for (const std::string_view extension :
         {".gz", ".ttf", ".otf", ".otb", ".ttc", ".bdf", ".pcf", ".pfb", ".woff"}) {
        if (base.size() > extension.size()) {
            std::string tail = base.substr(base.size() - extension.size());
            std::transform(tail.begin(), tail.end(), tail.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
            if (tail == extension) {
                base.resize(base.size() - extension.size());
            }
        }
    }
    std::string symbol;
    for (const char c : base) {
        const bool keep =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        symbol += keep ? c : '_';
    }
    if (symbol.empty() || (symbol[0] >= '0' && symbol[0] <= '9')) {
        symbol.insert(symbol.begin(), '_');
    }
    return symbol + "_" + std::to_string(pixelSize);
}

} // namespace pelmora
