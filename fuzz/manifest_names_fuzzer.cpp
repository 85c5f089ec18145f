// The names and paths of a manifest as pelmora-cli build checks them: every name it takes
// makes only identifiers that no other check refuses, and the header written with it holds
// each; every path the dependency file takes comes out with no line break in it.

#include "core/asset_build/asset_header.h"
#include "core/asset_build/depfile.h"
#include "core/asset_build/manifest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool Identifier(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) {
        return false;
    }
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_')) {
            return false;
        }
    }
    return true;
}

void CheckName(const std::string& name, std::string_view kind) {
    if (!pelmora::SymbolProblem(name).empty()) {
        return;
    }
    const pelmora::AssetKind assetKind = kind == "font"     ? pelmora::AssetKind::Font
                                         : kind == "frames" ? pelmora::AssetKind::Frames
                                                            : pelmora::AssetKind::Picture;
    for (const std::string_view format : {"gfxfont", "u8g2", "c"}) {
        const std::vector<std::string> symbols = pelmora::AssetSymbols(assetKind, name, format);
        if (symbols.empty() || symbols.front() != name) {
            std::abort();
        }
        for (const std::string& symbol : symbols) {
            if (!Identifier(symbol)) {
                std::abort();
            }
        }
    }
    pelmora::BuiltAsset asset;
    asset.kind = assetKind;
    asset.name = name;
    asset.layout.width = 8;
    asset.layout.height = 8;
    asset.bytes.assign(8, 0x5A);
    if (assetKind == pelmora::AssetKind::Frames) {
        asset.delaysMs = {100};
    }
    if (assetKind == pelmora::AssetKind::Font) {
        asset.kind = pelmora::AssetKind::Picture; // a font's text is the font writer's
    }
    const pelmora::AssetFiles files =
        pelmora::WriteAssetFiles({&asset, 1}, {"assets.h", "pelmora.toml", true});
    if (files.header.find(name + "_WIDTH") == std::string::npos ||
        files.source.find("pelmora_name_" + name) == std::string::npos) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const pelmora::Manifest manifest = pelmora::ReadManifest(text);
    std::vector<std::string> paths;
    for (const pelmora::ManifestTable& table : manifest.tables) {
        for (const pelmora::ManifestEntry& entry : table.entries) {
            if (entry.key == "name" && entry.value.kind == pelmora::ManifestValue::Kind::Text) {
                CheckName(entry.value.text, table.kind);
            } else if (entry.value.kind == pelmora::ManifestValue::Kind::Text) {
                paths.push_back(entry.value.text);
            }
            for (const std::string& item : entry.value.list) {
                paths.push_back(item);
            }
        }
    }
    const pelmora::Depfile depfile =
        pelmora::WriteDepfile(std::vector<std::string>{"out.h"}, paths);
    if (depfile.error.empty() == depfile.text.empty()) {
        std::abort();
    }
    // One rule: the only line breaks are those the file puts between its inputs.
    std::size_t breaks = 0;
    for (const char c : depfile.text) {
        breaks += c == '\n' ? 1 : 0;
    }
    if (depfile.error.empty() && breaks != paths.size() + 1) {
        std::abort();
    }
    return 0;
}
