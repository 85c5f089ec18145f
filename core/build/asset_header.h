#pragma once

#include "core/panel/panel_layout.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// One asset of a build, made: its symbol, the geometry of its bytes and the bytes. A font
// is its text, with the cell (widest advance x line height) as its size and a frame a glyph.
struct BuiltAsset {
    std::string name;
    PanelLayout layout;
    int frames = 1;
    std::vector<std::uint8_t> bytes; // every frame's, one after another
    std::vector<int> delaysMs;       // an animation's, one a frame; empty for a picture
    std::string fontText;            // a font: its file as pelmora-cli font writes it
};

// Where and how the combined files are written.
struct AssetFileNames {
    std::string header;   // as the source's #include names it, relative to the source
    std::string manifest; // named in the heading comment
    bool separateSource = false;
    bool progmem = false; // the arduino format: the data in program memory
};

struct AssetFiles {
    std::string header;
    std::string source; // empty unless separateSource
};

// Every asset's symbols as convert writes them for one (name, name_WIDTH, name_HEIGHT;
// for an animation name_FRAMES, name[name_FRAMES][bytes] and name_delays_ms too; a font's
// file as it is, its definitions in the source and their declarations in the header), and the index
// pelmora_assets[] of PELMORA_ASSET_COUNT entries. With a separate source the header declares and
// the source defines; otherwise the header defines everything and is meant for one translation
// unit, as convert's headers are.
AssetFiles WriteAssetFiles(std::span<const BuiltAsset> assets, const AssetFileNames& names);

} // namespace pelmora
