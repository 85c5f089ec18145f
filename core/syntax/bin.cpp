// The bytes themselves, for programmers and EEPROM tools that take a raw image.

#include "core/syntax/cell_text.h"
#include "core/syntax/frames_text.h"
#include "core/syntax/syntaxes.h"

namespace pelmora {

namespace {

std::string WriteBin(const PanelLayout&, std::span<const std::uint8_t> bytes, std::string_view) {
    return std::string(bytes.begin(), bytes.end());
}

SyntaxText ReadBin(std::string_view text) {
    return {std::vector<std::uint8_t>(text.begin(), text.end()), std::nullopt, {}};
}

// Raw bytes have no mark: they are told by the extension or asked for by name.
bool ClaimsBin(std::string_view) {
    return false;
}

// The frames' bytes one after another, without delays.
void WriteBinFrames(const PanelLayout&, FrameSource& frames, std::string_view, TextOut& out) {
    for (std::size_t i = 0; i < frames.count() && out.flush(); ++i) {
        const std::span<const std::uint8_t> bytes = frames.bytes(i);
        out.text.append(bytes.begin(), bytes.end());
    }
}

ReadFrames ReadBinFrames(std::string_view text, const PanelLayout& fallback) {
    return frames::FramesOfBytes(ReadBin(text), fallback);
}

std::string WriteBinCells(const CellTable& table, std::string_view symbol) {
    return WriteBin(table.cell, AllCellBytes(table), symbol);
}

} // namespace

const Syntax kBinSyntax{.name = "bin",
                        .label = "Raw bytes",
                        .description = "the bytes themselves, for programmers and EEPROM tools",
                        .extension = ".bin",
                        .write = WriteBin,
                        .read = ReadBin,
                        .claims = ClaimsBin,
                        .writeFrames = WriteBinFrames,
                        .readFrames = ReadBinFrames,
                        .claimsFrames = nullptr,
                        .writeCellTable = WriteBinCells,
                        .onlyRowsLsb = false,
                        .rawBytes = true,
                        .forSketch = false,
                        .binary = true,
                        .cArrays = false,
                        .marksPacking = false};

} // namespace pelmora
