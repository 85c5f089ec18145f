#include "core/build/asset_header.h"

#include "core/syntax/text_values.h"

#include <algorithm>

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
                                        "    const uint16_t *delays_ms;\n"
                                        "} pelmora_asset;\n"
                                        "#endif\n\n";

// A font's file cut where the definitions begin and end: what comes before them (types,
// macros, its guard opened) for the header, the definitions for the source, and what comes
// after (its guard closed).
struct FontParts {
    std::string_view before;
    std::string_view definitions;
    std::string_view after;
    std::string declarations; // "extern const ...;" for each definition
    std::string firstSymbol;  // what the index points at: the glyph bitmaps or the table
};

FontParts SplitFont(std::string_view text) {
    FontParts parts;
    const std::size_t first = text.find("\nconst ");
    const std::size_t start = first == std::string_view::npos ? text.size() : first + 1;
    std::size_t end = text.size();
    const std::size_t lastLine = text.rfind('\n', text.size() >= 2 ? text.size() - 2 : 0);
    if (lastLine != std::string_view::npos && lastLine >= start &&
        text.substr(lastLine + 1).starts_with("#endif")) {
        end = lastLine + 1;
    }
    parts.before = text.substr(0, start);
    parts.definitions = text.substr(start, end - start);
    parts.after = text.substr(end);
    std::string_view rest = parts.definitions;
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        const std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        const std::size_t equals = line.find(" = ");
        if (!line.starts_with("const ") || equals == std::string_view::npos) {
            continue;
        }
        parts.declarations += "extern " + std::string(line.substr(0, equals)) + ";\n";
        if (parts.firstSymbol.empty()) {
            // "const uint8_t name_bitmaps[] PROGMEM": the third word, up to its '['.
            const std::size_t type = line.find(' ', 6);
            const std::string_view symbol = line.substr(type + 1, equals - type - 1);
            parts.firstSymbol = std::string(symbol.substr(0, symbol.find_first_of("[ ")));
        }
    }
    return parts;
}

bool Animated(const BuiltAsset& asset) {
    return !asset.delaysMs.empty();
}

std::string ArrayHead(const BuiltAsset& asset, bool progmem) {
    const std::string size =
        Animated(asset)
            ? asset.name + "_FRAMES][" + std::to_string(asset.bytes.size() / asset.delaysMs.size())
            : std::to_string(asset.bytes.size());
    return "const uint8_t " + asset.name + "[" + size + "]" + (progmem ? " PROGMEM" : "");
}

// In RAM even for an AVR, as convert --frames keeps them.
std::string DelaysHead(const BuiltAsset& asset) {
    return "const uint16_t " + asset.name + "_delays_ms[" + asset.name + "_FRAMES]";
}

void AppendDefinitions(std::string& text, std::span<const BuiltAsset> assets, bool progmem,
                       bool separate) {
    for (const BuiltAsset& asset : assets) {
        if (!asset.fontText.empty()) {
            text += separate ? std::string(SplitFont(asset.fontText).definitions) : asset.fontText;
            text += "\n";
            continue;
        }
        text += ArrayHead(asset, progmem) + " = {\n";
        if (!Animated(asset)) {
            AppendValueRows(text, asset.bytes);
            text += "};\n\n";
            continue;
        }
        const std::size_t frameBytes = asset.bytes.size() / asset.delaysMs.size();
        for (std::size_t i = 0; i < asset.delaysMs.size(); ++i) {
            text += "    {\n";
            AppendValueRows(text, std::span(asset.bytes).subspan(i * frameBytes, frameBytes));
            text += "    },\n";
        }
        text += "};\n\n" + DelaysHead(asset) + " = {";
        for (std::size_t i = 0; i < asset.delaysMs.size(); ++i) {
            text += (i % 12 == 0 ? "\n    " : " ") + std::to_string(asset.delaysMs[i]) + ",";
        }
        text += "\n};\n\n";
    }
    // The names live where the data does, so that an AVR keeps its RAM.
    for (const BuiltAsset& asset : assets) {
        text += "static const char pelmora_name_" + asset.name + "[]" +
                (progmem ? " PROGMEM" : "") + " = \"" + asset.name + "\";\n";
    }
    text += "\nconst pelmora_asset pelmora_assets[PELMORA_ASSET_COUNT]";
    text += progmem ? " PROGMEM = {\n" : " = {\n";
    for (const BuiltAsset& asset : assets) {
        const std::string data = !asset.fontText.empty() ? SplitFont(asset.fontText).firstSymbol
                                 : Animated(asset)       ? asset.name + "[0]"
                                                         : asset.name;
        text += "    {pelmora_name_" + asset.name + ", " + std::to_string(asset.layout.width) +
                ", " + std::to_string(asset.layout.height) + ", " + std::to_string(asset.frames) +
                ", " + data + ", " + (Animated(asset) ? asset.name + "_delays_ms" : "0") + "},\n";
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
    // A font's file includes these too: here, outside any extern "C", they come first.
    const bool fonts = std::any_of(assets.begin(), assets.end(),
                                   [](const BuiltAsset& asset) { return !asset.fontText.empty(); });
    if (names.progmem || fonts) {
        header += ProgramMemoryPreamble();
    }
    header += "\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n";
    header += kIndexType;
    for (const BuiltAsset& asset : assets) {
        if (!asset.fontText.empty()) {
            // A font's own file: whole, or its types and declarations with the source.
            if (!names.separateSource) {
                continue; // written with the definitions below
            }
            const FontParts parts = SplitFont(asset.fontText);
            header +=
                std::string(parts.before) + parts.declarations + std::string(parts.after) + "\n";
            continue;
        }
        header += "/* " + asset.name + ": " + DescribeLayout(asset.layout) + " */\n";
        header += "/* " + GeometryText(asset.layout) + " */\n";
        header += "#define " + asset.name + "_WIDTH " + std::to_string(asset.layout.width) + "\n";
        header += "#define " + asset.name + "_HEIGHT " + std::to_string(asset.layout.height) + "\n";
        if (Animated(asset)) {
            header +=
                "#define " + asset.name + "_FRAMES " + std::to_string(asset.delaysMs.size()) + "\n";
        }
        if (names.separateSource) {
            header += "extern " + ArrayHead(asset, names.progmem) + ";\n";
            if (Animated(asset)) {
                header += "extern " + DelaysHead(asset) + ";\n";
            }
        }
        header += "\n";
    }
    header += "#define PELMORA_ASSET_COUNT " + std::to_string(assets.size()) + "\n";
    if (names.separateSource) {
        header += "extern const pelmora_asset pelmora_assets[PELMORA_ASSET_COUNT]";
        header += names.progmem ? " PROGMEM;\n" : ";\n";
        files.source.reserve(size);
        files.source = heading + "#include \"" + names.header + "\"\n\n";
        AppendDefinitions(files.source, assets, names.progmem, true);
    } else {
        header += "\n";
        AppendDefinitions(header, assets, names.progmem, false);
    }
    header += "\n#ifdef __cplusplus\n}\n#endif\n\n#endif /* " + guard + " */\n";
    return files;
}

} // namespace pelmora
