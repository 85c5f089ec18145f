// pelmora-cli font as a process: each output fed to what reads it (a compiler with the
// GFXfont drawing rule, a u8g2 decoder written here from the published format, assemblers)
// and held to what FreeType itself draws, or for bitmap fonts to the font's own BDF.

#include "reference.h"
#include "support/shell.h"

#include "core/syntax/db.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace pelmora::test {
namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kLiberationSerif =
    "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";
const std::string kTerminusPcf = "/usr/share/fonts/X11/misc/ter-u16n_unicode.pcf.gz";
const std::string kTerminus12Pcf = "/usr/share/fonts/X11/misc/ter-u12n_unicode.pcf.gz";
const std::string kTerminusOtb = "/usr/share/fonts/opentype/terminus/terminus-normal.otb";
const std::string kUnifont = "/usr/share/fonts/X11/misc/unifont.pcf.gz";
const std::string kFreeSansOtf = "/usr/share/fonts/opentype/freefont/FreeSans.otf";

bool Have(const std::string& path) {
    return std::filesystem::exists(path);
}

std::u32string Codes(char32_t first, char32_t last) {
    std::u32string codes;
    for (char32_t c = first; c <= last; ++c) {
        codes += c;
    }
    return codes;
}

std::string Arguments(const std::u32string& codes) {
    std::string text;
    for (const char32_t c : codes) {
        text += " " + std::to_string(static_cast<unsigned long>(c));
    }
    return text;
}

Dots ReadDots(const std::string& text) {
    Dots dots;
    std::istringstream in(text);
    int x = 0;
    int y = 0;
    while (in >> x >> y) {
        dots.insert({x, y});
    }
    return dots;
}

// A program that draws with the GFXfont rule as that library publishes it: bits MSB first,
// read on across rows, a new byte every eight; the glyph at the cursor plus its offsets.
std::string GfxHarness(const std::string& header, const std::string& symbol) {
    return "#include \"" + header +
           "\"\n"
           "#include <stdio.h>\n#include <stdlib.h>\n#include <string.h>\n"
           "int main(int argc, char **argv) {\n"
           "    const GFXfont *font = &" +
           symbol +
           ";\n"
           "    long x = 0;\n"
           "    int metrics = argc > 1 && strcmp(argv[1], \"metrics\") == 0;\n"
           "    for (int i = 1 + metrics; i < argc; ++i) {\n"
           "        unsigned long c = strtoul(argv[i], 0, 0);\n"
           "        if (c < font->first || c > font->last) continue;\n"
           "        const GFXglyph *g = &font->glyph[c - font->first];\n"
           "        const uint8_t *bitmap = font->bitmap;\n"
           "        unsigned bo = g->bitmapOffset;\n"
           "        uint8_t bits = 0, bit = 0;\n"
           "        if (metrics) printf(\"%lu %d %d %d %d %d\\n\", c, g->width, g->height,"
           " g->xAdvance, g->xOffset, g->yOffset);\n"
           "        for (int yy = 0; yy < g->height; ++yy) {\n"
           "            for (int xx = 0; xx < g->width; ++xx) {\n"
           "                if (!(bit++ & 7)) bits = bitmap[bo++];\n"
           "                if (metrics) putchar(bits & 0x80 ? '#' : '.');\n"
           "                else if (bits & 0x80) printf(\"%ld %d\\n\", x + g->xOffset + xx,"
           " g->yOffset + yy);\n"
           "                bits <<= 1;\n"
           "            }\n"
           "            if (metrics) putchar('\\n');\n"
           "        }\n"
           "        x += g->xAdvance;\n"
           "    }\n"
           "    return 0;\n"
           "}\n";
}

struct Built {
    bool ok = false;
    std::string run(const ScratchFolder& folder, const std::string& arguments) const {
        const Ran ran = Shell(folder, "./draw " + arguments);
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
        return ran.out;
    }
};

// The header compiled as C++ (and, when asked, as C too), warnings as errors.
Built CompileGfx(const ScratchFolder& folder, const std::string& header, const std::string& symbol,
                 bool alsoC) {
    WriteFile(folder / "draw.c", GfxHarness(header, symbol));
    Built built;
    const Ran cxx = Shell(folder, "g++ -x c++ -std=c++17 -Wall -Wextra -Werror -o draw draw.c");
    EXPECT_EQ(cxx.exitCode, 0) << cxx.err;
    if (alsoC) {
        const Ran c = Shell(folder, "gcc -std=c99 -Wall -Wextra -Werror -o draw-c draw.c");
        EXPECT_EQ(c.exitCode, 0) << c.err;
    }
    built.ok = cxx.exitCode == 0;
    return built;
}

struct OutlineCase {
    std::string name;
    std::string font;
    int pixels;
    std::string hinting;
    std::u32string codes;
};

std::vector<OutlineCase> OutlineCases() {
    const std::u32string ascii = Codes(32, 126);
    std::vector<OutlineCase> cases = {
        {"DejaVu Sans 16, hinted", kDejaVu, 16, "normal", ascii + U"\u00B0\u00E9"},
        {"DejaVu Sans 11, light", kDejaVu, 11, "light", ascii},
        {"DejaVu Sans 24, unhinted", kDejaVu, 24, "none", ascii},
        {"Liberation Serif 13", kLiberationSerif, 13, "normal", ascii + U"\u20AC\u2022"},
        {"Liberation Serif 7", kLiberationSerif, 7, "normal", ascii},
    };
    // OpenType with CFF outlines, FreeType's other hinter (scripts/setup.sh installs it).
    if (Have(kFreeSansOtf)) {
        cases.push_back({"FreeSans OTF 14", kFreeSansOtf, 14, "normal", ascii + U"\u00B0\u20AC"});
        cases.push_back({"FreeSans OTF 9, light", kFreeSansOtf, 9, "light", ascii});
    }
    return cases;
}

std::string CharsOption(const std::u32string& codes) {
    std::string text;
    for (const char32_t c : codes) {
        text += (text.empty() ? "" : ",") + std::to_string(static_cast<unsigned long>(c));
    }
    return text;
}

TEST(FontGfx, CompiledAndDrawnByThePublishedRuleItEqualsFreeType) {
    for (const OutlineCase& c : OutlineCases()) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const Ran ran = Shell(folder, "$CLI font --quiet --format gfxfont --name f --size " +
                                          std::to_string(c.pixels) + " --hinting " + c.hinting +
                                          " --chars " + CharsOption(c.codes) + " -o f.h " + c.font);
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        const Built built = CompileGfx(folder, "f.h", "f", c.pixels == 16);
        ASSERT_TRUE(built.ok);
        const Dots drawn = ReadDots(built.run(folder, Arguments(c.codes)));
        const Dots expected = FreeTypeLine(c.font, c.pixels, c.hinting, c.codes);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(drawn, expected) << "drawn:\n"
                                   << Drawn(drawn) << "FreeType:\n"
                                   << Drawn(expected);
    }
}

// pcf2bdf's text of a PCF font: the glyphs as the font itself holds them.
BdfFont BdfOf(const ScratchFolder& folder, const std::string& pcf) {
    const Ran ran = Shell(folder, "zcat -f " + pcf + " > font.pcf && pcf2bdf font.pcf");
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    return ParseBdf(ran.out);
}

struct BitmapCase {
    std::string name;
    std::string font;
    std::string pcf; // the same glyphs as a PCF, for the BDF
    int pixels;
    char32_t first;
    char32_t last;
};

std::vector<BitmapCase> BitmapCases() {
    return {
        {"Terminus 16 PCF", kTerminusPcf, kTerminusPcf, 16, 32, 0x17F},
        {"Terminus 12 PCF", kTerminus12Pcf, kTerminus12Pcf, 12, 32, 126},
        {"Terminus 16 OTB", kTerminusOtb, kTerminusPcf, 16, 32, 0x17F},
        {"Unifont", kUnifont, kUnifont, 16, 0x20, 0x2FF},
    };
}

TEST(FontGfx, BitmapFontsKeepEveryDotAndMetricOfTheFont) {
    for (const BitmapCase& c : BitmapCases()) {
        SCOPED_TRACE(c.name);
        if (!Have(c.font) || !Have(c.pcf)) {
            GTEST_SKIP() << c.font << " is not installed (scripts/setup.sh installs it)";
        }
        ScratchFolder folder;
        const BdfFont bdf = BdfOf(folder, c.pcf);
        std::u32string codes;
        for (const BdfGlyph& glyph : bdf.glyphs) {
            if (glyph.code >= c.first && glyph.code <= c.last) {
                codes += static_cast<char32_t>(glyph.code);
            }
        }
        ASSERT_GT(codes.size(), 90U);
        const Ran ran =
            Shell(folder, "$CLI font --quiet --name f --size " + std::to_string(c.pixels) +
                              " --chars " + std::to_string(c.first) + "-" + std::to_string(c.last) +
                              " -o f.h " + c.font);
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        const Built built = CompileGfx(folder, "f.h", "f", false);
        ASSERT_TRUE(built.ok);
        std::istringstream dump(built.run(folder, "metrics" + Arguments(codes)));
        for (const BdfGlyph& glyph : bdf.glyphs) {
            if (glyph.code < c.first || glyph.code > c.last) {
                continue;
            }
            SCOPED_TRACE("U+" + std::to_string(glyph.code));
            long code = 0;
            int width = 0, height = 0, advance = 0, xOffset = 0, yOffset = 0;
            dump >> code >> width >> height >> advance >> xOffset >> yOffset;
            ASSERT_EQ(code, glyph.code);
            EXPECT_EQ(width, glyph.width);
            EXPECT_EQ(height, glyph.height);
            EXPECT_EQ(advance, glyph.advance);
            EXPECT_EQ(xOffset, glyph.xOffset);
            EXPECT_EQ(yOffset, -(glyph.yOffset + glyph.height));
            std::vector<std::string> rows(static_cast<std::size_t>(height));
            for (std::string& row : rows) {
                dump >> row;
            }
            EXPECT_EQ(rows, glyph.rows);
        }
    }
}

// A u8g2 font decoded as the font format's public description has it: a 23-byte header,
// glyphs below U+0100 with a one-byte code and the jump to the next (0 ends them), then at
// the header's offset a lookup table ending in code 0xFFFF and the glyphs with two-byte
// codes (0 ends them); each glyph a bit stream, least significant bit first, of its width,
// height, x offset, y offset and pitch (signed ones biased by half their range), then runs:
// m0 bits of off dots, m1 bits of on dots, and a bit that repeats the pair while it is 1.
struct U8g2Glyph {
    int width = 0, height = 0, x = 0, y = 0, advance = 0;
    std::vector<bool> dots;
};

struct U8g2Font {
    std::map<unsigned, U8g2Glyph> glyphs;
    int m0 = 0, m1 = 0;
};

class Bits {
  public:
    Bits(const std::vector<std::uint8_t>& bytes, std::size_t at) : bytes_(bytes), bit_(at * 8) {}
    unsigned get(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i, ++bit_) {
            value |= static_cast<unsigned>(bytes_.at(bit_ / 8) >> (bit_ % 8) & 1) << i;
        }
        return value;
    }
    int getSigned(int count) { return static_cast<int>(get(count)) - (1 << (count - 1)); }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t bit_;
};

U8g2Glyph DecodeGlyph(const std::vector<std::uint8_t>& font, std::size_t at) {
    Bits bits(font, at);
    U8g2Glyph glyph;
    glyph.width = static_cast<int>(bits.get(font[4]));
    glyph.height = static_cast<int>(bits.get(font[5]));
    glyph.x = bits.getSigned(font[6]);
    glyph.y = bits.getSigned(font[7]);
    glyph.advance = bits.getSigned(font[8]);
    if (glyph.width == 0) {
        return glyph;
    }
    const std::size_t total = static_cast<std::size_t>(glyph.width) * glyph.height;
    while (glyph.dots.size() < total) {
        const unsigned zeros = bits.get(font[2]);
        const unsigned ones = bits.get(font[3]);
        do {
            glyph.dots.insert(glyph.dots.end(), zeros, false);
            glyph.dots.insert(glyph.dots.end(), ones, true);
        } while (bits.get(1) != 0);
    }
    EXPECT_EQ(glyph.dots.size(), total) << "runs past the glyph's last dot";
    return glyph;
}

U8g2Font DecodeU8g2(const std::vector<std::uint8_t>& font) {
    U8g2Font decoded;
    decoded.m0 = font.at(2);
    decoded.m1 = font.at(3);
    std::size_t at = 23;
    while (font.at(at + 1) != 0) {
        decoded.glyphs[font[at]] = DecodeGlyph(font, at + 2);
        at += font[at + 1];
    }
    std::size_t table = 23 + (static_cast<std::size_t>(font[21]) << 8 | font[22]);
    while ((font.at(table + 2) << 8 | font.at(table + 3)) != 0xFFFF) {
        table += 4;
    }
    at = table + 4;
    while ((font.at(at) << 8 | font.at(at + 1)) != 0) {
        decoded.glyphs[static_cast<unsigned>(font[at] << 8 | font[at + 1])] =
            DecodeGlyph(font, at + 3);
        at += font.at(at + 2);
    }
    return decoded;
}

// Looks a code up the way a firmware does: from the header's start for A or a, or through
// the lookup table's blocks from U+0100 on.
bool LookUp(const std::vector<std::uint8_t>& font, unsigned code, U8g2Glyph& glyph) {
    if (code < 0x100) {
        std::size_t at = 23;
        if (code >= 'a') {
            at += static_cast<std::size_t>(font[19] << 8 | font[20]);
        } else if (code >= 'A') {
            at += static_cast<std::size_t>(font[17] << 8 | font[18]);
        }
        for (; font.at(at + 1) != 0; at += font[at + 1]) {
            if (font[at] == code) {
                glyph = DecodeGlyph(font, at + 2);
                return true;
            }
        }
        return false;
    }
    std::size_t table = 23 + static_cast<std::size_t>(font[21] << 8 | font[22]);
    std::size_t at = table;
    unsigned last = 0;
    do {
        at += static_cast<std::size_t>(font.at(table) << 8 | font.at(table + 1));
        last = static_cast<unsigned>(font.at(table + 2) << 8 | font.at(table + 3));
        table += 4;
    } while (last < code);
    for (unsigned e = 0; (e = static_cast<unsigned>(font.at(at) << 8 | font.at(at + 1))) != 0;
         at += font.at(at + 2)) {
        if (e == code) {
            glyph = DecodeGlyph(font, at + 3);
            return true;
        }
    }
    return false;
}

// The bytes of the u8g2 array, compiled and dumped, so that the C text itself is proved.
std::vector<std::uint8_t> CompiledBytes(const ScratchFolder& folder, const std::string& header,
                                        const std::string& symbol) {
    WriteFile(folder / "dump.c", "#include \"" + header +
                                     "\"\n#include <stdio.h>\n"
                                     "int main(void) { fwrite(" +
                                     symbol + ", 1, sizeof " + symbol + ", stdout); return 0; }\n");
    const Ran built = Shell(folder, "gcc -std=c99 -Wall -Wextra -Werror -o dump dump.c");
    EXPECT_EQ(built.exitCode, 0) << built.err;
    const Ran ran = Shell(folder, "./dump");
    return std::vector<std::uint8_t>(ran.out.begin(), ran.out.end());
}

Dots DrawU8g2(const std::vector<std::uint8_t>& font, const std::u32string& codes) {
    Dots dots;
    long pen = 0;
    for (const char32_t code : codes) {
        U8g2Glyph glyph;
        if (!LookUp(font, code, glyph)) {
            ADD_FAILURE() << "no glyph " << static_cast<unsigned long>(code);
            continue;
        }
        // The bitmap's top row lies its height plus its y offset above the baseline.
        const int top = -(glyph.height + glyph.y);
        for (int row = 0; row < glyph.height; ++row) {
            for (int column = 0; column < glyph.width; ++column) {
                if (glyph.dots[static_cast<std::size_t>(row * glyph.width + column)]) {
                    dots.insert({static_cast<int>(pen + glyph.x + column), top + row});
                }
            }
        }
        pen += glyph.advance;
    }
    return dots;
}

TEST(FontU8g2, DecodedByThePublishedFormatItEqualsFreeType) {
    std::vector<OutlineCase> cases = OutlineCases();
    cases.push_back({"Terminus 16 with Cyrillic and box drawing", kTerminusPcf, 16, "normal",
                     Codes(32, 126) + Codes(0x410, 0x44F) + U"\u2500\u2502\u2588\u263A"});
    cases.push_back({"Unifont, 300 codes above U+00FF", kUnifont, 16, "normal",
                     Codes(0x20, 0x7E) + Codes(0x100, 0x22B)});
    for (const OutlineCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!Have(c.font)) {
            GTEST_SKIP() << c.font << " is not installed";
        }
        ScratchFolder folder;
        const Ran ran = Shell(folder, "$CLI font --quiet --format u8g2 --name f --size " +
                                          std::to_string(c.pixels) + " --hinting " + c.hinting +
                                          " --chars " + CharsOption(c.codes) + " -o f.h " + c.font);
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        const std::vector<std::uint8_t> font = CompiledBytes(folder, "f.h", "f");
        ASSERT_GT(font.size(), 23U);
        const U8g2Font decoded = DecodeU8g2(font);
        EXPECT_EQ(decoded.glyphs.size(), c.codes.size());
        const Dots drawn = DrawU8g2(font, c.codes);
        const Dots expected = FreeTypeLine(c.font, c.pixels, c.hinting, c.codes);
        EXPECT_EQ(drawn, expected) << "drawn:\n"
                                   << Drawn(drawn) << "FreeType:\n"
                                   << Drawn(expected);
    }
}

TEST(FontU8g2, TheRunWidthsAreTheSmallestAndTheHeaderNamesAAndParentheses) {
    ScratchFolder folder;
    const Ran ran =
        Shell(folder, "$CLI font --quiet --format u8g2 --name f -o f.h " + kTerminusPcf);
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const std::vector<std::uint8_t> font = CompiledBytes(folder, "f.h", "f");
    ASSERT_GT(font.size(), 23U);
    EXPECT_EQ(font[0], 95); // 32 to 126
    const auto signedAt = [&font](std::size_t i) {
        return static_cast<int>(static_cast<std::int8_t>(font[i]));
    };
    // The ascents and descents are those of each glyph's ink, not of the strike's cell.
    const BdfFont bdf = BdfOf(folder, kTerminusPcf);
    for (const BdfGlyph& glyph : bdf.glyphs) {
        int first = glyph.height, last = -1;
        for (int r = 0; r < glyph.height; ++r) {
            if (glyph.rows[r].find('#') != std::string::npos) {
                first = std::min(first, r);
                last = r;
            }
        }
        const int inkTop = glyph.yOffset + glyph.height - first;
        const int inkBottom = glyph.yOffset + glyph.height - 1 - last;
        if (glyph.code == 'A') {
            EXPECT_EQ(signedAt(13), inkTop) << "ascent of A";
        }
        if (glyph.code == 'g') {
            EXPECT_EQ(signedAt(14), inkBottom) << "descent of g";
        }
        if (glyph.code == '(') {
            EXPECT_EQ(signedAt(15), inkTop);
            EXPECT_EQ(signedAt(16), inkBottom);
        }
    }
    U8g2Glyph a;
    ASSERT_TRUE(LookUp(font, 'A', a));
    ASSERT_TRUE(LookUp(font, 'z', a));
    ASSERT_TRUE(LookUp(font, '!', a));
    EXPECT_FALSE(LookUp(font, 0x263A, a));
}

// Worked out by hand from the strikes' BDF text (pcf2bdf): Terminus 12's 'A' is the rows
// 70 88 88 88 F8 88 88 88 of a 6 x 12 cell whose bottom row lies 2 below the baseline,
// with two blank rows above and below it; Unifont's is 18 24 24 42 42 7E 42 42 42 42 in
// an 8 x 16 cell, four blank rows above and two below.
TEST(FontU8g2, BitmapStrikesAreTrimmedToTheirInkAsU8g2sOwnToolsDo) {
    struct Box {
        char32_t code;
        int width, height, x, y, advance;
    };
    struct Case {
        const char* name;
        std::string font;
        int ascentA, descentG, ascentParen, descentParen;
        std::vector<Box> boxes;
    };
    const Case cases[] = {
        {"Terminus 12",
         kTerminus12Pcf,
         8,
         -2,
         8,
         0,
         {{'A', 5, 8, 0, 0, 6}, {'g', 5, 8, 0, -2, 6}, {'(', 3, 8, 1, 0, 6}, {' ', 0, 0, 0, 0, 6}}},
        {"Unifont",
         kUnifont,
         10,
         -2,
         11,
         -1,
         {{'A', 6, 10, 1, 0, 8}, {'g', 6, 11, 1, -2, 8}, {'(', 3, 12, 3, -1, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!Have(c.font)) {
            GTEST_SKIP() << c.font << " is not installed";
        }
        ScratchFolder folder;
        const Ran ran = Shell(
            folder, "$CLI font --quiet --format u8g2 --name f --chars 32-126 -o f.h " + c.font);
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        const std::vector<std::uint8_t> font = CompiledBytes(folder, "f.h", "f");
        ASSERT_GT(font.size(), 23U);
        const auto signedAt = [&font](std::size_t i) {
            return static_cast<int>(static_cast<std::int8_t>(font[i]));
        };
        EXPECT_EQ(signedAt(13), c.ascentA);
        EXPECT_EQ(signedAt(14), c.descentG);
        EXPECT_EQ(signedAt(15), c.ascentParen);
        EXPECT_EQ(signedAt(16), c.descentParen);
        for (const Box& box : c.boxes) {
            U8g2Glyph glyph;
            ASSERT_TRUE(LookUp(font, box.code, glyph));
            EXPECT_EQ(glyph.width, box.width) << static_cast<char>(box.code);
            EXPECT_EQ(glyph.height, box.height) << static_cast<char>(box.code);
            EXPECT_EQ(glyph.x, box.x) << static_cast<char>(box.code);
            EXPECT_EQ(glyph.y, box.y) << static_cast<char>(box.code);
            EXPECT_EQ(glyph.advance, box.advance) << static_cast<char>(box.code);
        }
    }
}

// The cells of the table packed here, independently: dot (x, y) of a cell is the BDF
// glyph's dot placed by its offsets under the font's ascent.
std::string PackedCells(const BdfFont& bdf, char32_t first, char32_t last, int width, int height,
                        bool rows, bool msb) {
    std::string bytes;
    for (const BdfGlyph& glyph : bdf.glyphs) {
        if (glyph.code < first || glyph.code > last) {
            continue;
        }
        std::vector<std::vector<bool>> cell(height, std::vector<bool>(width, false));
        const int top = bdf.ascent - (glyph.yOffset + glyph.height);
        for (int r = 0; r < glyph.height; ++r) {
            for (int col = 0; col < glyph.width; ++col) {
                const int x = glyph.xOffset + col;
                const int y = top + r;
                if (glyph.rows[r][col] == '#' && x >= 0 && x < width && y >= 0 && y < height) {
                    cell[y][x] = true;
                }
            }
        }
        if (rows) {
            for (int y = 0; y < height; ++y) {
                for (int x0 = 0; x0 < width; x0 += 8) {
                    int value = 0;
                    for (int i = 0; i < 8 && x0 + i < width; ++i) {
                        value |= cell[y][x0 + i] ? (msb ? 0x80 >> i : 1 << i) : 0;
                    }
                    bytes += static_cast<char>(value);
                }
            }
        } else {
            for (int page = 0; page < (height + 7) / 8; ++page) {
                for (int x = 0; x < width; ++x) {
                    int value = 0;
                    for (int i = 0; i < 8 && page * 8 + i < height; ++i) {
                        value |= cell[page * 8 + i][x] ? (msb ? 0x80 >> i : 1 << i) : 0;
                    }
                    bytes += static_cast<char>(value);
                }
            }
        }
    }
    return bytes;
}

struct TableCase {
    std::string name;
    std::string options;
    int width, height;
    bool rows, msb;
};

TEST(FontTable, EverySyntaxHoldsTheIndependentlyPackedCellsForItsConsumer) {
    if (!Have(kTerminusPcf)) {
        GTEST_SKIP() << "Terminus is not installed";
    }
    const TableCase cases[] = {
        {"8x16 pages lsb (default cell)", "", 8, 16, false, false},
        {"8x16 pages msb", "--bit-order msb", 8, 16, false, true},
        {"8x16 rows msb", "--layout rows", 8, 16, true, true},
        {"10x18 rows lsb", "--cell 10x18 --layout rows --bit-order lsb", 10, 18, true, false},
        {"9x20 pages", "--cell 9x20", 9, 20, false, false},
    };
    ScratchFolder fonts;
    const BdfFont bdf = BdfOf(fonts, kTerminusPcf);
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::string expected = PackedCells(bdf, 32, 126, c.width, c.height, c.rows, c.msb);
        for (const char* format : {"bin", "asm", "gas", "c", "arduino", "ihex", "db"}) {
            const Ran ran =
                Shell(folder, std::string("$CLI font --quiet --name t --format ") + format + " " +
                                  c.options + " --output-dir . " + kTerminusPcf);
            ASSERT_EQ(ran.exitCode, 0) << format << ": " << ran.err;
        }
        EXPECT_EQ(ReadFile(folder / "t.bin"), expected) << "bin";
        ASSERT_EQ(Shell(folder, "pasmo t.asm pasmo.bin").exitCode, 0);
        EXPECT_EQ(ReadFile(folder / "pasmo.bin"), expected) << "pasmo";
        ASSERT_EQ(Shell(folder, "z80asm -o z80.bin t.asm").exitCode, 0);
        EXPECT_EQ(ReadFile(folder / "z80.bin"), expected) << "z80asm";
        ASSERT_EQ(
            Shell(folder, "as -o t.o t.s && objcopy -O binary -j .rodata t.o gas.bin").exitCode, 0);
        EXPECT_EQ(ReadFile(folder / "gas.bin"), expected) << "as";
        ASSERT_EQ(Shell(folder, "objcopy -I ihex -O binary t.hex hex.bin").exitCode, 0);
        EXPECT_EQ(ReadFile(folder / "hex.bin"), expected) << "objcopy ihex";
        // t.h was written twice, c then arduino: both compile, the last is read here.
        WriteFile(folder / "dump.c",
                  "#include \"t.h\"\n#include <stdio.h>\nint main(void) { fwrite(t, 1, sizeof t,"
                  " stdout); return t_COUNT == 95 && t_FIRST == 32 && t_CELL_BYTES * t_COUNT =="
                  " sizeof t ? 0 : 1; }\n");
        ASSERT_EQ(Shell(folder, "gcc -std=c99 -Wall -Wextra -Werror -o dump dump.c").exitCode, 0);
        const Ran dumped = Shell(folder, "./dump");
        EXPECT_EQ(dumped.exitCode, 0);
        EXPECT_EQ(dumped.out, expected) << "arduino compiled";
        const SyntaxText db = ReadLcdHexText(ReadFile(folder / "t.txt"));
        EXPECT_EQ(std::string(db.bytes.begin(), db.bytes.end()), expected) << "db";
    }
}

TEST(FontTable, AFiveByEightCellIsTheColumnBytesOfAPageController) {
    // Terminus 12's capital A in a 6 x 12 cell, whose first page's column bytes a KS0108 or
    // SSD1306 takes as they are.
    if (!Have(kTerminus12Pcf)) {
        GTEST_SKIP() << "Terminus is not installed";
    }
    ScratchFolder folder;
    const BdfFont bdf = BdfOf(folder, kTerminus12Pcf);
    const Ran ran =
        Shell(folder, "$CLI font --stdout --format bin --chars 65 --cell 6x12 " + kTerminus12Pcf);
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.out, PackedCells(bdf, 65, 65, 6, 12, false, false));
    EXPECT_EQ(ran.out.size(), 12U);
}

struct Refusal {
    std::string name;
    std::string command;
    int exitCode;
    std::string message; // a part of the one line on standard error
};

TEST(FontRefusals, BadInputEndsInOneLineAndTheRightStatus) {
    ScratchFolder folder;
    WriteFile(folder / "not-a-font.ttf", std::string(4096, 'x'));
    WriteFile(folder / "truncated.ttf", ReadFile(kDejaVu).substr(0, 3000));
    WriteFile(folder / "huge.bdf",
              "STARTFONT 2.1\nFONT huge\nSIZE 16 75 75\nFONTBOUNDINGBOX 10000 10 0 0\n"
              "STARTPROPERTIES 2\nFONT_ASCENT 10\nFONT_DESCENT 0\nENDPROPERTIES\nCHARS 1\n"
              "STARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 10000 0\nBBX 10000 1 0 0\nBITMAP\n" +
                  std::string(2500, 'F') + "\nENDCHAR\nENDFONT\n");
    WriteFile(folder / "empty.bdf",
              "STARTFONT 2.1\nFONT empty\nSIZE 16 75 75\nFONTBOUNDINGBOX 8 16 0 -4\n"
              "STARTPROPERTIES 2\nFONT_ASCENT 12\nFONT_DESCENT 4\nENDPROPERTIES\nCHARS 0\n"
              "ENDFONT\n");
    const Refusal refusals[] = {
        {"malformed set", "$CLI font --chars 32-x " + kDejaVu, 2, "--chars"},
        {"reversed range", "$CLI font --chars 126-32 " + kDejaVu, 2, "--chars"},
        {"beyond Unicode", "$CLI font --chars 0x110000 " + kDejaVu, 2, "--chars"},
        {"xbm", "$CLI font --format xbm " + kDejaVu, 2, "xbm"},
        {"unknown format", "$CLI font --format png " + kDejaVu, 2, "--format"},
        {"cell with gfxfont", "$CLI font --cell 8x8 " + kDejaVu, 2, "--cell"},
        {"size zero", "$CLI font --size 0 " + kDejaVu, 2, "--size"},
        {"no font", "$CLI font", 2, "FONT"},
        {"two fonts to -o", "$CLI font -o x.h " + kDejaVu + " " + kDejaVu, 2, "-o"},
        {"standard input unnamed", "$CLI font - < " + kDejaVu, 2, "standard input"},
        {"no such strike", "$CLI font --size 13 --stdout " + kTerminusPcf, 1,
         "no 13-pixel strike, only 16"},
        {"not a font", "$CLI font --stdout not-a-font.ttf", 1, "not a font"},
        {"truncated", "$CLI font --stdout truncated.ttf", 1, "truncated.ttf"},
        {"no such file", "$CLI font --stdout missing.ttf", 1, "missing.ttf"},
        {"a glyph of 10,000 pixels", "$CLI font --stdout --chars 65 huge.bdf", 1, "huge.bdf"},
        {"a bitmap font with no glyph", "$CLI font --stdout empty.bdf", 1, "empty.bdf"},
        {"none of the characters", "$CLI font --stdout --chars 0x4E00 " + kTerminusPcf, 1,
         "none of the characters"},
        {"gfxfont past 65,535 bytes", "$CLI font --stdout --size 160 --chars 48-126 " + kDejaVu, 1,
         "65,535"},
        {"glyph outside its cell", "$CLI font --stdout --format c --cell 4x4 " + kDejaVu, 1,
         "does not fit the 4 x 4 cell"},
        {"u8g2 glyph past 255 bytes",
         "$CLI font --stdout --format u8g2 --size 110 --chars 87 " + kDejaVu, 1,
         "glyph U+0057 'W' takes 422 bytes; a u8g2 glyph holds at most 255"},
        // u8g2 reads each glyph's fields and the header's metrics into signed bytes.
        {"u8g2 advance past 127",
         "$CLI font --stdout --format u8g2 --size 130 --chars 87 " + kDejaVu, 1,
         "glyph U+0057 'W': its advance 129 is outside -128..127"},
        {"u8g2 width past 127", "$CLI font --stdout --format u8g2 --size 150 --chars 87 " + kDejaVu,
         1, "glyph U+0057 'W': its width 138 is outside 0..127"},
        {"u8g2 ascent of A past 127",
         "$CLI font --stdout --format u8g2 --size 200 --chars 46,65 " + kDejaVu, 1, "'A'"},
        {"u8g2 header ascent past 127",
         "$CLI font --stdout --format u8g2 --size 300 --chars 32 " + kDejaVu, 1,
         "the header's ascent of 'A' 279 is outside -128..127"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        const Ran ran = Shell(folder, r.command);
        EXPECT_EQ(ran.exitCode, r.exitCode) << ran.err;
        EXPECT_NE(ran.err.find(r.message), std::string::npos) << ran.err;
        if (r.exitCode == 1) {
            EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << ran.err;
            EXPECT_TRUE(ran.out.empty());
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "x.h"));
}

TEST(FontCommand, AFailedWriteIsOneLineAndLeavesNothing) {
    ScratchFolder folder;
    const Ran missingFolder = Shell(folder, "$CLI font -o no/such/folder/f.h " + kDejaVu);
    EXPECT_EQ(missingFolder.exitCode, 1);
    EXPECT_EQ(std::count(missingFolder.err.begin(), missingFolder.err.end(), '\n'), 1)
        << missingFolder.err;
    // A full device of the test's own, as standard output.
    if (Shell(folder, "mknod full c 1 7").exitCode != 0) {
        GTEST_SKIP() << "mknod is refused here; the full-device case is not run";
    }
    const Ran full = Shell(folder, "$CLI font --stdout " + kDejaVu + " > full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("standard output"), std::string::npos) << full.err;
    EXPECT_EQ(std::count(full.err.begin(), full.err.end(), '\n'), 1) << full.err;
}

TEST(FontCommand, MissingCharactersAreNamedAndSkipped) {
    ScratchFolder folder;
    const Ran ran =
        Shell(folder, "$CLI font --quiet --output-dir . --chars 65,0x4E00,0x4E01 " + kTerminusPcf);
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_EQ(ran.err, "pelmora-cli: U+4E00 is not in " + kTerminusPcf +
                           "\npelmora-cli: U+4E01 is not in " + kTerminusPcf + "\n");
    EXPECT_TRUE(std::filesystem::exists(folder / "ter_u16n_unicode_16.h"));

    const Ran wide = Shell(folder, "$CLI font --quiet --stdout --chars 32-0xFFFF " + kTerminusPcf);
    EXPECT_EQ(wide.exitCode, 0);
    EXPECT_EQ(std::count(wide.err.begin(), wide.err.end(), '\n'), 21) << wide.err;
    EXPECT_NE(wide.err.find(" more characters are not in "), std::string::npos);
}

TEST(FontCommand, NamesFilesAfterTheFontAndSizeAndReadsStandardInput) {
    ScratchFolder folder;
    std::filesystem::copy_file(kDejaVu, folder / "My Font.ttf");
    const Ran beside = Shell(folder, "$CLI font --size 12 'My Font.ttf'");
    EXPECT_EQ(beside.exitCode, 0) << beside.err;
    EXPECT_EQ(beside.out, "My_Font_12.h\n");
    EXPECT_TRUE(std::filesystem::exists(folder / "My_Font_12.h"));

    const Ran table = Shell(folder, "mkdir out && $CLI font --format asm --name big "
                                    "--output-dir out - < " +
                                        kDejaVu);
    EXPECT_EQ(table.exitCode, 0) << table.err;
    EXPECT_EQ(table.out, "out/big.asm\n");
    EXPECT_TRUE(std::filesystem::exists(folder / "out" / "big.asm"));

    WriteFile(folder / "chars.txt", "Hello, 12°C\n");
    const Ran chars = Shell(folder, "$CLI font --stdout --chars @chars.txt " + kDejaVu);
    EXPECT_EQ(chars.exitCode, 0) << chars.err;
    // H e l o , space 1 2 ° C: codes 32 to 0xB0.
    EXPECT_NE(chars.out.find(", 32, 176, "), std::string::npos);
    EXPECT_NE(chars.out.find("not in the font"), std::string::npos);
}

} // namespace
} // namespace pelmora::test
