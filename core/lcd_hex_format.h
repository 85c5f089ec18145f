#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pelmora {

constexpr std::string_view kLinePrefix = "        DB ";
constexpr std::string_view kLineEnd = "\r\n";

// "0AH": two upper-case hex digits and the suffix H.
std::string FormatHexByte(std::uint8_t value);

// "        DB 00H,FFH,...;" without the line end.
std::string FormatDataLine(std::span<const std::uint8_t> bytes);

struct DecodedLine {
    std::string bits;  // eight characters "0"/"1" per byte, most significant bit first
    std::string error; // empty when the line could be read
    bool ok() const { return error.empty(); }
};

// Reads a non-empty data line back: drops the 11-character prefix and the closing "H;",
// removes every "H," and spells each remaining hex digit as four binary digits.
DecodedLine DecodeLine(std::string_view line);

} // namespace pelmora
