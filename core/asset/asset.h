#pragma once

#include "core/asset_build/asset_header.h"
#include "core/compress/packed_output.h"
#include "core/conversion/encoder.h"
#include "core/font/font_file.h"
#include "core/prepare/prepare.h"
#include "core/prepare/resample.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// A width and a height in dots, 1 to kMaxPanelSide each: a panel, a sheet's cell, a font's.
struct DotSize {
    int width = 0;
    int height = 0;
};

// "none", "horizontal" or "vertical", as MirrorNamed reads it.
std::string_view NameOfMirror(Mirror mirror);

// What a picture is prepared with: the panel's size, the turn and the core's options.
struct Preparation {
    int width = 128;
    int height = 64;
    int rotate = 0; // clockwise: 0, 90, 180 or 270
    Mirror mirror = Mirror::None;
    PrepareOptions options;
    // The dots the preparation makes: the depth, planes and mask of this layout, of the
    // size above.
    PanelLayout layout{.width = 128, .height = 64, .arrangement = Arrangement::Rows};
};

// How a picture gives frames: a GIF all of its own (with its delays), a sheet cut into
// cells of sheet's size (left to right, then top to bottom), any other still picture one.
struct FrameInput {
    std::optional<DotSize> sheet;
    int stillDelayMs = 100; // the delay of a still picture or a cell
};

// The FreeType hinting a font is drawn with.
enum class FontHinting { Normal, Light, None };

// What a font is drawn and written with.
struct FontInput {
    std::optional<int> pixelSize; // empty: a bitmap font's first strike, 16 for outlines
    FontHinting hinting = FontHinting::Normal;
    std::vector<char32_t> codes; // ascending, each once
    std::string charsFile;       // the file of chars=@FILE, as it was read; an input too
    FontFormat format;
};

// What to make of a picture, its frames or a font, whichever front end asked for it.
struct Asset {
    AssetKind kind = AssetKind::Picture;
    OutputChoice choice; // the panel, the syntax and the symbol
    Packing packing;     // compress and delta
    bool inverse = false;
    std::optional<Preparation> preparation; // empty: a 1-bit BMP taken in as it is
    FrameInput frameInput;
    bool mergeRepeats = false;
    FontInput font;
};

} // namespace pelmora
