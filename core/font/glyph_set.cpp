#include "core/font/glyph_set.h"

namespace pelmora {

std::string CodeName(char32_t code) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (auto value = static_cast<std::uint32_t>(code); value != 0 || digits.size() < 4;
         value >>= 4) {
        digits.insert(digits.begin(), kHex[value & 0xF]);
    }
    return "U+" + digits;
}

std::string QuotedAscii(char32_t code) {
    if (code < 0x20 || code > 0x7E || code == '\'' || code == '\\') {
        return {};
    }
    return std::string("'") + static_cast<char>(code) + "'";
}

} // namespace pelmora
