#include "freetype/bdf_rows.h"

#include <charconv>
#include <cstdint>
#include <vector>

namespace pelmora {

namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";

std::string_view Trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

// The line's words, split at blanks.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    while (!(line = Trimmed(line)).empty()) {
        const std::size_t end = line.find_first_of(kBlanks);
        words.push_back(line.substr(0, end));
        line = end == std::string_view::npos ? std::string_view() : line.substr(end);
    }
    return words;
}

bool Whole(std::string_view word, long& value) {
    const auto [stop, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && stop == word.data() + word.size() && !word.empty();
}

int HexValue(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : -1;
}

// Why one BITMAP row does not fit a box that many dots wide, or empty.
std::string RowFault(std::string_view row, long width, long number) {
    const std::string named = "its row " + std::to_string(number);
    const std::uint64_t digits = (static_cast<std::uint64_t>(width) + 7) / 8 * 2;
    for (const char c : row) {
        if (HexValue(c) < 0) {
            return named + " is not hex (" + std::string(row.substr(0, 16)) +
                   (row.size() > 16 ? "..." : "") + ")";
        }
    }
    if (row.size() < digits) {
        return named + " has " + std::to_string(row.size()) +
               (row.size() == 1 ? " hex digit" : " hex digits") + ", where its " +
               std::to_string(width) + "-dot width needs " + std::to_string(digits);
    }
    // Dots right of the box: in the padding bits of its last byte or in digits past it.
    bool outside =
        row.find_first_not_of('0', static_cast<std::size_t>(digits)) != std::string_view::npos;
    if (width % 8 != 0) {
        const auto last = static_cast<std::size_t>(digits - 2);
        const int byte = HexValue(row[last]) << 4 | HexValue(row[last + 1]);
        outside = outside || (byte & (0xFF >> (width % 8))) != 0;
    }
    if (outside) {
        return named + " has dots right of its " + std::to_string(width) + "-dot box";
    }
    return {};
}

} // namespace

BdfFault CheckBdfRows(std::string_view text) {
    enum class Place { Outside, Header, Bitmap } place = Place::Outside;
    BdfFault glyph;
    long width = 0;
    long height = 0;
    bool boxed = false;
    long rows = 0;
    const auto fault = [&glyph](std::string reason) {
        glyph.found = true;
        glyph.reason = std::move(reason);
        return glyph;
    };
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        // FreeType skips blank lines and comments wherever they stand.
        if (line.empty() || line.starts_with("COMMENT")) {
            continue;
        }
        const std::vector<std::string_view> words = Words(line);
        const std::string_view keyword = words.front();
        if (place == Place::Bitmap && keyword != "ENDCHAR") {
            if (keyword == "STARTCHAR" || keyword == "ENDFONT") {
                return fault("its BITMAP has no ENDCHAR");
            }
            if (++rows > height) {
                return fault("it has more rows than its box is high (" + std::to_string(height) +
                             ")");
            }
            if (std::string problem = RowFault(line, width, rows); !problem.empty()) {
                return fault(std::move(problem));
            }
            continue;
        }
        if (keyword == "STARTCHAR") {
            if (place != Place::Outside) {
                return fault("it has no ENDCHAR");
            }
            glyph = BdfFault{};
            glyph.name = std::string(Trimmed(line.substr(keyword.size())));
            boxed = false;
            place = Place::Header;
        } else if (place == Place::Header && keyword == "ENCODING") {
            long code = -1;
            glyph.code = words.size() > 1 && Whole(words[1], code) && code >= 0 ? code : -1;
        } else if (place == Place::Header && keyword == "DWIDTH") {
            // FreeType keeps a backward advance as 0, another width than the font's.
            long advance = 0;
            if (words.size() > 1 && Whole(words[1], advance) && advance < 0) {
                return fault("its advance is negative (" + std::string(line) + ")");
            }
        } else if (place == Place::Header && keyword == "BBX") {
            long x = 0;
            long y = 0;
            if (words.size() != 5 || !Whole(words[1], width) || !Whole(words[2], height) ||
                !Whole(words[3], x) || !Whole(words[4], y) || width < 0 || height < 0) {
                return fault("its BBX is no box (" + std::string(line) + ")");
            }
            boxed = true;
        } else if (place == Place::Header && keyword == "BITMAP") {
            if (!boxed) {
                return fault("it has no BBX before its BITMAP");
            }
            rows = 0;
            place = Place::Bitmap;
        } else if (keyword == "ENDCHAR" && place != Place::Outside) {
            // A box no dot wide has rows of no digit, which are blank lines.
            const long shown = place == Place::Bitmap ? rows : 0;
            if (boxed && width > 0 && shown < height) {
                return fault("it has " + std::to_string(shown) + " rows where its box is " +
                             std::to_string(height) + " high");
            }
            place = Place::Outside;
        } else if (keyword == "ENDFONT" && place != Place::Outside) {
            return fault("it has no ENDCHAR");
        }
    }
    if (place != Place::Outside) {
        return fault("the file ends inside it");
    }
    return {};
}

} // namespace pelmora
