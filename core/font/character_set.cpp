#include "core/font/character_set.h"

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

// The distinct characters of UTF-8 text, control characters aside; false where the text
// is not UTF-8.
bool CharactersOf(std::string_view text, std::vector<char32_t>& codes) {
    std::u32string decoded;
    if (!DecodeUtf8(text, decoded)) {
        return false;
    }
    for (const char32_t code : decoded) {
        if (code >= 0x20 && code != 0x7F && code != 0xFEFF) {
            codes.push_back(code);
        }
    }
    return true;
}

} // namespace

bool DecodeUtf8(std::string_view text, std::u32string& codes) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
            return false;
        }
        char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3Fu);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > kLastCode || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        codes += code;
        i += static_cast<std::size_t>(length);
    }
    return true;
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
        if (!CharactersOf(file.bytes, codes)) {
            result.problem = CharacterSetProblem::NotUtf8;
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
            for (char32_t code = low; code <= high; ++code) {
                codes.push_back(code);
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

} // namespace pelmora
