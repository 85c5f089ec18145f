// X bitmaps: rows from the top, leftmost dot in bit 0, 1 for a dark dot; the size in two
// defines, which is all the geometry an X bitmap has.

#include "core/syntax_c.h"
#include "core/syntax_text.h"

#include <charconv>

namespace pelmora {

namespace {

std::string WriteXbm(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                     std::string_view symbol) {
    const std::string name(symbol);
    std::string text = "#define " + name + "_width " + std::to_string(layout.width) + "\n";
    text += "#define " + name + "_height " + std::to_string(layout.height) + "\n";
    text += "static unsigned char " + name + "_bits[] = {\n";
    AppendValueRows(text, bytes);
    text += "};\n";
    return text;
}

// The number of "#define NAME_suffix N".
std::optional<int> DefinedSize(std::string_view text, std::string_view suffix) {
    for (std::size_t at = text.find("#define"); at != std::string_view::npos;
         at = text.find("#define", at + 1)) {
        std::string_view line = text.substr(at, text.find('\n', at) - at);
        const std::size_t name = line.find(suffix);
        if (name == std::string_view::npos) {
            continue;
        }
        std::string_view number = line.substr(name + suffix.size());
        while (!number.empty() && (number.front() == ' ' || number.front() == '\t')) {
            number.remove_prefix(1);
        }
        int value = 0;
        const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
        if (result.ec == std::errc()) {
            return value;
        }
    }
    return std::nullopt;
}

SyntaxText ReadXbm(std::string_view text) {
    SyntaxText read = ReadBracedValues(text);
    const auto width = DefinedSize(text, "_width");
    const auto height = DefinedSize(text, "_height");
    if (width && height) {
        PanelLayout layout{*width, *height, Arrangement::Rows, kBlockWidth, BitOrder::Lsb};
        if (CheckLayout(layout).empty()) {
            read.layout = layout;
        } else if (read.error.empty()) {
            read.error = "line 1: " + CheckLayout(layout);
        }
    }
    return read;
}

bool ClaimsXbm(std::string_view text) {
    return text.find("_bits[]") != std::string_view::npos &&
           text.find("_width") != std::string_view::npos;
}

} // namespace

const Syntax kXbmSyntax{"xbm", ".xbm", WriteXbm, ReadXbm, ClaimsXbm};

} // namespace pelmora
