// Assembler texts of frames: GNU as and DB lines under a label per frame (SYMBOL_0, ...),
// and a table of 16-bit delays under SYMBOL_delays_ms; the DB text, which has no labels,
// a comment line before each frame instead.

#include "core/frames/frames_text.h"
#include "core/syntax/db.h"
#include "core/syntax/text_values.h"

namespace pelmora::frames {

namespace {

constexpr std::size_t kValuesPerLine = 16;
constexpr std::size_t kDelaysPerLine = 8;

// Rows of values: prefix, then each value by append, comma-separated.
template <typename Append>
void AppendRows(std::string& text, std::string_view prefix, std::span<const std::uint8_t> bytes,
                Append append) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += i % kValuesPerLine == 0 ? prefix : ",";
        append(text, bytes[i]);
        if (i % kValuesPerLine == kValuesPerLine - 1 || i + 1 == bytes.size()) {
            text += "\n";
        }
    }
}

void AppendDelays(std::string& text, std::string_view prefix, const FrameSource& frames,
                  std::string_view end) {
    for (std::size_t i = 0; i < frames.count(); ++i) {
        text += i % kDelaysPerLine == 0 ? prefix : ",";
        text += std::to_string(frames.delayMs(i));
        if (i % kDelaysPerLine == kDelaysPerLine - 1 || i + 1 == frames.count()) {
            text += end;
        }
    }
}

// The labelled texts read alike: a label starts a frame once values follow it; the delays
// label starts the delays. line(number, text) gives what is left of a line after its
// comment and label, and whether it is a line of bytes, of delays or neither.
enum class LineKind { Other, Bytes, Delays, Unknown };

struct Labelled {
    ReadFrames read;
    std::vector<int> delays;
    bool newFrame = true;
    bool inDelays = false;

    void label(std::string_view name) {
        inDelays = name.ends_with("_delays_ms");
        newFrame = true;
    }
    bool bytes(std::string_view values, long number) {
        if (inDelays) {
            read.error = "line " + std::to_string(number) + ": bytes among the delays";
            return false;
        }
        if (newFrame || read.frames.empty()) {
            read.frames.emplace_back();
            newFrame = false;
        }
        SyntaxText into;
        if (!ReadValueList(values, number, into)) {
            read.error = into.error;
            return false;
        }
        auto& frame = read.frames.back().bytes;
        frame.insert(frame.end(), into.bytes.begin(), into.bytes.end());
        return true;
    }
    bool delayValues(std::string_view values, long number) {
        return ReadDelayList(values, number, delays, read.error);
    }
};

// The geometry and the frames mark that open every frames text, into read; the frame
// count the mark states, if it could be read.
std::optional<std::size_t> ReadHeader(std::string_view text, ReadFrames& read) {
    read.layout = FindGeometry(text, read.error);
    std::string markError;
    const std::optional<std::size_t> marked = FindFramesMark(text, markError);
    if (read.error.empty() && !markError.empty()) {
        read.error = markError;
    }
    return marked;
}

ReadFrames ReadLabelled(std::string_view text, std::string_view code, char comment,
                        std::span<const std::string_view> byteWords,
                        std::span<const std::string_view> delayWords, const PanelLayout& fallback) {
    Labelled labelled;
    const std::optional<std::size_t> marked = ReadHeader(text, labelled.read);
    if (!labelled.read.error.empty()) {
        return labelled.read;
    }
    ForEachLine(code, [&](long number, std::string_view line) {
        line = Trimmed(line.substr(0, line.find(comment)));
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            labelled.label(Trimmed(line.substr(0, colon)));
            line = Trimmed(line.substr(colon + 1));
        }
        if (line.empty() || line.starts_with(".section") || line.starts_with(".global") ||
            line.starts_with(".balign")) {
            return true;
        }
        for (std::string_view word : byteWords) {
            if (StartsWithWord(line, word)) {
                return labelled.bytes(line.substr(word.size()), number);
            }
        }
        for (std::string_view word : delayWords) {
            if (StartsWithWord(line, word)) {
                return labelled.delayValues(line.substr(word.size()), number);
            }
        }
        labelled.read.error =
            "line " + std::to_string(number) + ": only labels, comments, bytes and delays are read";
        return false;
    });
    FinishFrames(labelled.read, marked, labelled.delays, fallback);
    return labelled.read;
}

} // namespace

void WriteGasFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                    TextOut& out) {
    const std::string name(symbol);
    std::string& text = out.text;
    text += "/* " + name + ": " + DescribeFrames(layout, frames.count()) + " */\n";
    text += "/* " + GeometryText(layout) + " */\n";
    text += "/* " + FramesMark(frames.count()) + " */\n";
    text += "        .section .rodata\n        .global " + name + "\n";
    for (std::size_t i = 0; i < frames.count() && out.flush(); ++i) {
        text += "        .global " + name + "_" + std::to_string(i) + "\n";
    }
    text += "        .global " + name + "_delays_ms\n" + name + ":\n";
    for (std::size_t i = 0; i < frames.count() && out.flush(); ++i) {
        text += "/* frame " + std::to_string(i) + ": " +
                FrameNote(frames.source(i), frames.delayMs(i)) + " */\n";
        text += name + "_" + std::to_string(i) + ":\n";
        AppendRows(text, "        .byte ", frames.bytes(i), AppendCHex);
    }
    text += "        .balign 2\n" + name + "_delays_ms:\n";
    AppendDelays(text, "        .2byte ", frames, "\n");
}

ReadFrames ReadGasFrames(std::string_view text, const PanelLayout& fallback) {
    constexpr std::string_view kBytes[] = {".BYTE"};
    constexpr std::string_view kDelays[] = {".2BYTE", ".SHORT", ".HWORD"};
    return ReadLabelled(text, WithoutCComments(text), '#', kBytes, kDelays, fallback);
}

void WriteAsmFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                    TextOut& out) {
    const std::string name(symbol);
    std::string& text = out.text;
    text += "; " + name + ": " + DescribeFrames(layout, frames.count()) + "\n";
    text += "; " + GeometryText(layout) + "\n";
    text += "; " + FramesMark(frames.count()) + "\n";
    text += name + ":\n";
    for (std::size_t i = 0; i < frames.count() && out.flush(); ++i) {
        text += "; frame " + std::to_string(i) + ": " +
                FrameNote(frames.source(i), frames.delayMs(i)) + "\n";
        text += name + "_" + std::to_string(i) + ":\n";
        AppendRows(text, "        DB ", frames.bytes(i), AppendIntelHex);
    }
    text += name + "_delays_ms:\n";
    AppendDelays(text, "        DW ", frames, "\n");
}

ReadFrames ReadAsmFrames(std::string_view text, const PanelLayout& fallback) {
    constexpr std::string_view kBytes[] = {"DB", "DEFB", ".DB", ".BYTE"};
    constexpr std::string_view kDelays[] = {"DW", "DEFW", ".DW", ".WORD"};
    return ReadLabelled(text, text, ';', kBytes, kDelays, fallback);
}

// The DB text keeps its own lines (CR LF, "H;" at the end); the frames' labels and the
// delays' come as comments, and the delays as DW lines.
void WriteDbFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                   TextOut& out) {
    const std::string name(symbol);
    const std::string end(kLineEnd);
    std::string& text = out.text;
    text += "; " + name + ": " + DescribeFrames(layout, frames.count()) + end;
    text += "; " + GeometryText(layout) + end;
    text += "; " + FramesMark(frames.count()) + end;
    for (std::size_t i = 0; i < frames.count() && out.flush(); ++i) {
        text += "; " + name + "_" + std::to_string(i) + ": frame " + std::to_string(i) + ", " +
                FrameNote(frames.source(i), frames.delayMs(i)) + end;
        text += FormatLcdHexText(layout, frames.bytes(i));
    }
    text += "; " + name + "_delays_ms" + end;
    AppendDelays(text, "        DW ", frames, ";" + end);
}

ReadFrames ReadDbFrames(std::string_view text, const PanelLayout& fallback) {
    Labelled labelled;
    const std::optional<std::size_t> marked = ReadHeader(text, labelled.read);
    if (!labelled.read.error.empty()) {
        return labelled.read;
    }
    DecodedLine decoded;
    ForEachLine(text, [&](long number, std::string_view line) {
        if (line.starts_with(";")) {
            const std::string_view comment = Trimmed(line.substr(1));
            if (comment.ends_with("_delays_ms")) {
                labelled.label(comment);
            } else if (comment.find(": frame ") != std::string_view::npos) {
                labelled.label(comment.substr(0, comment.find(':')));
            }
            return true;
        }
        const std::string_view trimmed = Trimmed(line);
        if (trimmed.empty()) {
            return true;
        }
        if (StartsWithWord(trimmed, "DW")) {
            std::string_view values = trimmed.substr(2);
            if (values.ends_with(';')) {
                values.remove_suffix(1);
            }
            return labelled.delayValues(values, number);
        }
        if (labelled.inDelays) {
            labelled.read.error = "line " + std::to_string(number) + ": bytes among the delays";
            return false;
        }
        DecodeLine(line, decoded);
        if (!decoded.ok()) {
            labelled.read.error = "line " + std::to_string(number) + ": " + decoded.error;
            return false;
        }
        if (labelled.newFrame || labelled.read.frames.empty()) {
            labelled.read.frames.emplace_back();
            labelled.newFrame = false;
        }
        auto& frame = labelled.read.frames.back().bytes;
        frame.insert(frame.end(), decoded.bytes.begin(), decoded.bytes.end());
        return true;
    });
    FinishFrames(labelled.read, marked, labelled.delays, fallback);
    return labelled.read;
}

} // namespace pelmora::frames
