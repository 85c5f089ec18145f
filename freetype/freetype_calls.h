#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_FONT_FORMATS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

namespace pelmora {

// The FreeType calls the font readers make, found in the library only when a font is
// first read: every other job of pelmora-cli starts without loading FreeType and the
// libraries it needs in turn, which cost a small conversion a fifth of its time.
struct FreeTypeCalls {
    decltype(&FT_Init_FreeType) initFreeType;
    decltype(&FT_Done_FreeType) doneFreeType;
    decltype(&FT_New_Memory_Face) newMemoryFace;
    decltype(&FT_Done_Face) doneFace;
    decltype(&FT_Set_Pixel_Sizes) setPixelSizes;
    decltype(&FT_Select_Size) selectSize;
    decltype(&FT_Get_Char_Index) getCharIndex;
    decltype(&FT_Load_Char) loadChar;
    decltype(&FT_Render_Glyph) renderGlyph;
    decltype(&FT_Get_Font_Format) getFontFormat;
    decltype(&FT_Get_Sfnt_Table) getSfntTable;
    decltype(&FT_Load_Sfnt_Table) loadSfntTable;
    decltype(&FT_Get_First_Char) getFirstChar;
    decltype(&FT_Get_Next_Char) getNextChar;
};

// The calls, loaded once; null when the library or one of them cannot be found.
const FreeTypeCalls* FreeType();

} // namespace pelmora
