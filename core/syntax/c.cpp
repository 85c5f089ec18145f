// C and Arduino headers: the bytes as a const uint8_t array with the panel's size defined
// beside it, in program memory where the platform has it. Frames: SYMBOL[SYMBOL_FRAMES][BYTES],
// one braced row per frame, and SYMBOL_delays_ms beside it (in RAM, so that delay() takes
// it as it is). A font table: the cells one after another, a comment naming each glyph.

#include "core/syntax/syntaxes.h"

#include "core/syntax/c_header.h"
#include "core/syntax/cell_text.h"
#include "core/syntax/frames_text.h"
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

void WritePlainCFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                       TextOut& out) {
    frames::WriteCFrames(layout, frames, symbol, frames::CFrames::Plain, out);
}

std::string WriteCCells(const CellTable& table, std::string_view symbol) {
    const std::string name(symbol);
    const std::string guard = HeaderGuard(symbol);
    const PanelLayout& cell = table.cell;
    std::string text = "/* " + table.summary + " */\n";
    text += "/* " + GeometryText(cell) + " */\n";
    text += OpenCHeader(guard);
    text += "\n#define " + name + "_WIDTH " + std::to_string(cell.width) + "\n";
    text += "#define " + name + "_HEIGHT " + std::to_string(cell.height) + "\n";
    text += "#define " + name + "_CELL_BYTES " + std::to_string(cell.byteCount()) + "\n";
    text += "#define " + name + "_COUNT " + std::to_string(table.cells.size()) + "\n";
    if (table.first) {
        // Only a run without gaps can be indexed by code minus the first.
        text += "#define " + name + "_FIRST " + std::to_string(*table.first) + "\n";
    }
    text += "\nconst uint8_t " + name + "[" +
            std::to_string(table.cells.size() * cell.byteCount()) + "] PROGMEM = {\n";
    for (std::size_t i = 0; i < table.cells.size(); ++i) {
        text += "    /* " + std::string(CellName(table, i)) + " */\n";
        AppendValueRows(text, table.cells[i]);
        if (i + 1 < table.cells.size() && !table.cells[i].empty()) {
            // The rows of one cell end without a comma: it goes before the line's end.
            text.back() = ',';
            text += '\n';
        }
    }
    text += "};\n\n" + CloseCHeader(guard);
    return text;
}

} // namespace

namespace frames {

void WriteCFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                  CFrames kind, TextOut& out) {
    const std::string name(symbol);
    const std::string guard = HeaderGuard(symbol);
    const std::string count = name + "_FRAMES";
    std::string& text = out.text;
    text += "/* " + name + ": " + DescribeFrames(layout, frames.count()) + " */\n";
    text += "/* " + GeometryText(layout) + " */\n";
    text += "/* " + FramesMark(frames.count()) + " */\n";
    text += OpenCHeader(guard);
    text += "\n#define " + name + "_WIDTH " + std::to_string(layout.width) + "\n";
    text += "#define " + name + "_HEIGHT " + std::to_string(layout.height) + "\n";
    text += "#define " + count + " " + std::to_string(frames.count()) + "\n";
    if (kind == CFrames::XbmInFlash) {
        // drawXBMP(x, y, SYMBOL_width, SYMBOL_height, SYMBOL_bits[i]), as for one bitmap.
        text += "#define " + name + "_width " + name + "_WIDTH\n";
        text += "#define " + name + "_height " + name + "_HEIGHT\n";
        text += "#define " + name + "_bits " + name + "\n";
    }
    text += "\n";
    text += "const uint8_t " + name + "[" + count + "][" + std::to_string(layout.byteCount()) +
            "] PROGMEM = {\n";
    for (std::size_t i = 0; i < frames.count() && out.flush(); ++i) {
        text += "    /* frame " + std::to_string(i) + ": " +
                FrameNote(frames.source(i), frames.delayMs(i)) + " */\n";
        text += "    {\n";
        AppendValueRows(text, frames.bytes(i));
        text += "    },\n";
    }
    text += "};\n\nconst uint16_t " + name + "_delays_ms[" + count + "] = {";
    for (std::size_t i = 0; i < frames.count(); ++i) {
        text += (i % 12 == 0 ? "\n    " : " ") + std::to_string(frames.delayMs(i)) + ",";
    }
    text += "\n};\n\n" + CloseCHeader(guard);
}

ReadFrames ReadCFrames(std::string_view text, const PanelLayout& fallback) {
    ReadFrames read;
    read.layout = FindGeometry(text, read.error);
    std::string markError;
    const std::optional<std::size_t> marked = FindFramesMark(text, markError);
    if (read.error.empty() && !markError.empty()) {
        read.error = markError;
    }
    if (!read.error.empty()) {
        return read;
    }
    const std::string code = WithoutCComments(text);
    // The first declarator of two dimensions opens the frames.
    const std::size_t declarator = code.find("][");
    std::size_t at = declarator == std::string::npos ? declarator : code.find('{', declarator);
    if (at == std::string::npos) {
        read.error = "no array of frames was found";
        return read;
    }
    for (++at; at < code.size(); ++at) {
        const char c = code[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',') {
            continue;
        }
        if (c == '}') {
            break;
        }
        const std::size_t close = code.find('}', at);
        if (c != '{' || close == std::string::npos) {
            read.error = "line " + std::to_string(LineAt(code, at)) + ": a frame opens with {";
            return read;
        }
        SyntaxText values;
        if (!ReadValueList(std::string_view(code).substr(at + 1, close - at - 1), LineAt(code, at),
                           values)) {
            read.error = values.error;
            return read;
        }
        read.frames.push_back({std::move(values.bytes), 0, {}});
        at = close;
    }
    std::vector<int> delays;
    const std::size_t table = code.find("_delays_ms", at);
    const std::size_t open = table == std::string::npos ? table : code.find('{', table);
    const std::size_t close = open == std::string::npos ? open : code.find('}', open);
    if (close == std::string::npos) {
        read.error = "no array of delays was found";
        return read;
    }
    if (!ReadDelayList(std::string_view(code).substr(open + 1, close - open - 1),
                       LineAt(code, open), delays, read.error)) {
        return read;
    }
    FinishFrames(read, marked, delays, fallback);
    return read;
}

} // namespace frames

const Syntax kCSyntax{.name = "c",
                      .label = "C header",
                      .description = "a C header: a const uint8_t array and its size, in program "
                                     "memory where the chip has it (PROGMEM)",
                      .extension = ".h",
                      .write = WriteC,
                      .read = ReadC,
                      .claims = ClaimsC,
                      .writeFrames = WritePlainCFrames,
                      .readFrames = frames::ReadCFrames,
                      .claimsFrames = nullptr,
                      .writeCellTable = WriteCCells,
                      .onlyRowsLsb = false,
                      .rawBytes = false,
                      .forSketch = false,
                      .binary = false,
                      .cArrays = true,
                      .marksPacking = true};
const Syntax kArduinoSyntax{.name = "arduino",
                            .label = "Arduino header",
                            .description = "the same C header, for an Arduino sketch",
                            .extension = ".h",
                            .write = WriteArduino,
                            .read = ReadC,
                            .claims = ClaimsArduino,
                            .writeFrames = WritePlainCFrames,
                            .readFrames = frames::ReadCFrames,
                            .claimsFrames = nullptr,
                            .writeCellTable = WriteCCells,
                            .onlyRowsLsb = false,
                            .rawBytes = false,
                            .forSketch = true,
                            .binary = false,
                            .cArrays = true,
                            .marksPacking = true};

} // namespace pelmora
