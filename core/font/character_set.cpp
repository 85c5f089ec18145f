#include "core/font/character_set.h"

#include "core/font/glyph_set.h"
#include "core/io/source_file.h"

#include <algorithm>
#include <charconv>

namespace pelmora {

namespace {

constexpr char32_t kLastCode = 0x10FFFF;
constexpr std::size_t kMaxCharsFile = 1024 * 1024;

// A code point: decimal, 0x hex or U+ hex.
bool ParseCode(std::string_view text, char32_t& code) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X") || text.starts_with("U+") ||
        text.starts_with("u+")) {
        base = 16;
        text.remove_prefix(2);
    }
    unsigned long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (error != std::errc() || stop != end || text.empty() || value > kLastCode) {
        return false;
    }
    code = static_cast<char32_t>(value);
    return true;
}

bool IsSurrogate(char32_t code) {
    return code >= 0xD800 && code <= 0xDFFF;
}

std::string SurrogateReason(char32_t code) {
    return CodeName(code) + " is a surrogate, no character";
}

// The distinct characters of UTF-8 text, control characters aside; why the text is not
// UTF-8, or empty.
std::string CharactersOf(std::string_view text, std::vector<char32_t>& codes) {
    std::u32string decoded;
    if (std::string why = DecodeUtf8(text, decoded); !why.empty()) {
        return why;
    }
    for (const char32_t code : decoded) {
        if (code >= 0x20 && code != 0x7F && code != 0xFEFF) {
            codes.push_back(code);
        }
    }
    return {};
}

} // namespace

std::string DecodeUtf8(std::string_view text, std::u32string& codes) {
    for (std::size_t i = 0; i < text.size();) {
        const std::string notUtf8 = "not UTF-8 at offset " + std::to_string(i);
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
            return notUtf8;
        }
        char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return notUtf8;
            }
            code = code << 6 | (next & 0x3Fu);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > kLastCode) {
            return notUtf8;
        }
        // Said as a surrogate, as --chars says one named by its number.
        if (IsSurrogate(code)) {
            return CodeName(code) + " at offset " + std::to_string(i) +
                   " is a surrogate, no character";
        }
        codes += code;
        i += static_cast<std::size_t>(length);
    }
    return {};
}

CharacterSet ParseCharacterSet(std::string_view set) {
    CharacterSet result;
    std::vector<char32_t>& codes = result.codes;
    if (set.starts_with("@")) {
        const SourceFile file = ReadSourceFile(std::string(set.substr(1)), kMaxCharsFile);
        if (!file.ok()) {
            result.problem = CharacterSetProblem::Unreadable;
            result.reason = file.error;
            return result;
        }
        if (std::string why = CharactersOf(file.bytes, codes); !why.empty()) {
            result.problem = CharacterSetProblem::NotUtf8;
            result.reason = std::move(why);
            codes.clear();
            return result;
        }
    } else {
        std::string_view rest = set;
        while (true) {
            const std::size_t comma = rest.find(',');
            const std::string_view item = rest.substr(0, comma);
            const std::size_t dash = item.find('-', 1);
            char32_t low = 0;
            char32_t high = 0;
            const bool read = dash == std::string_view::npos
                                  ? ParseCode(item, low) && ParseCode(item, high)
                                  : ParseCode(item.substr(0, dash), low) &&
                                        ParseCode(item.substr(dash + 1), high);
            if (!read || low > high) {
                result.problem = CharacterSetProblem::Malformed;
                codes.clear();
                return result;
            }
            if (IsSurrogate(low) || IsSurrogate(high)) {
                result.problem = CharacterSetProblem::Malformed;
                result.reason = SurrogateReason(IsSurrogate(low) ? low : high);
                codes.clear();
                return result;
            }
            // A range across the surrogates names the characters on either side of them.
            for (char32_t code = low; code <= high; ++code) {
                if (!IsSurrogate(code)) {
                    codes.push_back(code);
                }
            }
            if (comma == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(comma + 1);
        }
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    if (codes.empty()) {
        result.problem = CharacterSetProblem::Empty;
    }
    return result;
}

std::string CharacterSetReason(const CharacterSet& set, std::string_view written) {
    const std::string named = "--chars " + std::string(written);
    switch (set.problem) {
    case CharacterSetProblem::Unreadable:
        return set.reason;
    case CharacterSetProblem::NotUtf8:
        return named + ": " + set.reason;
    case CharacterSetProblem::Malformed:
        return set.reason.empty()
                   ? "--chars takes code points and ranges such as 32-126,0xB0, or @FILE"
                   : named + ": " + set.reason;
    case CharacterSetProblem::Empty:
        return named + " names no character";
    case CharacterSetProblem::None:
        break;
    }
    return {};
}

} // namespace pelmora
