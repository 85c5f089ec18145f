#include "freetype/freetype_calls.h"

#ifndef PELMORA_STATIC_FREETYPE
#include <dlfcn.h>
#endif

namespace pelmora {

#ifdef PELMORA_STATIC_FREETYPE

// Linked in where no library can be loaded (the page): the calls are FreeType's own.
const FreeTypeCalls* FreeType() {
    static const FreeTypeCalls calls{FT_Init_FreeType,   FT_Done_FreeType,   FT_New_Memory_Face,
                                     FT_Done_Face,       FT_Set_Pixel_Sizes, FT_Select_Size,
                                     FT_Get_Char_Index,  FT_Load_Char,       FT_Render_Glyph,
                                     FT_Get_Font_Format, FT_Get_Sfnt_Table,  FT_Load_Sfnt_Table,
                                     FT_Get_First_Char,  FT_Get_Next_Char};
    return &calls;
}

#else

namespace {

template <typename Call> bool Find(void* library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(dlsym(library, name));
    return call != nullptr;
}

} // namespace

const FreeTypeCalls* FreeType() {
    static const FreeTypeCalls* const calls = []() -> const FreeTypeCalls* {
        void* library = dlopen("libfreetype.so.6", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            return nullptr;
        }
        static FreeTypeCalls found{};
        const bool all = Find(library, "FT_Init_FreeType", found.initFreeType) &&
                         Find(library, "FT_Done_FreeType", found.doneFreeType) &&
                         Find(library, "FT_New_Memory_Face", found.newMemoryFace) &&
                         Find(library, "FT_Done_Face", found.doneFace) &&
                         Find(library, "FT_Set_Pixel_Sizes", found.setPixelSizes) &&
                         Find(library, "FT_Select_Size", found.selectSize) &&
                         Find(library, "FT_Get_Char_Index", found.getCharIndex) &&
                         Find(library, "FT_Load_Char", found.loadChar) &&
                         Find(library, "FT_Render_Glyph", found.renderGlyph) &&
                         Find(library, "FT_Get_Font_Format", found.getFontFormat) &&
                         Find(library, "FT_Get_Sfnt_Table", found.getSfntTable) &&
                         Find(library, "FT_Load_Sfnt_Table", found.loadSfntTable) &&
                         Find(library, "FT_Get_First_Char", found.getFirstChar) &&
                         Find(library, "FT_Get_Next_Char", found.getNextChar);
        return all ? &found : nullptr;
    }();
    return calls;
}

#endif

} // namespace pelmora
