#include "reference.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <sstream>
#include <stdexcept>

namespace pelmora::test {

Dots FreeTypeLine(const std::string& fontPath, int pixels, const std::string& hinting,
                  const std::u32string& text) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
        throw std::runtime_error("FreeType cannot open " + fontPath);
    }
    if (FT_IS_SCALABLE(face)) {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
    } else {
        int strike = 0;
        for (int i = 0; i < face->num_fixed_sizes; ++i) {
            if (face->available_sizes[i].height == pixels) {
                strike = i;
            }
        }
        FT_Select_Size(face, strike);
    }
    Dots dots;
    long pen = 0;
    for (const char32_t code : text) {
        FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_TARGET_MONO;
        if (hinting == "none") {
            flags |= FT_LOAD_NO_HINTING;
        }
        if (hinting == "light") {
            FT_Load_Char(face, code, FT_LOAD_TARGET_LIGHT);
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO);
        } else {
            FT_Load_Char(face, code, flags);
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const unsigned char* bits = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                if ((bits[column / 8] & (0x80 >> (column % 8))) != 0) {
                    dots.insert({static_cast<int>(pen + slot->bitmap_left + column),
                                 static_cast<int>(row) - slot->bitmap_top});
                }
            }
        }
        pen += (slot->advance.x + 32) / 64;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return dots;
}

std::string Drawn(const Dots& dots) {
    if (dots.empty()) {
        return "(nothing)\n";
    }
    int left = dots.begin()->first, right = left, top = dots.begin()->second, bottom = top;
    for (const auto& [x, y] : dots) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    right = std::min(right, left + 160);
    std::string text;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            text += dots.count({x, y}) != 0 ? '#' : '.';
        }
        text += '\n';
    }
    return text;
}

BdfFont ParseBdf(const std::string& text) {
    BdfFont font;
    std::istringstream in(text);
    std::string line;
    BdfGlyph glyph;
    bool inBitmap = false;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (inBitmap) {
            if (keyword == "ENDCHAR") {
                inBitmap = false;
                font.glyphs.push_back(glyph);
                continue;
            }
            const unsigned long value = std::stoul(keyword, nullptr, 16);
            const int bits = static_cast<int>(keyword.size()) * 4;
            std::string row;
            for (int x = 0; x < glyph.width; ++x) {
                row += (value >> (bits - 1 - x) & 1) != 0 ? '#' : '.';
            }
            glyph.rows.push_back(row);
        } else if (keyword == "FONT_ASCENT") {
            words >> font.ascent;
        } else if (keyword == "FONT_DESCENT") {
            words >> font.descent;
        } else if (keyword == "STARTCHAR") {
            glyph = BdfGlyph{};
        } else if (keyword == "ENCODING") {
            words >> glyph.code;
        } else if (keyword == "DWIDTH") {
            words >> glyph.advance;
        } else if (keyword == "BBX") {
            words >> glyph.width >> glyph.height >> glyph.xOffset >> glyph.yOffset;
        } else if (keyword == "BITMAP") {
            inBitmap = true;
        }
    }
    return font;
}

} // namespace pelmora::test
