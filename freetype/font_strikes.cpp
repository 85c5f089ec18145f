#include "freetype/font_strikes.h"

#include "freetype/freetype_calls.h"

namespace pelmora {

std::vector<int> FontStrikes(std::string_view fontBytes) {
    std::vector<int> strikes;
    const FreeTypeCalls* ft = FreeType();
    FT_Library library = nullptr;
    if (ft == nullptr || ft->initFreeType(&library) != 0) {
        return strikes;
    }
    FT_Face face = nullptr;
    if (ft->newMemoryFace(library, reinterpret_cast<const FT_Byte*>(fontBytes.data()),
                          static_cast<FT_Long>(fontBytes.size()), 0, &face) == 0) {
        if (!FT_IS_SCALABLE(face)) {
            for (int i = 0; i < face->num_fixed_sizes; ++i) {
                strikes.push_back(face->available_sizes[i].height);
            }
        }
        ft->doneFace(face);
    }
    ft->doneFreeType(library);
    return strikes;
}

} // namespace pelmora
