// The GFXfont layout as its library publishes it: glyph dots row by row from the top, most
// significant bit first, no padding between rows, each glyph padded to a whole byte; the
// glyph's offsets from the cursor on the baseline.

#include "core/font/gfx_font.h"

#include "core/font/c_tokens.h"
#include "core/syntax/c_header.h"
#include "core/syntax/text_values.h"

#include <algorithm>
#include <array>
#include <optional>

namespace pelmora {

namespace {

constexpr long kMaxBitmapBytes = 65535;
constexpr std::size_t kMaxTokens = 4 * 1024 * 1024;

std::string Describe(const Glyph& glyph) {
    const std::string quoted = QuotedAscii(glyph.code);
    return "glyph " + CodeName(glyph.code) + (quoted.empty() ? "" : " " + quoted);
}

// The checks, each as the reason a glyph cannot be stored.
std::string CheckRange(const Glyph& glyph, std::string_view field, int value, int low, int high) {
    if (value >= low && value <= high) {
        return {};
    }
    return Describe(glyph) + ": its " + std::string(field) + " " + std::to_string(value) +
           " is outside " + std::to_string(low) + ".." + std::to_string(high) +
           ", the most a GFXfont holds";
}

void AppendGlyphBits(std::vector<std::uint8_t>& bits, const MonoPicture& dots) {
    std::uint8_t byte = 0;
    int used = 0;
    for (int y = 0; y < dots.height; ++y) {
        for (int x = 0; x < dots.width; ++x) {
            byte = static_cast<std::uint8_t>(byte << 1 | (dots.at(x, y) ? 1 : 0));
            if (++used == 8) {
                bits.push_back(byte);
                byte = 0;
                used = 0;
            }
        }
    }
    if (used != 0) {
        bits.push_back(static_cast<std::uint8_t>(byte << (8 - used)));
    }
}

constexpr char kDeclarations[] =
    "\n#ifndef _GFXFONT_H_\n#define _GFXFONT_H_\n"
    "typedef struct {\n"
    "    uint16_t bitmapOffset;\n    uint8_t width;\n    uint8_t height;\n"
    "    uint8_t xAdvance;\n    int8_t xOffset;\n    int8_t yOffset;\n"
    "} GFXglyph;\n\n"
    "typedef struct {\n"
    "    uint8_t *bitmap;\n    GFXglyph *glyph;\n    uint16_t first;\n    uint16_t last;\n"
    "    uint8_t yAdvance;\n"
    "} GFXfont;\n#endif\n\n";

} // namespace

FontText WriteGfxFont(const GlyphSet& set, std::string_view symbol) {
    FontText result;
    if (set.glyphs.empty()) {
        result.error = "there is no glyph to write";
        return result;
    }
    if (set.lineHeight < 0 || set.lineHeight > 255) {
        result.error = "the line height " + std::to_string(set.lineHeight) +
                       " is outside 0..255, the most a GFXfont holds";
        return result;
    }
    std::vector<std::uint8_t> bitmaps;
    struct Record {
        long offset;
        const Glyph* glyph;
    };
    std::vector<Record> records;
    for (const Glyph& glyph : set.glyphs) {
        if (glyph.code > 0xFFFF) {
            result.error = Describe(glyph) + ": a GFXfont holds codes up to U+FFFF";
            return result;
        }
        for (const std::string& problem : {CheckRange(glyph, "width", glyph.dots.width, 0, 255),
                                           CheckRange(glyph, "height", glyph.dots.height, 0, 255),
                                           CheckRange(glyph, "advance", glyph.advance, 0, 255),
                                           CheckRange(glyph, "x offset", glyph.left, -128, 127),
                                           CheckRange(glyph, "y offset", -glyph.top, -128, 127)}) {
            if (!problem.empty()) {
                result.error = problem;
                return result;
            }
        }
        const auto offset = static_cast<long>(bitmaps.size());
        AppendGlyphBits(bitmaps, glyph.dots);
        if (static_cast<long>(bitmaps.size()) > kMaxBitmapBytes) {
            result.error = Describe(glyph) + " ends at bitmap byte " +
                           std::to_string(bitmaps.size()) +
                           ", past the 65,535 that a GFXfont's 16-bit offsets reach";
            return result;
        }
        records.push_back({offset, &glyph});
    }
    const char32_t first = set.glyphs.front().code;
    const char32_t last = set.glyphs.back().code;
    const std::string name(symbol);
    const std::string guard = HeaderGuard(symbol);

    std::string& text = result.text;
    text.reserve(bitmaps.size() * 6 + (last - first + 1) * 48 + 2048);
    text += "/* " + name + ": " + (set.family.empty() ? "a font" : set.family) + " at " +
            std::to_string(set.pixelSize) + " pixels, " + std::to_string(set.glyphs.size()) +
            " glyphs from " + CodeName(first) + " to " + CodeName(last) + ", " +
            std::to_string(bitmaps.size()) + " bitmap bytes, a GFXfont */\n";
    text += OpenCHeader(guard);
    text += kDeclarations;
    text += "const uint8_t " + name + "_bitmaps[] PROGMEM = {\n";
    if (bitmaps.empty()) {
        bitmaps.push_back(0); // a C array may not be empty; no glyph reads this byte
    }
    AppendValueRows(text, bitmaps);
    text += "};\n\nconst GFXglyph " + name + "_glyphs[] PROGMEM = {\n";
    std::size_t next = 0;
    long offset = 0;
    for (char32_t code = first; code <= last; ++code) {
        if (records[next].glyph->code == code) {
            const Glyph& glyph = *records[next].glyph;
            offset = records[next].offset;
            const std::string quoted = QuotedAscii(code);
            text += "    {" + std::to_string(offset) + ", " + std::to_string(glyph.dots.width) +
                    ", " + std::to_string(glyph.dots.height) + ", " +
                    std::to_string(glyph.advance) + ", " + std::to_string(glyph.left) + ", " +
                    std::to_string(-glyph.top) + "}" + (code == last ? " " : ",") + " /* " +
                    CodeName(code) + (quoted.empty() ? "" : " " + quoted) + " */\n";
            ++next;
        } else {
            text += "    {" + std::to_string(offset) + ", 0, 0, 0, 0, 0}, /* " + CodeName(code) +
                    " not in the font */\n";
        }
    }
    text += "};\n\nconst GFXfont " + name + " PROGMEM = {(uint8_t *)" + name +
            "_bitmaps, (GFXglyph *)" + name + "_glyphs, " + std::to_string(first) + ", " +
            std::to_string(last) + ", " + std::to_string(set.lineHeight) + "};\n\n" +
            CloseCHeader(guard);
    return result;
}

namespace {

using Tokens = std::vector<CToken>;

bool IsPunct(const CToken& token, char c) {
    return token.kind == CToken::Kind::Punct && token.text.size() == 1 && token.text[0] == c;
}

// The index after "TYPE NAME [ ... ] ... = {" for the first declaration of that type, or
// npos: the typedefs, which carry no "=", are passed over.
std::size_t FindInitialiser(const Tokens& tokens, std::string_view type) {
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].kind != CToken::Kind::Name || tokens[i].text != type ||
            tokens[i + 1].kind != CToken::Kind::Name) {
            continue;
        }
        for (std::size_t j = i + 2; j + 1 < tokens.size() && !IsPunct(tokens[j], ';'); ++j) {
            if (IsPunct(tokens[j], '=') && IsPunct(tokens[j + 1], '{')) {
                return j + 2;
            }
        }
    }
    return std::string::npos;
}

// The numbers of a flat list up to its "}", commas between; casts such as "(uint8_t *)"
// before a name are skipped by the caller, not here.
bool ReadNumbers(const Tokens& tokens, std::size_t& at, std::vector<long long>& values,
                 std::string& error) {
    while (at < tokens.size()) {
        const CToken& token = tokens[at];
        if (IsPunct(token, '}')) {
            ++at;
            return true;
        }
        if (IsPunct(token, ',')) {
            ++at;
            continue;
        }
        if (token.kind != CToken::Kind::Number) {
            error = "line " + std::to_string(token.line) + ": a number was expected";
            return false;
        }
        values.push_back(token.number);
        ++at;
    }
    error = "the text ends inside a list";
    return false;
}

} // namespace

bool ClaimsGfxFont(std::string_view text) {
    return text.find("GFXglyph") != std::string_view::npos &&
           text.find("GFXfont") != std::string_view::npos;
}

FontRead ReadGfxFont(std::string_view text) {
    FontRead read;
    CTokens tokenized = TokenizeC(text, kMaxTokens);
    if (!tokenized.error.empty()) {
        read.error = tokenized.error;
        return read;
    }
    const Tokens& tokens = tokenized.tokens;
    const auto fail = [&read](std::string why) {
        read.error = std::move(why);
        read.set.glyphs.clear();
        return read;
    };
    std::size_t at = FindInitialiser(tokens, "uint8_t");
    if (at == std::string::npos) {
        return fail("no uint8_t bitmap array with its values");
    }
    std::vector<long long> bitmapValues;
    if (!ReadNumbers(tokens, at, bitmapValues, read.error)) {
        return fail(read.error);
    }
    std::vector<std::uint8_t> bitmap;
    bitmap.reserve(bitmapValues.size());
    for (const long long value : bitmapValues) {
        if (value < 0 || value > 255) {
            return fail("the bitmap holds " + std::to_string(value) + ", not a byte");
        }
        bitmap.push_back(static_cast<std::uint8_t>(value));
    }

    at = FindInitialiser(tokens, "GFXglyph");
    if (at == std::string::npos) {
        return fail("no GFXglyph array with its values");
    }
    std::vector<std::array<long long, 6>> records;
    while (at < tokens.size() && !IsPunct(tokens[at], '}')) {
        if (IsPunct(tokens[at], ',')) {
            ++at;
            continue;
        }
        if (!IsPunct(tokens[at], '{')) {
            return fail("line " + std::to_string(tokens[at].line) +
                        ": a glyph record was expected");
        }
        ++at;
        std::vector<long long> fields;
        if (!ReadNumbers(tokens, at, fields, read.error)) {
            return fail(read.error);
        }
        if (fields.size() != 6) {
            return fail("a glyph record holds 6 values, not " + std::to_string(fields.size()));
        }
        records.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
    }

    at = FindInitialiser(tokens, "GFXfont");
    if (at == std::string::npos) {
        return fail("no GFXfont record with its values");
    }
    // {(uint8_t *)bitmaps, (GFXglyph *)glyphs, first, last, yAdvance}: the last three count.
    std::vector<long long> numbers;
    for (; at < tokens.size() && !IsPunct(tokens[at], '}'); ++at) {
        if (tokens[at].kind == CToken::Kind::Number) {
            numbers.push_back(tokens[at].number);
        }
    }
    if (numbers.size() != 3) {
        return fail("the GFXfont record needs first, last and yAdvance");
    }
    const long long first = numbers[0];
    const long long last = numbers[1];
    if (first < 0 || last > 0xFFFF || first > last || numbers[2] < 0 || numbers[2] > 255) {
        return fail("the GFXfont record's first, last or yAdvance is out of range");
    }
    if (static_cast<long long>(records.size()) < last - first + 1) {
        return fail("the font runs from " + std::to_string(first) + " to " + std::to_string(last) +
                    " but has " + std::to_string(records.size()) + " glyph records");
    }
    read.set.lineHeight = static_cast<int>(numbers[2]);
    std::size_t dots = 0;
    for (long long code = first; code <= last; ++code) {
        const auto& r = records[static_cast<std::size_t>(code - first)];
        const long long width = r[1];
        const long long height = r[2];
        if (r[0] < 0 || r[0] > 65535 || width < 0 || width > 255 || height < 0 || height > 255 ||
            r[3] < 0 || r[3] > 255 || r[4] < -128 || r[4] > 127 || r[5] < -128 || r[5] > 127) {
            return fail("glyph " + CodeName(static_cast<char32_t>(code)) +
                        ": a field is outside its type");
        }
        if (width == 0 && height == 0 && r[3] == 0) {
            continue;
        }
        dots += static_cast<std::size_t>(width * height);
        if (dots > kMaxFontDots) {
            return fail("the glyphs hold more than " + std::to_string(kMaxFontDots) + " dots");
        }
        const long long bytes = (width * height + 7) / 8;
        if (r[0] + bytes > static_cast<long long>(bitmap.size())) {
            return fail("glyph " + CodeName(static_cast<char32_t>(code)) +
                        " reaches past the end of the bitmap");
        }
        Glyph glyph;
        glyph.code = static_cast<char32_t>(code);
        glyph.dots = MonoPicture(static_cast<int>(width), static_cast<int>(height));
        glyph.advance = static_cast<int>(r[3]);
        glyph.left = static_cast<int>(r[4]);
        glyph.top = static_cast<int>(-r[5]);
        long long bit = 0;
        for (int y = 0; y < glyph.dots.height; ++y) {
            for (int x = 0; x < glyph.dots.width; ++x, ++bit) {
                const std::uint8_t byte = bitmap[static_cast<std::size_t>(r[0] + bit / 8)];
                glyph.dots.set(x, y, (byte << (bit % 8) & 0x80) != 0);
            }
        }
        read.set.ascender = std::max(read.set.ascender, glyph.top);
        read.set.descender = std::max(read.set.descender, -BottomOf(glyph));
        read.set.glyphs.push_back(std::move(glyph));
    }
    return read;
}

} // namespace pelmora
