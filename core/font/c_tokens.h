#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// The pieces of a C source that the font readers look at: names, whole numbers (decimal,
// hex, octal, with a sign), string literals (escapes resolved), and single punctuation.
struct CToken {
    enum class Kind { Name, Number, String, Punct };
    Kind kind = Kind::Punct;
    std::string text;     // a name, a string's bytes, or the punctuation character
    long long number = 0; // a number's value
    long line = 1;        // where it starts, for messages
};

struct CTokens {
    std::vector<CToken> tokens;
    std::string error; // "line N: ...", empty when the whole text was read
};

// Comments and preprocessor lines are skipped. A number beyond 32 bits or a text past
// maxTokens tokens is refused rather than read in part.
CTokens TokenizeC(std::string_view text, std::size_t maxTokens);

} // namespace pelmora
