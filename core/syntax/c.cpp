// C and Arduino headers: the bytes as a const uint8_t array with the panel's size defined
// beside it, in program memory where the platform has it.

#include "core/syntax/syntaxes.h"

#include "core/syntax/c_header.h"
#include "core/syntax/text_values.h"

#include "core/panel/panel_dots.h"

namespace pelmora {

namespace {

// Both keep the array in program memory where the chip reads data from it (AVR, ESP8266,
// ESP32), as every library that draws from flash expects; the Arduino one says so for a
// sketch, which is also how a text of it is told from a plain C header.
std::string WriteHeader(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                        std::string_view symbol, bool arduino) {
    const std::string name(symbol);
    const std::string guard = HeaderGuard(symbol);
    std::string text = "/* " + name + ": " + DescribeLayout(layout) + " */\n";
    text.reserve(text.size() + bytes.size() * 6 + 512); // one allocation for the whole text
    text += "/* " + GeometryText(layout) + " */\n";
    if (arduino) {
        text += kArduinoNote;
    }
    text += OpenCHeader(guard);
    text += "\n#define " + name + "_WIDTH " + std::to_string(layout.width) + "\n";
    text += "#define " + name + "_HEIGHT " + std::to_string(layout.height) + "\n\n";
    for (const NamedRun& run : NamedRuns(layout, bytes, symbol)) {
        text += "const uint8_t " + run.name + "[" + std::to_string(run.bytes.size()) +
                "] PROGMEM = {\n";
        AppendValueRows(text, run.bytes);
        text += "};\n\n";
    }
    text += CloseCHeader(guard);
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
    SyntaxText read = ReadBracedValues(text, layout ? PlaneRuns(*layout).size() : 1);
    read.layout = layout;
    return read;
}

bool ClaimsC(std::string_view text) {
    return text.find("uint8_t") != std::string_view::npos;
}

// Headers written before both went to program memory, and others' own, told the Arduino
// one by PROGMEM alone; a C header now takes PROGMEM from its preamble.
bool ClaimsArduino(std::string_view text) {
    return text.find("For an Arduino sketch") != std::string_view::npos ||
           (text.find("PROGMEM") != std::string_view::npos &&
            text.find("#ifndef PROGMEM") == std::string_view::npos);
}

} // namespace

const Syntax kCSyntax{"c",
                      "C header",
                      "a C header: a const uint8_t array and its size, in program memory where the "
                      "chip has it (PROGMEM)",
                      ".h",
                      WriteC,
                      ReadC,
                      ClaimsC,
                      false,
                      true,
                      SyntaxKind::CHeader,
                      false,
                      false};
const Syntax kArduinoSyntax{"arduino",
                            "Arduino header",
                            "the same C header, for an Arduino sketch",
                            ".h",
                            WriteArduino,
                            ReadC,
                            ClaimsArduino,
                            false,
                            true,
                            SyntaxKind::CHeader,
                            true,
                            false};

} // namespace pelmora
