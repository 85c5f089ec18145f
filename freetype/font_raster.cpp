#include "freetype/font_raster.h"

#include "freetype/bdf_rows.h"
#include "freetype/freetype_calls.h"
#include "freetype/outline_tables.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace pelmora {

namespace {

constexpr int kDefaultOutlineSize = 16;

struct LibraryDone {
    void operator()(FT_Library library) const { FreeType()->doneFreeType(library); }
};
struct FaceDone {
    void operator()(FT_Face face) const { FreeType()->doneFace(face); }
};
using Library = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDone>;
using Face = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDone>;

int CeilPixels(FT_Pos value) {
    return static_cast<int>((value + 63) >> 6);
}

int RoundPixels(FT_Pos value) {
    return static_cast<int>((value + 32) >> 6);
}

std::string Sizes(FT_Face face) {
    std::string text;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        text += (i == 0                           ? ""
                 : i + 1 == face->num_fixed_sizes ? " and "
                                                  : ", ") +
                std::to_string(face->available_sizes[i].height);
    }
    return text;
}

// The strike of that pixel height, by its height or else its ppem.
int FindStrike(FT_Face face, int pixels) {
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        if (face->available_sizes[i].height == pixels) {
            return i;
        }
    }
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        if (RoundPixels(face->available_sizes[i].y_ppem) == pixels) {
            return i;
        }
    }
    return -1;
}

std::string ChooseSize(FT_Face face, const RasterOptions& options, int& pixelSize) {
    if (FT_IS_SCALABLE(face)) {
        pixelSize = options.pixelSize.value_or(kDefaultOutlineSize);
        if (FreeType()->setPixelSizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
            return "FreeType cannot scale the font to " + std::to_string(pixelSize) + " pixels";
        }
        return {};
    }
    if (face->num_fixed_sizes <= 0) {
        return "the bitmap font has no strike";
    }
    int strike = 0;
    if (options.pixelSize) {
        strike = FindStrike(face, *options.pixelSize);
        if (strike < 0) {
            return "the font has no " + std::to_string(*options.pixelSize) +
                   "-pixel strike, only " + Sizes(face);
        }
    }
    if (FreeType()->selectSize(face, strike) != 0) {
        return "FreeType cannot select the font's strike";
    }
    pixelSize = face->available_sizes[strike].height;
    return {};
}

FT_Int32 LoadFlags(Hinting hinting) {
    switch (hinting) {
    case Hinting::Light:
        // The light hinter, then the mono rasteriser: a light target would render grey.
        return FT_LOAD_TARGET_LIGHT;
    case Hinting::None:
        return FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_NO_HINTING;
    case Hinting::Normal:
        break;
    }
    return FT_LOAD_RENDER | FT_LOAD_TARGET_MONO;
}

std::string GlyphName(char32_t code) {
    const std::string quoted = QuotedAscii(code);
    return "glyph " + CodeName(code) + (quoted.empty() ? "" : " " + quoted);
}

// A character drawn with no dot in any sound font: a space, a control, an invisible mark.
bool BlankByNature(char32_t code) {
    return code <= 0x20 || (code >= 0x7F && code <= 0xA0) || code == 0xAD || code == 0x1680 ||
           (code >= 0x2000 && code <= 0x200F) || (code >= 0x2028 && code <= 0x202F) ||
           (code >= 0x205F && code <= 0x206F) || code == 0x3000 || code == 0xFEFF;
}

// A glyph by its index, named by a character that maps to it.
std::string GlyphIndexName(FT_Face face, long index) {
    const FreeTypeCalls* ft = FreeType();
    FT_UInt found = 0;
    for (FT_ULong code = ft->getFirstChar(face, &found); found != 0;
         code = ft->getNextChar(face, code, &found)) {
        if (static_cast<long>(found) == index) {
            return GlyphName(static_cast<char32_t>(code));
        }
    }
    return "glyph " + std::to_string(index) + " (no character maps to it)";
}

// Outlines FreeType would draw empty or from the wrong bytes without a word: the glyf
// table missing or past the end of the file, loca entries past their table, backwards or
// past the glyf table. Every entry is held to that, not only the glyphs asked for: a
// composite glyph draws others too.
std::string CheckGlyfOutlines(FT_Face face, std::string_view fontBytes,
                              const std::vector<char32_t>& codes) {
    const FreeTypeCalls* ft = FreeType();
    FT_ULong locaLength = 0;
    const auto* head = static_cast<const TT_Header*>(ft->getSfntTable(face, FT_SFNT_HEAD));
    if (head == nullptr || ft->loadSfntTable(face, TTAG_loca, 0, nullptr, &locaLength) != 0) {
        return {}; // no TrueType outlines: CFF, or bitmaps only
    }
    std::string loca(locaLength, '\0');
    if (ft->loadSfntTable(face, TTAG_loca, 0, reinterpret_cast<FT_Byte*>(loca.data()),
                          &locaLength) != 0) {
        return "the loca table cannot be read";
    }
    const bool longOffsets = head->Index_To_Loc_Format != 0;
    FT_ULong glyfLength = 0;
    if (ft->loadSfntTable(face, TTAG_glyf, 0, nullptr, &glyfLength) != 0) {
        // Named by the first glyph asked for that has an outline, else the first one there.
        std::string named;
        for (const char32_t code : codes) {
            const FT_UInt index = ft->getCharIndex(face, code);
            std::uint64_t from = 0;
            std::uint64_t to = 0;
            if (index != 0 && named.empty()) {
                named = GlyphName(code);
            }
            if (index != 0 && LocaRange(loca, longOffsets, index, from, to) && to > from) {
                named = GlyphName(code);
                break;
            }
        }
        if (named.empty()) {
            return {}; // none of the characters asked for, said as such
        }
        return named + ": its outline would be in the glyf table, which " +
               (FindSfntTable(fontBytes, "glyf") == SfntTablePlace::PastTheEnd
                    ? "lies past the end of the file"
                    : "the font lacks");
    }
    if (const LocaFault fault = CheckLoca(loca, longOffsets, face->num_glyphs, glyfLength);
        fault.glyph >= 0) {
        return GlyphIndexName(face, fault.glyph) + ": " + fault.reason;
    }
    return {};
}

// A BDF glyph whose rows do not fill its box, which FreeType pads or cuts.
std::string CheckBdf(std::string_view fontBytes) {
    const BdfFault fault = CheckBdfRows(fontBytes);
    if (!fault.found) {
        return {};
    }
    return (fault.code >= 0 && fault.code <= 0x10FFFF ? GlyphName(static_cast<char32_t>(fault.code))
                                                      : "the glyph named " + fault.name) +
           ": " + fault.reason;
}

// Whether the cmap table FreeType found has a subtable that maps characters; true where
// there is none to read, which is said otherwise.
bool CmapMaps(FT_Face face) {
    const FreeTypeCalls* ft = FreeType();
    FT_ULong length = 0;
    if (ft->loadSfntTable(face, TTAG_cmap, 0, nullptr, &length) != 0) {
        return true;
    }
    std::string cmap(length, '\0');
    return ft->loadSfntTable(face, TTAG_cmap, 0, reinterpret_cast<FT_Byte*>(cmap.data()),
                             &length) != 0 ||
           CmapHasSubtable(cmap);
}

std::string CutTableReason(const SfntCut& cut) {
    return (cut.tag.empty() ? "the font's table directory" : "the font's '" + cut.tag + "' table") +
           " runs past the end of the file (it is cut short)";
}

} // namespace

RasterResult RasteriseFont(std::string_view fontBytes, const RasterOptions& options) {
    RasterResult result;
    const FreeTypeCalls* ft = FreeType();
    FT_Library rawLibrary = nullptr;
    if (ft == nullptr) {
        result.error = "FreeType (libfreetype.so.6) could not be loaded";
        return result;
    }
    if (ft->initFreeType(&rawLibrary) != 0) {
        result.error = "FreeType could not start";
        return result;
    }
    const Library library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (ft->newMemoryFace(library.get(), reinterpret_cast<const FT_Byte*>(fontBytes.data()),
                          static_cast<FT_Long>(fontBytes.size()), 0, &rawFace) != 0) {
        result.error = FindCutSfntTable(fontBytes).found
                           ? CutTableReason(FindCutSfntTable(fontBytes))
                           : "not a font that FreeType reads (TrueType, OpenType, BDF, PCF or OTB)";
        return result;
    }
    const Face face(rawFace);
    const char* formatName = ft->getFontFormat(face.get());
    const std::string_view format = formatName != nullptr ? formatName : "";
    std::string damage;
    if (format == "TrueType" && FT_IS_SCALABLE(face.get())) {
        damage = CheckGlyfOutlines(face.get(), fontBytes, options.codes);
    } else if (format == "BDF") {
        damage = CheckBdf(fontBytes);
    }
    // A table FreeType dropped is a font missing part of itself, refused by that table.
    if (const SfntCut cut = FindCutSfntTable(fontBytes); damage.empty() && cut.found) {
        damage = CutTableReason(cut);
    }
    // Without one FreeType makes a character map from the glyphs' names, which may map
    // some characters and not others.
    if (damage.empty() && IsSfnt(fontBytes) &&
        FindSfntTable(fontBytes, "cmap") == SfntTablePlace::NotListed) {
        damage = "the font has no character map (its cmap table)";
    }
    if (damage.empty() && IsSfnt(fontBytes) && !CmapMaps(face.get())) {
        damage = "the font's character map (its cmap table) has no subtable that maps "
                 "characters";
    }
    if (!damage.empty()) {
        result.error = std::move(damage);
        return result;
    }
    int pixelSize = 0;
    if (std::string problem = ChooseSize(face.get(), options, pixelSize); !problem.empty()) {
        result.error = std::move(problem);
        return result;
    }
    GlyphSet& set = result.set;
    set.family = face->family_name != nullptr ? face->family_name : "";
    if (face->style_name != nullptr && std::string_view(face->style_name) != "Regular") {
        set.family += std::string(set.family.empty() ? "" : " ") + face->style_name;
    }
    set.pixelSize = pixelSize;
    const FT_Size_Metrics& metrics = face->size->metrics;
    set.ascender = CeilPixels(metrics.ascender);
    set.descender = CeilPixels(-metrics.descender);
    set.lineHeight = RoundPixels(metrics.height);

    const FT_Int32 flags = LoadFlags(options.hinting);
    std::size_t dots = 0;
    for (const char32_t code : options.codes) {
        if (ft->getCharIndex(face.get(), code) == 0) {
            result.missing.push_back(code);
            continue;
        }
        if (ft->loadChar(face.get(), code, flags) != 0 ||
            (options.hinting == Hinting::Light &&
             ft->renderGlyph(face->glyph, FT_RENDER_MODE_MONO) != 0)) {
            result.error = "FreeType cannot draw " + GlyphName(code);
            return result;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.width > 0 && bitmap.rows > 0 && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
            result.error = GlyphName(code) + " is not a 1-bit bitmap in this font";
            return result;
        }
        // A bitmap font may state a glyph's size and hold no rows for it.
        const unsigned rowBytes = (bitmap.width + 7) / 8;
        if (bitmap.width > 0 && bitmap.rows > 0 &&
            (bitmap.buffer == nullptr ||
             static_cast<unsigned>(std::abs(bitmap.pitch)) < rowBytes)) {
            result.error = "FreeType cannot draw " + GlyphName(code);
            return result;
        }
        if (bitmap.width > static_cast<unsigned>(kMaxGlyphSide) ||
            bitmap.rows > static_cast<unsigned>(kMaxGlyphSide)) {
            result.error = GlyphName(code) + " is " + std::to_string(bitmap.width) + " x " +
                           std::to_string(bitmap.rows) + " pixels, more than " +
                           std::to_string(kMaxGlyphSide) + " on a side";
            return result;
        }
        dots += static_cast<std::size_t>(bitmap.width) * bitmap.rows;
        if (dots > kMaxFontDots) {
            result.error = "the glyphs would hold more than " + std::to_string(kMaxFontDots) +
                           " dots; ask for fewer characters or a smaller size";
            return result;
        }
        Glyph glyph;
        glyph.code = code;
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.advance = RoundPixels(slot->advance.x);
        glyph.dots = MonoPicture(static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows));
        const int pitch = bitmap.pitch;
        for (int y = 0; y < glyph.dots.height; ++y) {
            // A negative pitch runs from the bottom row up.
            const unsigned char* row =
                pitch >= 0 ? bitmap.buffer + static_cast<std::ptrdiff_t>(y) * pitch
                           : bitmap.buffer +
                                 static_cast<std::ptrdiff_t>(glyph.dots.height - 1 - y) * -pitch;
            for (int x = 0; x < glyph.dots.width; ++x) {
                glyph.dots.set(x, y, (row[x >> 3] & (0x80 >> (x & 7))) != 0);
            }
        }
        set.glyphs.push_back(std::move(glyph));
    }
    if (set.glyphs.empty()) {
        result.error = "the font has none of the characters asked for";
        return result;
    }
    // Damage is refused above; a font blank by design is drawn, but said to be, unless
    // only spaces were asked for.
    const bool blank = std::all_of(set.glyphs.begin(), set.glyphs.end(), [](const Glyph& g) {
        return std::find(g.dots.dots.begin(), g.dots.dots.end(), 1) == g.dots.dots.end();
    });
    const bool inkAsked = std::any_of(set.glyphs.begin(), set.glyphs.end(),
                                      [](const Glyph& g) { return !BlankByNature(g.code); });
    if (blank && inkAsked) {
        result.warning = "every glyph drawn is blank: the font holds no dot for them";
    }
    return result;
}

} // namespace pelmora
