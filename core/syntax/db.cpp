#include "core/syntax/db.h"

#include "core/syntax/cell_text.h"
#include "core/syntax/frames_text.h"
#include "core/syntax/syntaxes.h"
#include "core/syntax/text_values.h"

#include <algorithm>
#include <array>

namespace pelmora {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kLineOverhead = kLinePrefix.size() + 2; // prefix and the closing "H;"

int HexValue(char digit) {
    return HexDigitValue(digit);
}

std::string Printable(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code < 0x7F) {
        return std::string("'") + c + "'";
    }
    std::string text = "byte 0x";
    AppendHexDigits(text, code, true);
    return text;
}

// "00H," to "FFH,": each byte's text with its separator, looked up rather than formatted,
// for this is the text every conversion writes by default (and to_chars is no constexpr
// before C++23).
constexpr auto kByteTexts = [] {
    std::array<std::array<char, 4>, 256> texts{};
    for (int value = 0; value < 256; ++value) {
        texts[value] = {kHexDigits[value >> 4], kHexDigits[value & 0xF], 'H', ','};
    }
    return texts;
}();

void AppendDataLine(std::string& out, std::span<const std::uint8_t> bytes) {
    out += kLinePrefix;
    for (const std::uint8_t value : bytes) {
        out.append(kByteTexts[value].data(), 4);
    }
    if (!bytes.empty()) {
        out.back() = ';';
    }
}

} // namespace

std::string FormatLcdHexText(const PanelLayout& layout, std::span<const std::uint8_t> bytes) {
    const std::size_t blockBytes = layout.blockBytes();
    std::string text;
    text.reserve(bytes.size() / kBytesPerLine * 45 + 64);
    for (std::size_t start = 0; start < bytes.size(); start += blockBytes) {
        if (start != 0) {
            text += kLineEnd;
        }
        const auto block = bytes.subspan(start, std::min(blockBytes, bytes.size() - start));
        for (std::size_t at = 0; at < block.size(); at += kBytesPerLine) {
            AppendDataLine(
                text, block.subspan(at, std::min<std::size_t>(kBytesPerLine, block.size() - at)));
            text += kLineEnd;
        }
    }
    return text;
}

DecodedLine DecodeLine(std::string_view line) {
    DecodedLine decoded;
    DecodeLine(line, decoded);
    return decoded;
}

void DecodeLine(std::string_view line, DecodedLine& decoded) {
    decoded.bytes.clear();
    decoded.error.clear();
    if (line.size() < kLineOverhead) {
        decoded.error = "the line is " + std::to_string(line.size()) +
                        " characters long, shorter than a data line's " +
                        std::to_string(kLineOverhead) + " of prefix and ending";
        return;
    }
    const std::string_view payload = line.substr(kLinePrefix.size(), line.size() - kLineOverhead);
    int high = -1; // the first digit of a byte, until its second arrives
    for (std::size_t i = 0; i < payload.size(); ++i) {
        const char c = payload[i];
        if ((c == 'H' || c == 'h') && i + 1 < payload.size() && payload[i + 1] == ',') {
            ++i;
            continue;
        }
        const int value = HexValue(c);
        if (value < 0) {
            decoded.bytes.clear();
            decoded.error = Printable(c) + " at column " +
                            std::to_string(kLinePrefix.size() + i + 1) +
                            " is not a hexadecimal digit";
            return;
        }
        if (high < 0) {
            high = value;
        } else {
            decoded.bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
            high = -1;
        }
    }
}

SyntaxText ReadLcdHexText(std::string_view text) {
    SyntaxText read;
    DecodedLine decoded;
    ForEachLine(text, [&](long number, std::string_view line) {
        if (line.empty() || IsLabelLine(line)) {
            return true;
        }
        DecodeLine(line, decoded);
        if (!decoded.ok()) {
            read.error = "line " + std::to_string(number) + ": " + decoded.error;
            return false;
        }
        read.bytes.insert(read.bytes.end(), decoded.bytes.begin(), decoded.bytes.end());
        return true;
    });
    return read;
}

namespace {

using namespace frames; // the helpers the frames texts share

std::string WriteDb(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                    std::string_view symbol) {
    const std::vector<NamedRun> runs = NamedRuns(layout, bytes, symbol);
    if (runs.size() == 1) {
        return FormatLcdHexText(layout, bytes);
    }
    // Several planes: each under a label of its own, an empty line between them.
    std::string text;
    for (const NamedRun& run : runs) {
        text += (text.empty() ? "" : std::string(kLineEnd)) + run.name + ":" +
                std::string(kLineEnd) + FormatLcdHexText(layout, run.bytes);
    }
    return text;
}

// DB lines carry no mark of their own: every text the others do not claim is read as them.
bool ClaimsDb(std::string_view) {
    return true;
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
    LabelledFrames labelled;
    const std::optional<std::size_t> marked = ReadFramesHeader(text, labelled.read);
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

// DB lines carry no comments: one block of lines a cell, an empty line between.
std::string WriteDbCells(const CellTable& table, std::string_view) {
    std::string text;
    for (std::size_t i = 0; i < table.cells.size(); ++i) {
        if (i != 0) {
            text += kLineEnd;
        }
        text += FormatLcdHexText(table.cell, table.cells[i]);
    }
    return text;
}

} // namespace

const Syntax kDbSyntax{.name = "db",
                       .label = "DB lines",
                       .description = "DB lines of eight bytes, as the LCD text file has them",
                       .extension = ".txt",
                       .write = WriteDb,
                       .read = ReadLcdHexText,
                       .claims = ClaimsDb,
                       .writeFrames = WriteDbFrames,
                       .readFrames = ReadDbFrames,
                       .claimsFrames = nullptr,
                       .writeCellTable = WriteDbCells,
                       .onlyRowsLsb = false,
                       .rawBytes = false,
                       .forSketch = false,
                       .binary = false,
                       .cArrays = false,
                       .marksPacking = false};

} // namespace pelmora
