/* The floor of pelmora-cli font: FreeType's loading and 1-bit rendering of the same glyphs,
 * and nothing else. Usage: font-floor FONT PIXELS FIRST LAST */
#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 5) {
        fputs("usage: font-floor FONT PIXELS FIRST LAST\n", stderr);
        return 2;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, argv[1], 0, &face) != 0 ||
        FT_Set_Pixel_Sizes(face, 0, (FT_UInt)atoi(argv[2])) != 0) {
        fputs("font-floor: the font cannot be read\n", stderr);
        return 1;
    }
    unsigned long dots = 0;
    for (long code = strtol(argv[3], NULL, 0); code <= strtol(argv[4], NULL, 0); ++code) {
        if (FT_Get_Char_Index(face, (FT_ULong)code) != 0 &&
            FT_Load_Char(face, (FT_ULong)code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0) {
            dots += face->glyph->bitmap.rows * face->glyph->bitmap.width;
        }
    }
    printf("%lu\n", dots);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
