// C and Arduino headers: the bytes as a const uint8_t array with the panel's size defined
// beside it; the Arduino one keeps them in program memory where the platform has it.

#include "core/syntax/syntaxes.h"

#include "core/syntax/text_values.h"

namespace pelmora {

namespace {

std::string WriteHeader(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                        std::string_view symbol, bool progmem) {
    const std::string name(symbol);
    const std::string guard = UpperCase(symbol) + "_H";
    std::string text = "/* " + name + ": " + DescribeLayout(layout) + " */\n";
    text.reserve(text.size() + bytes.size() * 6 + 256); // one allocation for the whole text
    text += "/* " + GeometryText(layout) + " */\n";
    text += "#ifndef " + guard + "\n#define " + guard + "\n\n#include <stdint.h>\n";
    if (progmem) {
        text += ProgramMemoryPreamble();
    }
    text += "\n#define " + name + "_WIDTH " + std::to_string(layout.width) + "\n";
    text += "#define " + name + "_HEIGHT " + std::to_string(layout.height) + "\n\n";
    text += "const uint8_t " + name + "[" + std::to_string(bytes.size()) + "]" +
            (progmem ? " PROGMEM" : "") + " = {\n";
    AppendValueRows(text, bytes);
    text += "};\n\n#endif /* " + guard + " */\n";
    return text;
}

std::string WriteC(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                   std::string_view symbol) {
    return WriteHeader(layout, bytes, symbol, false);
}

std::string WriteArduino(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                         std::string_view symbol) {
    return WriteHeader(layout, bytes, symbol, true);
}

SyntaxText ReadC(std::string_view text) {
    std::string geometryError;
    const std::optional<PanelLayout> layout = FindGeometry(text, geometryError);
    if (!geometryError.empty()) {
        return {{}, {}, geometryError};
    }
    SyntaxText read = ReadBracedValues(text);
    read.layout = layout;
    return read;
}

bool ClaimsC(std::string_view text) {
    return text.find("uint8_t") != std::string_view::npos &&
           text.find("PROGMEM") == std::string_view::npos;
}

bool ClaimsArduino(std::string_view text) {
    return text.find("PROGMEM") != std::string_view::npos;
}

} // namespace

const Syntax kCSyntax{"c",     "C header", "a C header: a const uint8_t array and its size",
                      ".h",    WriteC,     ReadC,
                      ClaimsC, false,      true};
const Syntax kArduinoSyntax{"arduino",
                            "Arduino header",
                            "a C header with the array in program memory (PROGMEM)",
                            ".h",
                            WriteArduino,
                            ReadC,
                            ClaimsArduino,
                            false,
                            true};

} // namespace pelmora
