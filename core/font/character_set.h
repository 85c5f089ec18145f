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
    // Unreadable: the system's reason the @FILE could not be read; NotUtf8: where the text
    // fails; Malformed: a surrogate named, or empty for a set of no such form.
    std::string reason;
};

// Code points and ranges joined by commas, decimal, 0x or U+ hex ("32-126,0xB0"), or
// @FILE for every distinct character of a UTF-8 text, control characters aside. A
// surrogate is no character: named alone or as a range's end it is refused, and a range
// across them leaves them out.
CharacterSet ParseCharacterSet(std::string_view set);

// Why the set, as written after --chars, was refused, as the command line and the build
// say it; empty when it was not. An unreadable file is the file's system reason alone,
// for a message about the file (the path after '@').
std::string CharacterSetReason(const CharacterSet& set, std::string_view written);

// The code points of UTF-8 text, appended to codes; why it is not UTF-8 (a cut or
// overlong sequence, a surrogate, a code past U+10FFFF) with the offset, or empty.
std::string DecodeUtf8(std::string_view text, std::u32string& codes);

} // namespace pelmora
