#include "font/font_strikes.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace pelmora {

std::vector<int> FontStrikes(std::string_view fontBytes) {
    std::vector<int> strikes;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        return strikes;
    }
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(fontBytes.data()),
                           static_cast<FT_Long>(fontBytes.size()), 0, &face) == 0) {
        if (!FT_IS_SCALABLE(face)) {
            for (int i = 0; i < face->num_fixed_sizes; ++i) {
                strikes.push_back(face->available_sizes[i].height);
            }
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return strikes;
}

} // namespace pelmora
