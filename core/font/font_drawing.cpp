#include "core/font/font_drawing.h"

#include "core/font/font_file.h"

#include "core/font/cell_table.h"
#include "core/font/character_set.h"
#include "core/font/u8g2_font.h"
#include "core/syntax/syntax.h"

#include <algorithm>

namespace pelmora {

namespace {

// Larger than any panel: a text that needs more is refused, not drawn.
constexpr long kMaxTextSide = 16384;

const Glyph* Find(const GlyphSet& set, char32_t code) {
    const auto found =
        std::lower_bound(set.glyphs.begin(), set.glyphs.end(), code,
                         [](const Glyph& glyph, char32_t wanted) { return glyph.code < wanted; });
    return found != set.glyphs.end() && found->code == code ? &*found : nullptr;
}

} // namespace

FontRead ReadFontData(std::string_view text, std::string_view format,
                      const std::optional<PanelLayout>& cell, std::string_view fileName) {
    const FontKind kind = !format.empty()        ? FontKindNamed(format)
                          : ClaimsGfxFont(text)  ? FontKind::GfxFont
                          : ClaimsU8g2Font(text) ? FontKind::U8g2
                                                 : FontKind::Table;
    if (kind == FontKind::GfxFont) {
        return ReadGfxFont(text);
    }
    if (kind == FontKind::U8g2) {
        return ReadU8g2Font(text);
    }
    const Syntax* syntax = format.empty() ? &SyntaxOfText(text, fileName) : FindSyntax(format);
    FontRead read;
    if (syntax == nullptr) {
        read.error = "no font format is called " + std::string(format);
        return read;
    }
    read = ReadCellTable(text, *syntax, cell);
    // Every table font writes names its characters, or states no cell; a picture's panel
    // names none, and is a font only where its cell is given.
    if (read.error.empty() && !cell && text.find("U+") == std::string_view::npos) {
        read = FontRead{};
        read.error = "no font: its cells name no character, as a picture's panel does "
                     "(--cell reads it as a table of cells)";
    }
    return read;
}

DrawnText DrawFontText(const GlyphSet& set, std::string_view utf8) {
    DrawnText drawn;
    std::u32string codes;
    if (std::string why = DecodeUtf8(utf8, codes); !why.empty()) {
        drawn.error = std::move(why);
        return drawn;
    }
    struct Placed {
        const Glyph* glyph;
        long x;
        long y; // the baseline
    };
    std::vector<Placed> placed;
    long pen = 0;
    long baseline = 0;
    long left = 0, right = 1, top = -set.ascender, bottom = 1;
    for (const char32_t code : codes) {
        if (code == '\n') {
            pen = 0;
            baseline += std::max(set.lineHeight, 1);
            bottom = std::max(bottom, baseline + 1);
            continue;
        }
        const Glyph* glyph = Find(set, code);
        if (glyph == nullptr) {
            if (std::find(drawn.missing.begin(), drawn.missing.end(), code) ==
                drawn.missing.end()) {
                drawn.missing.push_back(code);
            }
            continue;
        }
        placed.push_back({glyph, pen, baseline});
        ++drawn.glyphs;
        if (glyph->dots.width > 0 && glyph->dots.height > 0) {
            left = std::min(left, pen + glyph->left);
            right = std::max(right, pen + glyph->left + glyph->dots.width);
            top = std::min(top, baseline - glyph->top);
            bottom = std::max(bottom, baseline - glyph->top + glyph->dots.height);
        }
        pen += glyph->advance;
        right = std::max(right, pen);
        if (pen > kMaxTextSide || right - left > kMaxTextSide || bottom - top > kMaxTextSide) {
            drawn.error =
                "the text would be more than " + std::to_string(kMaxTextSide) + " dots across";
            return drawn;
        }
    }
    drawn.picture = MonoPicture(static_cast<int>(right - left), static_cast<int>(bottom - top));
    drawn.penX = static_cast<int>(-left);
    drawn.baseline = static_cast<int>(-top);
    for (const Placed& p : placed) {
        const Glyph& glyph = *p.glyph;
        for (int y = 0; y < glyph.dots.height; ++y) {
            for (int x = 0; x < glyph.dots.width; ++x) {
                if (glyph.dots.at(x, y)) {
                    drawn.picture.set(static_cast<int>(p.x + glyph.left + x - left),
                                      static_cast<int>(p.y - glyph.top + y - top), true);
                }
            }
        }
    }
    return drawn;
}

std::string ListGlyphs(const GlyphSet& set, char on, char off) {
    std::string text;
    for (const Glyph& glyph : set.glyphs) {
        const std::string quoted = QuotedAscii(glyph.code);
        text += CodeName(glyph.code) + (quoted.empty() ? "" : " " + quoted) + ": " +
                std::to_string(glyph.dots.width) + " x " + std::to_string(glyph.dots.height) +
                " dots, left " + std::to_string(glyph.left) + ", top " + std::to_string(glyph.top) +
                ", advance " + std::to_string(glyph.advance) + "\n";
        for (int y = 0; y < glyph.dots.height; ++y) {
            for (int x = 0; x < glyph.dots.width; ++x) {
                text += glyph.dots.at(x, y) ? on : off;
            }
            text += '\n';
        }
    }
    return text;
}

} // namespace pelmora
