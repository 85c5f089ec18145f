#pragma once

#include "core/compress/packed_output.h"
#include "core/panel/panel_layout.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// What an asset of a build is, as its entry of the index says it.
enum class AssetKind { Picture, Frames, Font };

// Why name cannot be the symbol of an asset in a C header that C and C++ compile, or empty:
// it must be an identifier that is no keyword of C23 or C++20 (nor an alternative token),
// not reserved to the compiler (__x, _X, or a name it defines such as linux or AVR), not a
// name <stdint.h> or the platform's program-memory header defines, not main, and not
// beginning with pelmora_ in any case, the header's own names.
std::string SymbolProblem(std::string_view name);

// Every symbol a header defines for an asset of that name, its name first: the array, the
// macros (name_WIDTH, ...), the other arrays (name_delays_ms, name_glyphs, ...) and a font's
// include guard. fontFormat is a font's: gfxfont, u8g2, or the syntax of a table.
std::vector<std::string> AssetSymbols(AssetKind kind, std::string_view name,
                                      std::string_view fontFormat);

// Why a symbol that an asset's name makes (name_WIDTH, NAME_H) cannot be defined: a name
// <stdint.h>, the platform or the header itself defines; empty when it can.
std::string MadeSymbolProblem(std::string_view symbol);

// One asset of a build, made: its symbol, the geometry of its bytes and the bytes. A font
// is its text, with the cell (widest advance x line height, or a table's cell) as its size,
// a frame a glyph.
struct BuiltAsset {
    AssetKind kind = AssetKind::Picture;
    std::string name;
    std::string fontFormat; // a font's: gfxfont, u8g2, c or arduino
    PanelLayout layout;
    int frames = 1;
    std::vector<std::uint8_t> bytes; // every frame's, one after another
    std::vector<int> delaysMs;       // an animation's, one a frame; empty for a picture
    std::string fontText;            // a font: its file as pelmora-cli font writes it
    // A picture's or animation's packing (scheme none: the bytes as they are) and, once
    // PackAsset has run, the packed data: every frame's on its own, one after another.
    Packing packing;
    Scheme packedScheme = Scheme::None; // as used: auto resolved for a picture
    std::vector<std::uint8_t> packed;
    std::vector<std::size_t> offsets; // where each frame's packed data begins
};

// Packs the asset's bytes as its packing asks, frame by frame; why not, or empty.
std::string PackAsset(BuiltAsset& asset);

// Where and how the combined files are written.
struct AssetFileNames {
    std::string header;   // as the source's #include names it, relative to the source
    std::string manifest; // named in the heading comment
    bool separateSource = false;
};

struct AssetFiles {
    std::string header;
    std::string source; // empty unless separateSource
};

// Every asset's symbols as convert writes them for one (name, name_WIDTH, name_HEIGHT;
// for an animation name_FRAMES, name[name_FRAMES][bytes] and name_delays_ms too; a font's
// file as it is, its definitions in the source and their declarations in the header), and the index
// pelmora_assets[] of PELMORA_ASSET_COUNT entries, each with its kind, layout, bit order and
// byte count, then its packing scheme, delta, packed and unpacked size. A packed asset is
// its packed bytes with name_PACKED_SIZE, name_UNPACKED_SIZE (and name_offsets for frames),
// the header including pelmora_unpack.h, which the build writes beside it. Every array is
// declared with its size. With a separate source the header declares and
// the source defines; otherwise the header defines everything and is meant for one translation
// unit, as convert's headers are.
AssetFiles WriteAssetFiles(std::span<const BuiltAsset> assets, const AssetFileNames& names);

} // namespace pelmora
