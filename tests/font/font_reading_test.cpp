// Reading back what pelmora-cli font writes, for show: every kind of font file gives the
// font's own glyphs, text is drawn as FreeType would, and hostile files are refused.

#include "reference.h"
#include "support/shell.h"

#include "core/font/font_drawing.h"
#include "core/font/u8g2_font.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pelmora::test {
namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kTerminus = "/usr/share/fonts/X11/misc/ter-u16n_unicode.pcf.gz";

std::string Written(const ScratchFolder& folder, const std::string& options,
                    const std::string& font) {
    const Ran ran = Shell(folder, "$CLI font --stdout " + options + " " + font);
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    return ran.out;
}

Dots DotsOf(const DrawnText& drawn) {
    Dots dots;
    for (int y = 0; y < drawn.picture.height; ++y) {
        for (int x = 0; x < drawn.picture.width; ++x) {
            if (drawn.picture.at(x, y)) {
                dots.insert({x - drawn.penX, y - drawn.baseline});
            }
        }
    }
    return dots;
}

struct ReadCase {
    std::string name;
    std::string options;
    std::string format; // as show would be told; empty: from the content
};

TEST(FontReading, EveryKindOfFontFileDrawsTextAsFreeTypeDoes) {
    if (!std::filesystem::exists(kTerminus)) {
        GTEST_SKIP() << "Terminus is not installed";
    }
    const std::u32string text = U"Hello, 12\u00B0C";
    const ReadCase cases[] = {
        {"gfxfont", "--format gfxfont --chars 32-126,0xB0", ""},
        {"u8g2", "--format u8g2 --chars 32-126,0xB0", ""},
        {"u8g2 told", "--format u8g2 --chars 32-126,0xB0,0x2022", "u8g2"},
    };
    for (const std::string& font : {kDejaVu, kTerminus}) {
        for (const ReadCase& c : cases) {
            SCOPED_TRACE(font + " " + c.name);
            ScratchFolder folder;
            const FontRead read = ReadFontData(Written(folder, c.options, font), c.format, {});
            ASSERT_EQ(read.error, "");
            const DrawnText drawn = DrawFontText(read.set, "Hello, 12\u00B0C");
            ASSERT_EQ(drawn.error, "");
            EXPECT_TRUE(drawn.missing.empty());
            EXPECT_EQ(DotsOf(drawn), FreeTypeLine(font, 16, "normal", text));
        }
    }
}

// pelmora-cli show draws a font file's text with the same dots as its reader, from a file
// or from standard input, and writes it as a picture.
TEST(FontReading, ShowDrawsTheTextAsTheReaderDoesFromAFileOrStandardInput) {
    ScratchFolder folder;
    for (const std::string format : {"gfxfont", "u8g2"}) {
        SCOPED_TRACE(format);
        const std::string written = Written(folder, "--format " + format, kDejaVu);
        WriteFile(folder / "font.h", written);
        const GlyphSet set = ReadFontData(written, "", {}).set;
        const DrawnText drawn = DrawFontText(set, "Hi 42");
        // Text that is no UTF-8 is refused, not drawn as the characters it would spell:
        // cut, overlong (a slash in two bytes), a surrogate, past U+10FFFF.
        const std::pair<const char*, const char*> broken[] = {
            {"Hi \xC3", "not UTF-8 at offset 3"},
            {"Hi \xC0\xAF", "not UTF-8 at offset 3"},
            {"Hi \xED\xA0\x80", "U+D800 at offset 3 is a surrogate, no character"},
            {"\xF4\x90\x80\x80", "not UTF-8 at offset 0"},
        };
        for (const auto& [text, reason] : broken) {
            EXPECT_EQ(DrawFontText(set, text).error, reason) << text;
        }
        std::string expected;
        for (int y = 0; y < drawn.picture.height; ++y) {
            for (int x = 0; x < drawn.picture.width; ++x) {
                expected += drawn.picture.at(x, y) ? '#' : '.';
            }
            expected += '\n';
        }
        for (const std::string& line : {std::string("$CLI show --text 'Hi 42' font.h"),
                                        std::string("$CLI show --text 'Hi 42' - < font.h")}) {
            const Ran shown = Shell(folder, line);
            EXPECT_EQ(shown.exitCode, 0) << shown.err;
            EXPECT_EQ(shown.out, expected) << line;
        }
        const Ran bmp = Shell(folder, "$CLI show --text 'Hi 42' --bmp text.bmp font.h");
        EXPECT_EQ(bmp.exitCode, 0) << bmp.err;
        EXPECT_TRUE(std::filesystem::exists(folder / "text.bmp"));
        EXPECT_EQ(Shell(folder, "$CLI show --bmp glyphs.bmp font.h").exitCode, 2);
    }
}

TEST(FontReading, TablesGiveBackTheirCellsWithTheCodesTheyName) {
    if (!std::filesystem::exists(kTerminus)) {
        GTEST_SKIP() << "Terminus is not installed";
    }
    ScratchFolder folder;
    const std::string options = "--chars 48-57,0x2022 --cell 8x16";
    for (const char* format : {"c", "asm", "gas", "arduino", "db"}) {
        SCOPED_TRACE(format);
        // DB lines state no cell; the others' geometry line wins over the one given.
        const FontRead read = ReadFontData(
            Written(folder, options + " --format " + format, kTerminus), "",
            std::string(format) == "db"
                ? PanelLayout{.width = 8, .height = 16, .arrangement = Arrangement::Pages}
                : PanelLayout{.width = 3, .height = 3, .arrangement = Arrangement::Pages});
        ASSERT_EQ(read.error, "");
        ASSERT_EQ(read.set.glyphs.size(), 11U);
        // db names no character: its cells count up from the space.
        const bool named = std::string(format) != "db";
        EXPECT_EQ(read.set.glyphs.front().code, named ? U'0' : U' ');
        EXPECT_EQ(read.set.glyphs.back().code, named ? U'\u2022' : U'*');
        if (named) {
            EXPECT_EQ(read.set.glyphs[1].dots.width, 8);
            EXPECT_EQ(read.set.glyphs[1].dots.height, 16);
        }
    }
    // A raw table states no cell: show is told it, or refuses.
    const std::string bin = Written(folder, options + " --format bin", kTerminus);
    EXPECT_NE(ReadFontData(bin, "bin", std::nullopt).error, "");
    PanelLayout cell{.width = 8, .height = 16, .arrangement = Arrangement::Pages};
    const FontRead read = ReadFontData(bin, "bin", cell);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.set.glyphs.size(), 11U);
    const FontRead c = ReadFontData(Written(folder, options + " --format c", kTerminus), "", {});
    ASSERT_EQ(c.set.glyphs.size(), read.set.glyphs.size());
    for (std::size_t i = 0; i < c.set.glyphs.size(); ++i) {
        EXPECT_EQ(c.set.glyphs[i].dots.dots, read.set.glyphs[i].dots.dots) << i;
    }
}

TEST(FontReading, ListingNamesEveryGlyphWithItsMetrics) {
    ScratchFolder folder;
    const FontRead read = ReadFontData(Written(folder, "--chars 65", kTerminus), "", {});
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(ListGlyphs(read.set, '#', '.'),
              "U+0041 'A': 8 x 16 dots, left 0, top 12, advance 8\n"
              "........\n........\n..####..\n.#....#.\n.#....#.\n.#....#.\n.#....#.\n"
              ".######.\n.#....#.\n.#....#.\n.#....#.\n.#....#.\n........\n........\n"
              "........\n........\n");
}

TEST(FontReading, AU8g2FontWrittenAsAStringLiteralReadsTheSame) {
    ScratchFolder folder;
    const std::string text = Written(folder, "--format u8g2 --chars 32-126,0x2022", kTerminus);
    const FontRead braces = ReadFontData(text, "", {});
    ASSERT_EQ(braces.error, "");
    // As u8g2's own fonts are written: octal escapes in adjacent literals.
    std::string literal = "const uint8_t f[] U8G2_FONT_SECTION(\"f\") = \n  \"";
    const U8g2Bytes bytes = EncodeU8g2Font(braces.set);
    for (std::size_t i = 0; i < bytes.bytes.size(); ++i) {
        const int b = bytes.bytes[i];
        literal +=
            b >= 0x20 && b < 0x7F && b != '"' && b != '\\' && !(b >= '0' && b <= '7')
                ? std::string(1, static_cast<char>(b))
                : "\\" + std::to_string(b / 64) + std::to_string(b / 8 % 8) + std::to_string(b % 8);
        if (i % 40 == 39) {
            literal += "\"\n  \"";
        }
    }
    literal += "\";\n";
    const FontRead read = ReadFontData(literal, "u8g2", {});
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.set.glyphs.size(), braces.set.glyphs.size());
    for (std::size_t i = 0; i < read.set.glyphs.size(); ++i) {
        EXPECT_EQ(read.set.glyphs[i].dots.dots, braces.set.glyphs[i].dots.dots);
        EXPECT_EQ(read.set.glyphs[i].advance, braces.set.glyphs[i].advance);
    }
}

struct Hostile {
    std::string name;
    std::string text;
    std::string format;
};

std::string U8g2Text(std::vector<std::uint8_t> bytes) {
    std::string text = "const uint8_t f[] U8G2_FONT_SECTION(\"f\") = {";
    for (const std::uint8_t b : bytes) {
        text += std::to_string(b) + ",";
    }
    return text + "};";
}

TEST(FontReading, HostileFilesAreRefusedWithAReason) {
    GlyphSet one;
    Glyph glyph;
    glyph.code = 'A';
    glyph.dots = MonoPicture(3, 3);
    glyph.dots.set(1, 1, true);
    glyph.top = 3;
    glyph.advance = 4;
    one.glyphs.push_back(glyph);
    const std::vector<std::uint8_t> good = EncodeU8g2Font(one).bytes;
    ASSERT_EQ(DecodeU8g2Font(good).error, "");
    std::vector<std::uint8_t> wideFields = good;
    wideFields[4] = 40;
    std::vector<std::uint8_t> bigGlyph = good;
    bigGlyph[4] = 16;
    bigGlyph[5] = 16;
    bigGlyph.insert(bigGlyph.begin() + 25, {0xFF, 0xFF, 0xFF, 0xFF});
    bigGlyph[24] = 10;
    std::vector<std::uint8_t> pastEnd = good;
    pastEnd[24] = 200;
    const std::string gfxStart = "const uint8_t b[] = {0xFF};\nconst GFXglyph g[] = {";
    const std::string gfxEnd = "};\nconst GFXfont f = {(uint8_t *)b, (GFXglyph *)g, 65, 65, 8};\n";
    const Hostile cases[] = {
        {"u8g2 cut in the header", U8g2Text({good.begin(), good.begin() + 10}), "u8g2"},
        {"u8g2 cut in a glyph", U8g2Text({good.begin(), good.begin() + 26}), "u8g2"},
        {"u8g2 field 40 bits wide", U8g2Text(wideFields), "u8g2"},
        {"u8g2 glyph jumping past the end", U8g2Text(pastEnd), "u8g2"},
        {"u8g2 glyph of 65,535 x 65,535", U8g2Text(bigGlyph), "u8g2"},
        {"u8g2 value above a byte", "const uint8_t f[] U8G2_FONT_SECTION(\"f\") = {300};", "u8g2"},
        {"u8g2 unclosed string", "const uint8_t f[] = \"\\027", "u8g2"},
        {"gfxfont record past the bitmap", gfxStart + "{0, 8, 8, 8, 0, -8}" + gfxEnd, ""},
        {"gfxfont record out of its type", gfxStart + "{0, 300, 1, 8, 0, -8}" + gfxEnd, ""},
        {"gfxfont fewer records than codes",
         gfxStart + "{0, 1, 1, 8, 0, -8}" +
             "};\nconst GFXfont f = {(uint8_t *)b, (GFXglyph *)g, 65, 90, 8};\n",
         ""},
        {"gfxfont number beyond 32 bits", gfxStart + "{0, 99999999999, 1, 8, 0, -8}" + gfxEnd, ""},
        {"gfxfont unclosed comment", gfxStart + "/* {0, 1, 1, 8, 0, -8}" + gfxEnd, ""},
        {"gfxfont without its font record", gfxStart + "{0, 1, 1, 8, 0, -8}};", "gfxfont"},
        {"table of a partial cell", "/* pelmora-panel: 8x8 pages 8 lsb */\nx:\n DB 1,2,3\n", "asm"},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        const FontRead read = ReadFontData(c.text, c.format, std::nullopt);
        EXPECT_NE(read.error, "");
        EXPECT_EQ(read.error.find('\n'), std::string::npos);
        EXPECT_TRUE(read.set.glyphs.empty());
    }
}

} // namespace
} // namespace pelmora::test
