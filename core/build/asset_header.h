#pragma once

#include "core/panel/panel_layout.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// One asset of a build, made: its symbol, the geometry of its bytes and the bytes.
struct BuiltAsset {
    std::string name;
    PanelLayout layout;
    int frames = 1;
    std::vector<std::uint8_t> bytes;
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

// Every asset's symbols as convert writes them for one (name, name_WIDTH, name_HEIGHT),
// and the index pelmora_assets[] of PELMORA_ASSET_COUNT entries. With a separate source
// the header declares and the source defines; otherwise the header defines everything and
// is meant for one translation unit, as convert's headers are.
AssetFiles WriteAssetFiles(std::span<const BuiltAsset> assets, const AssetFileNames& names);

} // namespace pelmora
