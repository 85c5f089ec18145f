// C and Arduino headers of frames: SYMBOL[SYMBOL_FRAMES][BYTES], one braced row per frame,
// and SYMBOL_delays_ms beside it (in RAM, so that delay() takes it as it is).

#include "core/frames/frames_text.h"
#include "core/syntax/c_header.h"
#include "core/syntax/text_values.h"

namespace pelmora::frames {

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

} // namespace pelmora::frames
