#include "core/build/asset_header.h"

#include "core/syntax/text_values.h"

namespace pelmora {

namespace {

std::string GuardFor(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    std::string guard = "PELMORA_";
    for (const char c : path.substr(slash == std::string_view::npos ? 0 : slash + 1)) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        guard += letter ? c : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : '_';
    }
    return guard;
}

// The index entry's type, once however many generated headers a program includes.
constexpr std::string_view kIndexType = "#ifndef PELMORA_ASSET_DEFINED\n"
                                        "#define PELMORA_ASSET_DEFINED\n"
                                        "typedef struct pelmora_asset {\n"
                                        "    const char *name;\n"
                                        "    uint16_t width;\n"
                                        "    uint16_t height;\n"
                                        "    uint16_t frames;\n"
                                        "    const uint8_t *data;\n"
                                        "} pelmora_asset;\n"
                                        "#endif\n\n";

constexpr std::string_view kProgmem = "#if defined(__AVR__)\n#include <avr/pgmspace.h>\n"
                                      "#elif !defined(PROGMEM)\n#define PROGMEM\n#endif\n";

std::string ArrayHead(const BuiltAsset& asset, bool progmem) {
    return "const uint8_t " + asset.name + "[" + std::to_string(asset.bytes.size()) + "]" +
           (progmem ? " PROGMEM" : "");
}

void AppendDefinitions(std::string& text, std::span<const BuiltAsset> assets, bool progmem) {
    for (const BuiltAsset& asset : assets) {
        text += ArrayHead(asset, progmem) + " = {\n";
        AppendValueRows(text, asset.bytes);
        text += "};\n\n";
    }
    // The names live where the data does, so that an AVR keeps its RAM.
    for (const BuiltAsset& asset : assets) {
        text += "static const char pelmora_name_" + asset.name + "[]" +
                (progmem ? " PROGMEM" : "") + " = \"" + asset.name + "\";\n";
    }
    text += "\nconst pelmora_asset pelmora_assets[PELMORA_ASSET_COUNT]";
    text += progmem ? " PROGMEM = {\n" : " = {\n";
    for (const BuiltAsset& asset : assets) {
        text += "    {pelmora_name_" + asset.name + ", " + std::to_string(asset.layout.width) +
                ", " + std::to_string(asset.layout.height) + ", " + std::to_string(asset.frames) +
                ", " + asset.name + "},\n";
    }
    text += "};\n";
}

} // namespace

AssetFiles WriteAssetFiles(std::span<const BuiltAsset> assets, const AssetFileNames& names) {
    const std::string heading =
        "/* Made by pelmora-cli build from " + names.manifest + "; edit that, not this. */\n";
    const std::string guard = GuardFor(names.header);
    AssetFiles files;
    std::string& header = files.header;
    std::size_t size = 1024;
    for (const BuiltAsset& asset : assets) {
        size += asset.bytes.size() * 6 + 256;
    }
    header.reserve(size);
    header = heading + "#ifndef " + guard + "\n#define " + guard + "\n\n#include <stdint.h>\n";
    if (names.progmem) {
        header += kProgmem;
    }
    header += "\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n";
    header += kIndexType;
    for (const BuiltAsset& asset : assets) {
        header += "/* " + asset.name + ": " + DescribeLayout(asset.layout) + " */\n";
        header += "/* " + GeometryText(asset.layout) + " */\n";
        header += "#define " + asset.name + "_WIDTH " + std::to_string(asset.layout.width) + "\n";
        header += "#define " + asset.name + "_HEIGHT " + std::to_string(asset.layout.height) + "\n";
        if (names.separateSource) {
            header += "extern " + ArrayHead(asset, names.progmem) + ";\n";
        }
        header += "\n";
    }
    header += "#define PELMORA_ASSET_COUNT " + std::to_string(assets.size()) + "\n";
    if (names.separateSource) {
        header += "extern const pelmora_asset pelmora_assets[PELMORA_ASSET_COUNT]";
        header += names.progmem ? " PROGMEM;\n" : ";\n";
        files.source.reserve(size);
        files.source = heading + "#include \"" + names.header + "\"\n\n";
        AppendDefinitions(files.source, assets, names.progmem);
    } else {
        header += "\n";
        AppendDefinitions(header, assets, names.progmem);
    }
    header += "\n#ifdef __cplusplus\n}\n#endif\n\n#endif /* " + guard + " */\n";
    return files;
}

} // namespace pelmora
