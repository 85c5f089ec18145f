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

} // namespace pelmora
