// X bitmaps: rows from the top, leftmost dot in bit 0, 1 for a dark dot; the size in two
// defines, which is all the geometry an X bitmap has. The same bitmap in program memory
// is what u8g2's drawXBMP reads on a chip that keeps its data in flash.

#include "core/syntax/c_header.h"
#include "core/syntax/cell_text.h"
#include "core/syntax/frames_text.h"
#include "core/syntax/syntaxes.h"
#include "core/syntax/text_values.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace pelmora {

namespace {

std::string WriteXbm(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                     std::string_view symbol) {
    const std::string name(symbol);
    std::string text = "#define " + name + "_width " + std::to_string(layout.width) + "\n";
    text.reserve(text.size() + bytes.size() * 6 + 256); // one allocation for the whole text
    text += "#define " + name + "_height " + std::to_string(layout.height) + "\n";
    text += "static unsigned char " + name + "_bits[] = {\n";
    AppendValueRows(text, bytes);
    text += "};\n";
    return text;
}

// A header, not an X bitmap file: image tools read only the plain one.
std::string WriteXbmInFlash(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                            std::string_view symbol) {
    const std::string name(symbol);
    const std::string guard = HeaderGuard(symbol, "_XBMP_H");
    std::string text = "/* " + name + ": " + DescribeLayout(layout) + " */\n";
    text.reserve(text.size() + bytes.size() * 6 + 512); // one allocation for the whole text
    text += "/* " + GeometryText(layout) + " */\n";
    text += OpenCHeader(guard, StdInt::Leave); // unsigned char needs no <stdint.h>
    text += "\n#define " + name + "_width " + std::to_string(layout.width) + "\n";
    text += "#define " + name + "_height " + std::to_string(layout.height) + "\n";
    text += "static const unsigned char " + name + "_bits[" + std::to_string(bytes.size()) +
            "] PROGMEM = {\n";
    AppendValueRows(text, bytes);
    text += "};\n\n" + CloseCHeader(guard);
    return text;
}

// "#define NAME_suffix N": whether the line is there, its number if it reads as one, and
// the line it is on.
struct Defined {
    bool present = false;
    std::optional<int> value;
    long line = 1;
};

Defined DefinedSize(std::string_view text, std::string_view suffix) {
    for (std::size_t at = text.find("#define"); at != std::string_view::npos;
         at = text.find("#define", at + 1)) {
        std::string_view line = text.substr(at, text.find('\n', at) - at);
        const std::size_t name = line.find(suffix);
        if (name == std::string_view::npos) {
            continue;
        }
        Defined defined{
            true, std::nullopt,
            std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1};
        std::string_view number = line.substr(name + suffix.size());
        while (!number.empty() && (number.front() == ' ' || number.front() == '\t')) {
            number.remove_prefix(1);
        }
        while (!number.empty() &&
               (number.back() == ' ' || number.back() == '\t' || number.back() == '\r')) {
            number.remove_suffix(1);
        }
        int value = 0;
        const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
        if (result.ec == std::errc() && result.ptr == number.data() + number.size()) {
            defined.value = value;
        }
        return defined;
    }
    return {};
}

// Both defines, or neither (then the geometry comes from elsewhere); one alone, or one that
// is not a number, would draw the bytes at a guessed size.
SyntaxText ReadXbm(std::string_view text) {
    const Defined width = DefinedSize(text, "_width");
    const Defined height = DefinedSize(text, "_height");
    for (const Defined* defined : {&width, &height}) {
        if (defined->present && !defined->value) {
            return {{}, {}, "line " + std::to_string(defined->line) + ": the size is not a number"};
        }
    }
    if (width.present != height.present) {
        const Defined& given = width.present ? width : height;
        return {{},
                {},
                "line " + std::to_string(given.line) + ": the X bitmap defines its " +
                    (width.present ? "width but not its height" : "height but not its width")};
    }
    SyntaxText read = ReadBracedValues(text);
    if (width.value && height.value) {
        PanelLayout layout{*width.value, *height.value, Arrangement::Rows, kBlockWidth,
                           BitOrder::Lsb};
        if (const std::string problem = CheckLayout(layout); !problem.empty()) {
            return {{}, {}, "line " + std::to_string(width.line) + ": " + problem};
        }
        read.layout = layout;
    }
    return read;
}

bool ClaimsXbm(std::string_view text) {
    return text.find("_bits[") != std::string_view::npos &&
           text.find("_width") != std::string_view::npos;
}

bool ClaimsXbmInFlash(std::string_view text) {
    return ClaimsXbm(text) && text.find("PROGMEM") != std::string_view::npos;
}

void WriteXbmInFlashFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                           TextOut& out) {
    frames::WriteCFrames(layout, frames, symbol, frames::CFrames::XbmInFlash, out);
}

// A table: the cells one after another, under one cell's size.
std::string WriteXbmCells(const CellTable& table, std::string_view symbol) {
    return WriteXbm(table.cell, AllCellBytes(table), symbol);
}

std::string WriteXbmInFlashCells(const CellTable& table, std::string_view symbol) {
    return WriteXbmInFlash(table.cell, AllCellBytes(table), symbol);
}

} // namespace

const Syntax kXbmSyntax{.name = "xbm",
                        .label = "X bitmap",
                        .description = "an X bitmap: rows, leftmost dot in bit 0",
                        .extension = ".xbm",
                        .write = WriteXbm,
                        .read = ReadXbm,
                        .claims = ClaimsXbm,
                        .writeFrames = nullptr,
                        .readFrames = nullptr,
                        .claimsFrames = nullptr,
                        .writeCellTable = WriteXbmCells,
                        .onlyRowsLsb = true,
                        .rawBytes = false,
                        .forSketch = false,
                        .binary = false,
                        .cArrays = false,
                        .marksPacking = false};
// Its frames are C frames in program memory, rows with the leftmost dot in bit 0: each one
// what drawXBMP reads.
const Syntax kXbmInFlashSyntax{
    .name = "xbmp",
    .label = "X bitmap in flash",
    .description = "an X bitmap in program memory (PROGMEM), as u8g2's drawXBMP reads it",
    .extension = ".h",
    .write = WriteXbmInFlash,
    .read = ReadXbm,
    .claims = ClaimsXbmInFlash,
    .writeFrames = WriteXbmInFlashFrames,
    .readFrames = frames::ReadCFrames,
    .claimsFrames = nullptr,
    .writeCellTable = WriteXbmInFlashCells,
    .onlyRowsLsb = true,
    .rawBytes = false,
    .forSketch = false,
    .binary = false,
    .cArrays = false,
    .marksPacking = false};

} // namespace pelmora
