// GNU as sources: .byte lines in .rodata under a global symbol and its _end. Frames: a
// global label per frame and a table of .2byte delays under SYMBOL_delays_ms; a font table:
// the cells under SYMBOL and SYMBOL_end, a comment naming each glyph.

#include "core/syntax/cell_text.h"
#include "core/syntax/frames_text.h"
#include "core/syntax/syntaxes.h"
#include "core/syntax/text_values.h"

namespace pelmora {

namespace {

std::string WriteGas(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                     std::string_view symbol) {
    const std::string name(symbol);
    std::string text = "/* " + name + ": " + DescribeLayout(layout) + " */\n";
    text.reserve(text.size() + bytes.size() * 6 + 256); // one allocation for the whole text
    text += "/* " + GeometryText(layout) + " */\n";
    text += "        .section .rodata\n";
    for (const NamedRun& run : NamedRuns(layout, bytes, symbol)) {
        text += "        .global " + run.name + "\n        .global " + run.name + "_end\n" +
                run.name + ":\n";
        AppendDirectiveRows(text, "        .byte ", run.bytes, AppendCHex);
        text += run.name + "_end:\n";
    }
    return text;
}

// The .byte lines; every other line (directives, labels) carries no data.
SyntaxText ReadGas(std::string_view text) {
    SyntaxText read;
    read.layout = FindGeometry(text, read.error);
    if (!read.error.empty()) {
        return read;
    }
    const std::string code = WithoutCComments(text);
    ForEachLine(code, [&](long number, std::string_view line) {
        line = Trimmed(line.substr(0, line.find('#')));
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            line = Trimmed(line.substr(colon + 1));
        }
        if (StartsWithWord(line, ".BYTE")) {
            return ReadValueList(line.substr(5), number, read);
        }
        return true;
    });
    return read;
}

bool ClaimsGas(std::string_view text) {
    return text.find(".byte") != std::string_view::npos;
}

using namespace frames; // the helpers the frames texts share

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
        AppendDirectiveRows(text, "        .byte ", frames.bytes(i), AppendCHex);
    }
    text += "        .balign 2\n" + name + "_delays_ms:\n";
    AppendDelays(text, "        .2byte ", frames, "\n");
}

ReadFrames ReadGasFrames(std::string_view text, const PanelLayout& fallback) {
    constexpr std::string_view kBytes[] = {".BYTE"};
    constexpr std::string_view kDelays[] = {".2BYTE", ".SHORT", ".HWORD"};
    return ReadLabelledFrames(text, WithoutCComments(text), '#', kBytes, kDelays, fallback);
}

std::string WriteGasCells(const CellTable& table, std::string_view symbol) {
    const std::string name(symbol);
    std::string text = "/* " + table.summary + " */\n";
    text += "/* " + GeometryText(table.cell) + " */\n";
    text += "        .section .rodata\n        .global " + name + "\n        .global " + name +
            "_end\n";
    text += name + ":\n";
    for (std::size_t i = 0; i < table.cells.size(); ++i) {
        text += "/* " + std::string(CellName(table, i)) + " */\n";
        AppendDirectiveRows(text, "        .byte ", table.cells[i], AppendCHex);
    }
    text += name + "_end:\n";
    return text;
}

} // namespace

const Syntax kGasSyntax{.name = "gas",
                        .label = "GNU as",
                        .description = "GNU as .byte lines under a global symbol",
                        .extension = ".s",
                        .write = WriteGas,
                        .read = ReadGas,
                        .claims = ClaimsGas,
                        .writeFrames = WriteGasFrames,
                        .readFrames = ReadGasFrames,
                        .claimsFrames = nullptr,
                        .writeCellTable = WriteGasCells,
                        .onlyRowsLsb = false,
                        .rawBytes = false,
                        .forSketch = false,
                        .binary = false,
                        .cArrays = false,
                        .marksPacking = true};

} // namespace pelmora
