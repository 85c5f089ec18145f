#include "core/syntax/text_values.h"

#include "core/panel/panel_dots.h"

#include <algorithm>
#include <charconv>

namespace pelmora {

namespace {

constexpr std::string_view kGeometryMark = "pelmora-panel:";

std::string_view Trim(std::string_view text) {
    const auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n';
    };
    while (!text.empty() && space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<int> ParseInt(std::string_view text, int base = 10) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::string Shown(std::string_view token) {
    std::string shown(token.substr(0, 20));
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            c = '?';
        }
    }
    return "'" + shown + (token.size() > 20 ? "...'" : "'");
}

} // namespace

std::string GeometryText(const PanelLayout& layout) {
    std::string text =
        std::string(kGeometryMark) + " " + std::to_string(layout.width) + "x" +
        std::to_string(layout.height) + " " + std::string(NameOf(layout.arrangement)) + " " +
        std::to_string(layout.blockColumns()) + " " + std::string(NameOf(layout.bitOrder));
    // What one bit a dot in one plane needs no word for.
    if (layout.depth != 1) {
        text += " depth " + std::to_string(layout.depth);
    }
    if (layout.ramColumns() != layout.width || layout.xOffset != 0) {
        text +=
            " ram " + std::to_string(layout.ramColumns()) + " at " + std::to_string(layout.xOffset);
    }
    if (layout.colours != Colours::None) {
        text += " colours " + std::string(NameOf(layout.colours)) +
                (layout.inkIsZero ? " ink 0" : " ink 1");
    }
    if (layout.mask != MaskForm::None) {
        text += layout.mask == MaskForm::Plane ? " mask plane" : " mask interleaved";
    }
    return text;
}

namespace {

// The words after the bit order: "depth 4", "ram 132 at 2", "colours black-red ink 0",
// "mask plane" or "mask interleaved", each at most once, in that order.
bool ReadPlaneWords(std::span<const std::string_view> words, PanelLayout& layout) {
    std::size_t at = 0;
    const auto word = [&words, &at](std::string_view expected) {
        if (at < words.size() && words[at] == expected) {
            ++at;
            return true;
        }
        return false;
    };
    const auto number = [&words, &at](int& value) {
        if (at >= words.size()) {
            return false;
        }
        const auto read = ParseInt(words[at++]);
        value = read.value_or(-1);
        return read.has_value();
    };
    if (word("depth") && !number(layout.depth)) {
        return false;
    }
    if (word("ram") && !(number(layout.ramWidth) && word("at") && number(layout.xOffset))) {
        return false;
    }
    if (word("colours")) {
        const std::optional<Colours> colours =
            at < words.size() ? ColoursNamed(words[at++]) : std::nullopt;
        if (!colours || *colours == Colours::None || !word("ink")) {
            return false;
        }
        layout.colours = *colours;
        if (!word("0") && !word("1")) {
            return false;
        }
        layout.inkIsZero = words[at - 1] == "0";
    }
    if (word("mask")) {
        if (word("plane")) {
            layout.mask = MaskForm::Plane;
        } else if (word("interleaved")) {
            layout.mask = MaskForm::Interleaved;
        } else {
            return false;
        }
    }
    if (layout.ramWidth == layout.width && layout.xOffset == 0) {
        layout.ramWidth = 0; // the same panel as one without the words
    }
    return at == words.size();
}

} // namespace

std::optional<PanelLayout> FindGeometry(std::string_view text, std::string& error) {
    const std::size_t at = text.find(kGeometryMark);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const auto line =
        std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1;
    const auto fail = [&error, line](const std::string& reason) -> std::optional<PanelLayout> {
        error = "line " + std::to_string(line) + ": " + reason;
        return std::nullopt;
    };
    const std::string unreadable =
        "the panel's geometry must read WIDTHxHEIGHT halves|pages|rows BLOCK lsb|msb";
    std::string_view rest = text.substr(at + kGeometryMark.size());
    rest = rest.substr(0, rest.find('\n'));
    constexpr int kMostWords = 16;
    std::string_view words[kMostWords];
    int count = 0;
    for (std::string_view left = Trim(rest); !left.empty(); left = Trim(left)) {
        if (left.front() == '*') {
            break;
        }
        const std::size_t end = std::min(left.find_first_of(" \t*"), left.size());
        if (count == kMostWords) {
            return fail(unreadable);
        }
        words[count++] = left.substr(0, end);
        left.remove_prefix(end);
    }
    if (count < 4) {
        return fail(unreadable);
    }
    const std::size_t x = words[0].find('x');
    const auto width = ParseInt(words[0].substr(0, x));
    const auto height =
        x == std::string_view::npos ? std::nullopt : ParseInt(words[0].substr(x + 1));
    const auto block = ParseInt(words[2]);
    PanelLayout layout;
    if (!width || !height || !block) {
        return fail(unreadable);
    }
    layout.width = *width;
    layout.height = *height;
    layout.blockWidth = *block;
    if (const std::optional<Arrangement> arrangement = ArrangementNamed(words[1])) {
        layout.arrangement = *arrangement;
    } else {
        return fail(unreadable);
    }
    if (layout.arrangement != Arrangement::Halves) {
        layout.blockWidth = kBlockWidth;
    }
    if (words[3] == "lsb" || words[3] == "msb") {
        layout.bitOrder = words[3] == "lsb" ? BitOrder::Lsb : BitOrder::Msb;
    } else {
        return fail(unreadable);
    }
    if (!ReadPlaneWords(std::span(words + 4, words + count), layout)) {
        return fail("the panel's geometry ends in words it does not know: depth N, ram N at "
                    "N, colours NAME ink 0|1, mask plane|interleaved");
    }
    if (const std::string problem = CheckLayout(layout); !problem.empty()) {
        return fail(problem);
    }
    return layout;
}

std::string DescribeLayout(const PanelLayout& layout) {
    std::string text = std::to_string(layout.width) + " x " + std::to_string(layout.height) +
                       " dots, " + std::to_string(layout.byteCount()) + " bytes, ";
    switch (layout.arrangement) {
    case Arrangement::Halves:
        text += "blocks of " + std::to_string(layout.blockWidth) + " columns in 8-row pages";
        break;
    case Arrangement::Pages:
        text += "8-row pages across the panel";
        break;
    case Arrangement::Rows:
        text += "rows from the top";
        break;
    case Arrangement::BitPlanes:
        text += "8-row pages, each column a byte per bit of its levels, the top bit first";
        break;
    }
    const bool rows = layout.arrangement == Arrangement::Rows;
    const bool fields = layout.depth > 1 && layout.arrangement != Arrangement::BitPlanes;
    if (fields) {
        text += std::string(rows ? ", leftmost" : ", top") + (layout.bitOrder == BitOrder::Lsb
                                                                  ? " dot in the lowest bits"
                                                                  : " dot in the highest bits");
    } else {
        text += layout.bitOrder == BitOrder::Lsb
                    ? (rows ? ", leftmost dot in bit 0" : ", top dot in bit 0")
                    : (rows ? ", leftmost dot in bit 7" : ", top dot in bit 7");
    }
    if (layout.depth > 1) {
        text += ", " + std::to_string(layout.depth) + " bits a dot (level 0 white)";
    }
    if (layout.ramColumns() != layout.width || layout.xOffset != 0) {
        text += ", " + std::to_string(layout.ramColumns()) +
                " RAM columns, the picture from column " + std::to_string(layout.xOffset);
    }
    if (layout.colours != Colours::None) {
        text += std::string(", a black and a ") +
                (layout.colours == Colours::BlackRed ? "red" : "yellow") + " plane, ink " +
                (layout.inkIsZero ? "0" : "1");
    }
    if (layout.mask != MaskForm::None) {
        text += layout.mask == MaskForm::Plane ? ", then a mask plane (1 opaque)"
                                               : ", each byte followed by its mask byte";
    }
    return text;
}

void AppendHexDigits(std::string& out, std::uint8_t value, bool upper) {
    char digits[2] = {};
    const char* const end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
    if (end == digits + 1) {
        out += '0'; // a value under 16
    }
    for (const char* digit = digits; digit != end; ++digit) {
        out += upper && *digit >= 'a' ? static_cast<char>(*digit - 32) : *digit;
    }
}

int HexDigitValue(char digit) {
    // Read from an array of two: GCC 12 at -O3 warns of a read past a lone char.
    const char text[2] = {digit, '\0'};
    int value = 0;
    const auto [end, error] = std::from_chars(text, text + 1, value, 16);
    return error == std::errc() && end == text + 1 ? value : -1;
}

void AppendCHex(std::string& out, std::uint8_t value) {
    out += "0x";
    AppendHexDigits(out, value, false);
}

void AppendIntelHex(std::string& out, std::uint8_t value) {
    out += '0';
    AppendHexDigits(out, value, true);
    out += 'H';
}

std::optional<std::uint8_t> ParseByteValue(std::string_view token) {
    std::optional<int> value;
    const auto lower = [](char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    };
    // The suffix first: "0B5H" is hexadecimal, not a binary literal.
    if (token.size() > 1 && lower(token.back()) == 'h' && token[0] >= '0' && token[0] <= '9') {
        value = ParseInt(token.substr(0, token.size() - 1), 16);
    } else if (token.size() > 2 && token[0] == '0' && lower(token[1]) == 'x') {
        value = ParseInt(token.substr(2), 16);
    } else if (token.size() > 2 && token[0] == '0' && lower(token[1]) == 'b') {
        value = ParseInt(token.substr(2), 2);
    } else if (token.size() > 1 && token[0] == '$') {
        value = ParseInt(token.substr(1), 16);
    } else if (token.size() > 1 && token[0] == '%') {
        value = ParseInt(token.substr(1), 2);
    } else if (!token.empty() && token[0] >= '0' && token[0] <= '9') {
        value = ParseInt(token);
    }
    if (!value || *value < 0 || *value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*value);
}

bool ReadValueList(std::string_view text, long firstLine, SyntaxText& read) {
    long line = firstLine;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '\n') {
            ++line;
            ++at;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == ',') {
            ++at;
            continue;
        }
        const std::size_t end = std::min(text.find_first_of(" \t\r\n,", at), text.size());
        const std::string_view token = text.substr(at, end - at);
        const auto value = ParseByteValue(token);
        if (!value) {
            read.error =
                "line " + std::to_string(line) + ": " + Shown(token) + " is not a byte value";
            return false;
        }
        read.bytes.push_back(*value);
        at = end;
    }
    return true;
}

long LineAt(std::string_view text, std::size_t offset) {
    return 1 +
           static_cast<long>(std::count(
               text.begin(),
               text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size())), '\n'));
}

std::string WithoutCComments(std::string_view text) {
    std::string out(text);
    for (std::size_t at = 0; at + 1 < out.size();) {
        if (out[at] == '/' && out[at + 1] == '*') {
            const std::size_t end = out.find("*/", at + 2);
            const std::size_t stop = end == std::string::npos ? out.size() : end + 2;
            for (std::size_t i = at; i < stop; ++i) {
                if (out[i] != '\n') {
                    out[i] = ' ';
                }
            }
            at = stop;
        } else if (out[at] == '/' && out[at + 1] == '/') {
            while (at < out.size() && out[at] != '\n') {
                out[at++] = ' ';
            }
        } else {
            ++at;
        }
    }
    return out;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWithWord(std::string_view text, std::string_view word) {
    if (text.size() < word.size() ||
        (text.size() > word.size() && text[word.size()] != ' ' && text[word.size()] != '\t')) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}

void AppendValueRows(std::string& text, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += i % 16 == 0 ? "    " : " ";
        AppendCHex(text, bytes[i]);
        text += i + 1 < bytes.size() ? "," : "";
        if (i % 16 == 15 || i + 1 == bytes.size()) {
            text += "\n";
        }
    }
}

SyntaxText ReadBracedValues(std::string_view text, std::size_t groups) {
    SyntaxText read;
    const std::string code = WithoutCComments(text);
    std::size_t from = 0;
    for (std::size_t group = 0; group < groups; ++group) {
        const std::size_t open = code.find('{', from);
        const std::size_t close = code.find('}', open == std::string::npos ? from : open);
        if (open == std::string::npos || close == std::string::npos) {
            read.error =
                "line " + std::to_string(LineAt(code, code.empty() ? 0 : code.size() - 1)) +
                (group == 0 ? std::string(": no array of bytes between { and } was found")
                            : ": " + std::to_string(groups) + " arrays of bytes were expected, " +
                                  std::to_string(group) + " found");
            return read;
        }
        if (!ReadValueList(std::string_view(code).substr(open + 1, close - open - 1),
                           LineAt(code, open), read)) {
            return read;
        }
        from = close + 1;
    }
    return read;
}

std::vector<NamedRun> NamedRuns(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                                std::string_view symbol) {
    std::vector<NamedRun> runs;
    const std::vector<PlaneRun> planes = PlaneRuns(layout);
    for (std::size_t i = 0; i < planes.size(); ++i) {
        const PlaneRun& plane = planes[i];
        const std::size_t start = std::min(plane.offset, bytes.size());
        // The last run takes whatever is left, so that no byte given goes unwritten.
        const std::size_t size = i + 1 == planes.size()
                                     ? bytes.size() - start
                                     : std::min(plane.size, bytes.size() - start);
        runs.push_back(
            {std::string(symbol) + std::string(plane.suffix), bytes.subspan(start, size)});
    }
    return runs;
}

bool IsLabelLine(std::string_view line) {
    line = Trimmed(line);
    if (line.size() < 2 || line.back() != ':') {
        return false;
    }
    line.remove_suffix(1);
    const auto word = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    };
    return !(line.front() >= '0' && line.front() <= '9') &&
           std::all_of(line.begin(), line.end(), word);
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return upper;
}

void AppendDirectiveRows(std::string& text, std::string_view prefix,
                         std::span<const std::uint8_t> bytes,
                         void (*append)(std::string&, std::uint8_t)) {
    constexpr std::size_t kValuesPerLine = 16;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += i % kValuesPerLine == 0 ? prefix : ",";
        append(text, bytes[i]);
        if (i % kValuesPerLine == kValuesPerLine - 1 || i + 1 == bytes.size()) {
            text += "\n";
        }
    }
}

} // namespace pelmora
