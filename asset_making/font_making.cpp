#include "asset_making/font_making.h"

#include "core/io/source_file.h"

#include <utility>

namespace pelmora {

namespace {

constexpr std::size_t kMostMissingNamed = 20;

} // namespace

RasterOptions RasterFor(const FontInput& font) {
    RasterOptions raster;
    raster.pixelSize = font.pixelSize;
    raster.hinting = font.hinting == FontHinting::Light  ? Hinting::Light
                     : font.hinting == FontHinting::None ? Hinting::None
                                                         : Hinting::Normal;
    raster.codes = font.codes;
    return raster;
}

MadeFont MakeFontBytes(const FontInput& font, std::string_view symbol, const std::string& path) {
    const SourceFile source = ReadSourceFile(path);
    if (!source.ok()) {
        MadeFont made;
        made.problem = {source.error, MakeFault::Input, 0};
        return made;
    }
    return MakeFontFromBytes(font, symbol, source.bytes, path);
}

MadeFont MakeFontFromBytes(const FontInput& font, std::string_view symbol,
                           std::string_view fontBytes, const std::string& path) {
    MadeFont made{RasteriseFont(fontBytes, RasterFor(font)), {}, {}, {}};
    RasterResult& raster = made.raster;
    if (!raster.error.empty()) {
        // Nothing to say beside the refusal: a font with none of the characters misses all.
        raster.missing.clear();
        raster.warning.clear();
        made.problem = {raster.error, MakeFault::Input, 0};
        return made;
    }
    made.symbol = symbol.empty() ? FontSymbol(path, raster.set.pixelSize) : std::string(symbol);
    made.file = WriteFontFile(raster.set, font.format, made.symbol);
    if (!made.file.error.empty()) {
        made.problem = {made.file.error, MakeFault::Written, 0};
    }
    return made;
}

PanelLayout FontLayout(const GlyphSet& glyphs, const FontFormat& format) {
    PanelLayout layout = FontCell(glyphs, format);
    if (format.syntax == nullptr) {
        // A GFXfont's glyphs are rows, leftmost dot in the top bit; u8g2's bits run from the
        // lowest.
        layout.arrangement = Arrangement::Rows;
        layout.bitOrder = format.kind == FontKind::GfxFont ? BitOrder::Msb : BitOrder::Lsb;
    }
    return layout;
}

std::vector<std::string> MissingLines(std::span<const char32_t> missing,
                                      std::string_view fontName) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i == kMostMissingNamed) {
            lines.push_back(std::to_string(missing.size() - i) + " more characters are not in " +
                            std::string(fontName));
            break;
        }
        lines.push_back(CodeName(missing[i]) + " is not in " + std::string(fontName));
    }
    return lines;
}

} // namespace pelmora
