#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Why a set of characters was refused.
enum class CharacterSetProblem { None, Malformed, Unreadable, NotUtf8, Empty };

struct CharacterSet {
    std::vector<char32_t> codes; // ascending, each once
    CharacterSetProblem problem = CharacterSetProblem::None;
    std::string reason; // the system's reason an @FILE could not be read
};

// Code points and ranges joined by commas, decimal, 0x or U+ hex ("32-126,0xB0"), or
// @FILE for every distinct character of a UTF-8 text, control characters aside.
CharacterSet ParseCharacterSet(std::string_view set);

// The code points of UTF-8 text, appended to codes; false where it is not UTF-8 (a cut or
// overlong sequence, a surrogate, a code past U+10FFFF).
bool DecodeUtf8(std::string_view text, std::u32string& codes);

} // namespace pelmora
