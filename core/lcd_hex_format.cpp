#include "core/lcd_hex_format.h"

namespace pelmora {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kLineOverhead = kLinePrefix.size() + 2; // prefix and the closing "H;"

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    return -1;
}

std::string Printable(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code < 0x7F) {
        return std::string("'") + c + "'";
    }
    constexpr std::string_view kNibbles = "0123456789ABCDEF";
    return std::string("byte 0x") + kNibbles[code >> 4] + kNibbles[code & 0xF];
}

} // namespace

std::string FormatHexByte(std::uint8_t value) {
    return {kHexDigits[value >> 4], kHexDigits[value & 0xF], 'H'};
}

std::string FormatDataLine(std::span<const std::uint8_t> bytes) {
    std::string line(kLinePrefix);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        line += FormatHexByte(bytes[i]);
        line += i + 1 < bytes.size() ? ',' : ';';
    }
    return line;
}

DecodedLine DecodeLine(std::string_view line) {
    DecodedLine decoded;
    if (line.size() < kLineOverhead) {
        decoded.error = "the line is " + std::to_string(line.size()) +
                        " characters long, shorter than a data line's " +
                        std::to_string(kLineOverhead) + " of prefix and ending";
        return decoded;
    }
    const std::string_view payload = line.substr(kLinePrefix.size(), line.size() - kLineOverhead);
    decoded.bits.reserve(payload.size() * 4);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        const char c = payload[i];
        if ((c == 'H' || c == 'h') && i + 1 < payload.size() && payload[i + 1] == ',') {
            ++i;
            continue;
        }
        const int value = HexValue(c);
        if (value < 0) {
            decoded.bits.clear();
            decoded.error = Printable(c) + " at column " +
                            std::to_string(kLinePrefix.size() + i + 1) +
                            " is not a hexadecimal digit";
            return decoded;
        }
        for (int bit = 3; bit >= 0; --bit) {
            decoded.bits += (value >> bit & 1) ? '1' : '0';
        }
    }
    return decoded;
}

} // namespace pelmora
