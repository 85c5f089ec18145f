// Assembler sources: Intel-style DB lines whose numbers start with a digit ("0C0H"), as Z80
// and 8051 assemblers take them. Frames: a label per frame (SYMBOL_0, ...) and a table of
// 16-bit DW delays under SYMBOL_delays_ms; a font table: a comment naming each glyph.

#include "core/syntax/cell_text.h"
#include "core/syntax/frames_text.h"
#include "core/syntax/syntaxes.h"
#include "core/syntax/text_values.h"

namespace pelmora {

namespace {

std::string WriteAsm(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                     std::string_view symbol) {
    const std::string name(symbol);
    std::string text = "; " + name + ": " + DescribeLayout(layout) + "\n";
    text.reserve(text.size() + bytes.size() * 6 + 256); // one allocation for the whole text
    text += "; " + GeometryText(layout) + "\n";
    for (const NamedRun& run : NamedRuns(layout, bytes, symbol)) {
        text += run.name + ":\n";
        AppendDirectiveRows(text, "        DB ", run.bytes, AppendIntelHex);
    }
    return text;
}

// Each line: an optional label, then DB (DEFB, .DB) and its values; comments after ";".
SyntaxText ReadAsm(std::string_view text) {
    SyntaxText read;
    read.layout = FindGeometry(text, read.error);
    if (!read.error.empty()) {
        return read;
    }
    ForEachLine(text, [&](long number, std::string_view line) {
        line = Trimmed(line.substr(0, line.find(';')));
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            line = Trimmed(line.substr(colon + 1));
        }
        if (line.empty()) {
            return true;
        }
        for (std::string_view directive : {"DB", "DEFB", ".DB", ".BYTE"}) {
            if (StartsWithWord(line, directive)) {
                return ReadValueList(line.substr(directive.size()), number, read);
            }
        }
        read.error = "line " + std::to_string(number) +
                     ": only labels, comments and DB lines "
                     "are read";
        return false;
    });
    return read;
}

// Every DB text of Pelmora's own opens with its comment header.
bool ClaimsAsm(std::string_view text) {
    return text.starts_with(";");
}

using namespace frames; // the helpers the frames texts share

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
        AppendDirectiveRows(text, "        DB ", frames.bytes(i), AppendIntelHex);
    }
    text += name + "_delays_ms:\n";
    AppendDelays(text, "        DW ", frames, "\n");
}

ReadFrames ReadAsmFrames(std::string_view text, const PanelLayout& fallback) {
    constexpr std::string_view kBytes[] = {"DB", "DEFB", ".DB", ".BYTE"};
    constexpr std::string_view kDelays[] = {"DW", "DEFW", ".DW", ".WORD"};
    return ReadLabelledFrames(text, text, ';', kBytes, kDelays, fallback);
}

// The DB text of frames opens with the same comments but has no delays label.
bool ClaimsAsmFrames(std::string_view text) {
    return text.find("_delays_ms:") != std::string_view::npos;
}

std::string WriteAsmCells(const CellTable& table, std::string_view symbol) {
    std::string text = "; " + table.summary + "\n";
    text += "; " + GeometryText(table.cell) + "\n";
    text += std::string(symbol) + ":\n";
    for (std::size_t i = 0; i < table.cells.size(); ++i) {
        text += "; " + std::string(CellName(table, i)) + "\n";
        AppendDirectiveRows(text, "        DB ", table.cells[i], AppendIntelHex);
    }
    return text;
}

} // namespace

const Syntax kAsmSyntax{.name = "asm",
                        .label = "Assembler DB (0C0H)",
                        .description = "assembler DB lines under a label, for Z80 and 8051 "
                                       "assemblers",
                        .extension = ".asm",
                        .write = WriteAsm,
                        .read = ReadAsm,
                        .claims = ClaimsAsm,
                        .writeFrames = WriteAsmFrames,
                        .readFrames = ReadAsmFrames,
                        .claimsFrames = ClaimsAsmFrames,
                        .writeCellTable = WriteAsmCells,
                        .onlyRowsLsb = false,
                        .rawBytes = false,
                        .forSketch = false,
                        .binary = false,
                        .cArrays = false,
                        .marksPacking = true};

} // namespace pelmora
