#include "core/font/glyph_set.h"

#include <algorithm>

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

Glyph TrimmedToInk(const Glyph& glyph) {
    const MonoPicture& dots = glyph.dots;
    if (dots.dots.size() != static_cast<std::size_t>(dots.width) *
                                static_cast<std::size_t>(std::max(dots.height, 0)) ||
        dots.width <= 0 || dots.height <= 0) {
        return {glyph.code, {}, glyph.left, glyph.top, glyph.advance};
    }
    int left = dots.width, right = -1, top = dots.height, bottom = -1;
    for (int y = 0; y < dots.height; ++y) {
        for (int x = 0; x < dots.width; ++x) {
            if (dots.at(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return {glyph.code, {}, glyph.left, glyph.top, glyph.advance};
    }
    Glyph trimmed{glyph.code, MonoPicture(right - left + 1, bottom - top + 1), glyph.left + left,
                  glyph.top - top, glyph.advance};
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            trimmed.dots.set(x - left, y - top, dots.at(x, y));
        }
    }
    return trimmed;
}

std::string QuotedAscii(char32_t code) {
    if (code < 0x20 || code > 0x7E || code == '\'' || code == '\\') {
        return {};
    }
    return std::string("'") + static_cast<char>(code) + "'";
}

} // namespace pelmora
