#pragma once

#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

constexpr std::string_view kLinePrefix = "        DB ";
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kBytesPerLine = 8; // display bytes on one text line

// The whole text: each block in lines of up to 8 bytes that never span two blocks, one
// empty line before every block but the first, every line ended by CR LF.
std::string FormatLcdHexText(const PanelLayout& layout, std::span<const std::uint8_t> bytes);

struct DecodedLine {
    std::vector<std::uint8_t> bytes; // the line's display bytes, in order
    std::string error;               // empty when the line could be read
    bool ok() const { return error.empty(); }
};

// Reads a non-empty data line back: drops the 11-character prefix and the closing "H;",
// removes every "H," and reads what is left as two hex digits per byte, in either case.
// A last lone digit holds only half a byte; no column is ever drawn from it.
DecodedLine DecodeLine(std::string_view line);

// The same into decoded, reusing its storage from one line to the next.
void DecodeLine(std::string_view line, DecodedLine& decoded);

// Every non-empty line decoded in turn; the first that cannot be read stops it.
SyntaxText ReadLcdHexText(std::string_view text);

} // namespace pelmora
