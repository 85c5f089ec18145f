// Damaged fonts, made here from Debian's by patching their bytes or written whole, are
// refused naming the glyph, never drawn with dots missing; a font blank by design is drawn
// and said to be; show draws text only from a font that has its characters.

#include "support/shell.h"

#include "core/font/character_set.h"
#include "freetype/bdf_rows.h"
#include "freetype/font_raster.h"
#include "freetype/outline_tables.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>

namespace pelmora::test {
namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kTerminusPcf = "/usr/share/fonts/X11/misc/ter-u16n_unicode.pcf.gz";

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (24 - 8 * i) & 0xFF);
    }
}

// A TrueType file to damage: its table directory and its long loca offsets.
struct Sfnt {
    std::string bytes;

    std::size_t record(std::string_view tag) const {
        const std::size_t tables =
            static_cast<unsigned char>(bytes[4]) << 8 | static_cast<unsigned char>(bytes[5]);
        for (std::size_t i = 0; i < tables; ++i) {
            if (bytes.compare(12 + 16 * i, 4, tag) == 0) {
                return 12 + 16 * i;
            }
        }
        ADD_FAILURE() << "no " << tag << " table";
        return 0;
    }
    std::uint32_t offset(std::string_view tag) const { return Get32(bytes, record(tag) + 8); }
    std::uint32_t length(std::string_view tag) const { return Get32(bytes, record(tag) + 12); }
    void setOffset(std::string_view tag, std::uint32_t value) {
        Put32(bytes, record(tag) + 8, value);
    }
    void setLength(std::string_view tag, std::uint32_t value) {
        Put32(bytes, record(tag) + 12, value);
    }
    std::uint32_t loca(std::uint32_t glyph) const {
        return Get32(bytes, offset("loca") + 4 * glyph);
    }
    void setLoca(std::uint32_t glyph, std::uint32_t value) {
        Put32(bytes, offset("loca") + 4 * glyph, value);
    }
};

// The glyph FreeType maps the character to, asked of it directly.
std::uint32_t GlyphOf(const std::string& font, char32_t code) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::uint32_t glyph = 0;
    if (FT_Init_FreeType(&library) == 0) {
        if (FT_New_Face(library, font.c_str(), 0, &face) == 0) {
            glyph = FT_Get_Char_Index(face, code);
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
    }
    return glyph;
}

struct Damage {
    std::string name;
    std::string chars;
    std::function<void(Sfnt&)> damage;
    std::string message; // what follows "pelmora-cli: FILE: "
};

// Every way the outline tables were seen to be damaged gave 95 glyphs of no dot, or fewer
// dots than the font, with exit 0: now each is refused by the glyph it loses.
TEST(FontDamage, TrueTypeOutlinesOutsideTheirTablesAreRefusedNamingTheGlyph) {
    const Sfnt sound{ReadFile(kDejaVu)};
    ASSERT_EQ(Get32(sound.bytes, sound.offset("head") + 50) >> 16, 1U) << "long loca offsets";
    const std::uint32_t a = GlyphOf(kDejaVu, 'A');
    const std::uint32_t z = GlyphOf(kDejaVu, 'Z');
    ASSERT_GT(a, 0U);
    const auto size = static_cast<std::uint32_t>(sound.bytes.size());
    const std::string lost = "glyph U+0021 '!': its outline would be in the glyf table, which ";
    const Damage cases[] = {
        {"glyf missing", "32-126", [](Sfnt& f) { f.bytes.replace(f.record("glyf"), 4, "glyx"); },
         lost + "the font lacks"},
        {"glyf past the end of the file", "32-126",
         [size](Sfnt& f) { f.setOffset("glyf", size + 100); },
         lost + "lies past the end of the file"},
        {"glyf running past the end of the file", "32-126",
         [size](Sfnt& f) { f.setLength("glyf", size); }, lost + "lies past the end of the file"},
        {"loca entries absurd", "32-126",
         [](Sfnt& f) {
             for (std::uint32_t g = 0; g < 200; ++g) {
                 f.setLoca(g, 0xFFFFFFF0);
             }
         },
         "glyph 0 (no character maps to it): the loca table places its outline past the glyf "
         "table (bytes 4294967280 to 4294967280 of " +
             std::to_string(sound.length("glyf")) + ")"},
        {"loca backwards", "32-126", [a](Sfnt& f) { f.setLoca(a + 1, f.loca(a) - 4); },
         "glyph U+0041 'A': the loca table runs backwards at its outline (from byte " +
             std::to_string(sound.loca(a)) + " of the glyf table to " +
             std::to_string(sound.loca(a) - 4) + ")"},
        {"loca backwards at a glyph not asked for", "65",
         [z](Sfnt& f) { f.setLoca(z + 1, f.loca(z) - 4); },
         "glyph U+005A 'Z': the loca table runs backwards at its outline (from byte " +
             std::to_string(sound.loca(z)) + " of the glyf table to " +
             std::to_string(sound.loca(z) - 4) + ")"},
        {"loca past the glyf table", "32-126",
         [a](Sfnt& f) { f.setLoca(a + 1, f.length("glyf") + 4); },
         "glyph U+0041 'A': the loca table places its outline past the glyf table (bytes " +
             std::to_string(sound.loca(a)) + " to " + std::to_string(sound.length("glyf") + 4) +
             " of " + std::to_string(sound.length("glyf")) + ")"},
        {"loca table too short", "32-126", [a](Sfnt& f) { f.setLength("loca", 4 * (a + 1)); },
         "glyph U+0041 'A': its outline's end lies past the loca table, which has room for " +
             std::to_string(a) + " of the font's 6253 glyphs"},
        {"an outline FreeType cannot load", "32-126",
         [a](Sfnt& f) {
             // Contours whose end points run backwards.
             const std::size_t at = f.offset("glyf") + f.loca(a);
             f.bytes[at + 10] = '\x7F';
         },
         "FreeType cannot draw glyph U+0041 'A'"},
    };
    ScratchFolder folder;
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.name);
        Sfnt font = sound;
        c.damage(font);
        WriteFile(folder / "damaged.ttf", font.bytes);
        const Ran ran = Shell(folder, "$CLI font --stdout --chars " + c.chars + " damaged.ttf");
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(ran.err, "pelmora-cli: damaged.ttf: " + c.message + "\n");
        EXPECT_EQ(ran.out, "");
    }
}

struct CutCase {
    std::string name;
    std::string font;
    std::function<void(Sfnt&)> damage;
    std::string message; // what follows "pelmora-cli: damaged.ttf: "; empty: drawn, exit 0
};

// A file cut short kept its other tables and FreeType dropped the cut ones (a hinting
// program, the glyph names), exit 0 with other glyphs than the whole font's; without a
// character map FreeType made one of the glyphs' names, mapping some characters only.
TEST(FontDamage, AnSfntCutShortOrWithoutACharacterMapIsRefusedNamingTheTable) {
    const std::string mono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
    const std::string liberation =
        "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
    const std::string freeSans = "/usr/share/fonts/opentype/freefont/FreeSans.otf";
    const auto cutBy = [](int percent) {
        return [percent](Sfnt& f) {
            f.bytes.resize(f.bytes.size() * (100 - percent) / 100);
        };
    };
    const auto past = [](std::string_view table) {
        return "the font's '" + std::string(table) +
               "' table runs past the end of the file (it is cut short)";
    };
    const CutCase cases[] = {
        {"whole", mono, [](Sfnt&) {}, ""},
        // Its last table ends a byte before the file, which pads it.
        {"cut by its last padding byte", mono, [](Sfnt& f) { f.bytes.pop_back(); }, ""},
        {"cut into its last table by a byte", mono,
         [](Sfnt& f) { f.bytes.resize(f.bytes.size() - 2); }, past("prep")},
        {"cut by 1%, in the glyph names", mono, cutBy(1), past("post")},
        {"cut by 10%, in the font's names", mono, cutBy(10), past("name")},
        {"a table's length past the end", liberation,
         [](Sfnt& f) { f.setLength("prep", static_cast<std::uint32_t>(f.bytes.size())); },
         past("prep")},
        {"an OpenType CFF font cut by 1%, in its metrics", freeSans, cutBy(1), past("hmtx")},
        {"no character map", liberation,
         [](Sfnt& f) { f.bytes.replace(f.record("cmap"), 4, "cmaq"); },
         "the font has no character map (its cmap table)"},
        {"a character map of garbage records", liberation,
         [](Sfnt& f) {
             const std::size_t at = f.offset("cmap");
             const std::size_t records = static_cast<unsigned char>(f.bytes[at + 2]) << 8 |
                                         static_cast<unsigned char>(f.bytes[at + 3]);
             for (std::size_t i = 0; i < 8 * records; ++i) {
                 f.bytes[at + 4 + i] = static_cast<char>(0xA5 + 7 * i);
             }
         },
         "the font's character map (its cmap table) has no subtable that maps characters"},
        {"the character map past the end", liberation,
         [](Sfnt& f) { f.setOffset("cmap", static_cast<std::uint32_t>(f.bytes.size()) + 100); },
         past("cmap")},
    };
    ScratchFolder folder;
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (!std::filesystem::exists(c.font)) {
            GTEST_SKIP() << c.font << " is not installed (scripts/setup.sh installs it)";
        }
        Sfnt font{ReadFile(c.font)};
        c.damage(font);
        WriteFile(folder / "damaged.ttf", font.bytes);
        const Ran ran = Shell(folder, "$CLI font --chars 32-126 -o out.h damaged.ttf");
        EXPECT_EQ(ran.exitCode, c.message.empty() ? 0 : 1);
        EXPECT_EQ(ran.err,
                  c.message.empty() ? "" : "pelmora-cli: damaged.ttf: " + c.message + "\n");
        EXPECT_EQ(std::filesystem::exists(folder / "out.h"), c.message.empty());
        std::filesystem::remove(folder / "out.h");
    }
}

// The checks are held to every TrueType, OpenType and OTB font installed: none is refused.
TEST(FontDamage, EveryInstalledSfntIsWholeAndHasACharacterMap) {
    ScratchFolder folder;
    int fonts = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("/usr/share/fonts")) {
        const std::string type = entry.path().extension().string();
        if (type != ".ttf" && type != ".otf" && type != ".ttc" && type != ".otb") {
            continue;
        }
        const std::string bytes = ReadFile(entry.path());
        if (!IsSfnt(bytes)) {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        ++fonts;
        EXPECT_FALSE(FindCutSfntTable(bytes).found) << FindCutSfntTable(bytes).tag;
        EXPECT_NE(FindSfntTable(bytes, "cmap"), SfntTablePlace::NotListed);
        const Ran ran =
            Shell(folder, "$CLI font --stdout --chars 65 '" + entry.path().string() + "' > out.h");
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
    }
    EXPECT_GT(fonts, 0);
}

TEST(FontDamage, TheFileDirectoryTellsATableMissingFromOnePastTheEnd) {
    Sfnt font{ReadFile(kDejaVu)};
    EXPECT_EQ(FindSfntTable(font.bytes, "glyf"), SfntTablePlace::InTheFile);
    EXPECT_EQ(FindSfntTable(font.bytes, "CFF "), SfntTablePlace::NotListed);
    font.setLength("glyf", font.length("glyf") + 1'000'000);
    EXPECT_EQ(FindSfntTable(font.bytes, "glyf"), SfntTablePlace::PastTheEnd);
    // A collection lists its first font's tables at the offset its header gives.
    std::string collection = "ttcf" + std::string(12, '\0');
    Put32(collection, 12, 16);
    Put32(collection, 8, 1);
    font.setLength("glyf", font.length("glyf") - 1'000'000);
    EXPECT_EQ(FindSfntTable(collection + font.bytes, "glyf"), SfntTablePlace::InTheFile);
    EXPECT_EQ(FindSfntTable(font.bytes.substr(0, 20), "glyf"), SfntTablePlace::NotListed);
    EXPECT_EQ(FindSfntTable("ttcf", "glyf"), SfntTablePlace::NotListed);
    // A directory itself cut short is a cut of no table's name.
    for (const std::string& cut : {font.bytes.substr(0, 40), collection.substr(0, 14),
                                   collection + font.bytes.substr(0, 8)}) {
        EXPECT_TRUE(FindCutSfntTable(cut).found);
        EXPECT_EQ(FindCutSfntTable(cut).tag, "");
    }
    EXPECT_FALSE(FindCutSfntTable(collection + font.bytes).found);
    EXPECT_FALSE(FindCutSfntTable("STARTFONT 2.1\n").found);
}

// A font every outline of which is empty, as a placeholder font is, is drawn: blank, and
// said to be.
TEST(FontDamage, AFontBlankByDesignIsDrawnWithAWarning) {
    Sfnt font{ReadFile(kDejaVu)};
    for (std::uint32_t g = 0; g * 4 < font.length("loca"); ++g) {
        font.setLoca(g, 0);
    }
    RasterOptions options;
    for (char32_t code = 32; code < 127; ++code) {
        options.codes.push_back(code);
    }
    const RasterResult blank = RasteriseFont(font.bytes, options);
    EXPECT_EQ(blank.error, "");
    EXPECT_EQ(blank.set.glyphs.size(), 95U);
    EXPECT_EQ(blank.warning, "every glyph drawn is blank: the font holds no dot for them");
    const RasterResult whole = RasteriseFont(ReadFile(kDejaVu), options);
    EXPECT_EQ(whole.error, "");
    EXPECT_EQ(whole.warning, "");
    // Spaces alone are blank in any font.
    options.codes = {0x20, 0xA0, 0x2003};
    const RasterResult spaces = RasteriseFont(ReadFile(kDejaVu), options);
    EXPECT_EQ(spaces.error, "");
    EXPECT_EQ(spaces.set.glyphs.size(), 3U);
    EXPECT_EQ(spaces.warning, "");
}

// A tiny BDF of 'A' and 'B', 'A' in a box 6 dots wide so that its rows have padding bits.
std::string Bdf(const std::string& aHeader, const std::string& aRows, const std::string& aEnd) {
    return "STARTFONT 2.1\nFONT tiny\nSIZE 8 75 75\nFONTBOUNDINGBOX 6 8 0 0\n"
           "STARTPROPERTIES 2\nFONT_ASCENT 8\nFONT_DESCENT 0\nENDPROPERTIES\nCHARS 2\n"
           "STARTCHAR A\n" +
           aHeader + "SWIDTH 500 0\nDWIDTH 7 0\nBBX 6 8 0 0\nBITMAP\n" + aRows + aEnd +
           "STARTCHAR B\nENCODING 66\nSWIDTH 500 0\nDWIDTH 7 0\nBBX 6 8 0 0\nBITMAP\n"
           "F8\n84\n84\nF8\n84\n84\n84\nF8\nENDCHAR\nENDFONT\n";
}

const std::string kRowsOfA = "30\n48\n84\n84\nFC\n84\n84\n84\n";

std::string RowsOfAWith(const std::string& third) {
    return "30\n48\n" + third + "\n84\nFC\n84\n84\n84\n";
}

// The tiny BDF with 'A' moving the pen by another DWIDTH than 7 0.
std::string WithAdvance(const std::string& advance) {
    std::string font = Bdf("ENCODING 65\n", kRowsOfA, "ENDCHAR\n");
    return font.replace(font.find("DWIDTH 7 0"), 10, "DWIDTH " + advance);
}

struct BdfCase {
    std::string name;
    std::string font;
    std::string message; // empty: drawn, exit 0
};

// FreeType pads a short glyph, cuts a long one, reads a row that is no hex as it may and
// makes a negative advance 0: each of these gave other dots or widths than the font's.
TEST(FontDamage, BdfRowsThatDoNotFillTheirBoxAreRefusedNamingTheGlyph) {
    const std::string encoding = "ENCODING 65\n";
    const BdfCase cases[] = {
        {"sound", Bdf(encoding, kRowsOfA, "ENDCHAR\n"), ""},
        {"lower-case hex", Bdf(encoding, "30\n48\n84\n84\nfc\n84\n84\n84\n", "ENDCHAR\n"), ""},
        {"zero digits past the row", Bdf(encoding, RowsOfAWith("8400"), "ENDCHAR\n"), ""},
        {"comments and blank lines", Bdf(encoding, "COMMENT a\n\n" + kRowsOfA, "ENDCHAR\n"), ""},
        {"fewer rows than the box", Bdf(encoding, "30\n48\n84\n84\nFC\n84\n84\n", "ENDCHAR\n"),
         "glyph U+0041 'A': it has 7 rows where its box is 8 high"},
        {"no rows", Bdf(encoding, "", "ENDCHAR\n"),
         "glyph U+0041 'A': it has 0 rows where its box is 8 high"},
        {"more rows than the box", Bdf(encoding, kRowsOfA + "84\n", "ENDCHAR\n"),
         "glyph U+0041 'A': it has more rows than its box is high (8)"},
        {"a row that is no hex", Bdf(encoding, RowsOfAWith("8G"), "ENDCHAR\n"),
         "glyph U+0041 'A': its row 3 is not hex (8G)"},
        {"a row too short", Bdf(encoding, RowsOfAWith("8"), "ENDCHAR\n"),
         "glyph U+0041 'A': its row 3 has 1 hex digit, where its 6-dot width needs 2"},
        {"dots in the padding bits", Bdf(encoding, RowsOfAWith("FF"), "ENDCHAR\n"),
         "glyph U+0041 'A': its row 3 has dots right of its 6-dot box"},
        {"dots in digits past the row", Bdf(encoding, RowsOfAWith("8401"), "ENDCHAR\n"),
         "glyph U+0041 'A': its row 3 has dots right of its 6-dot box"},
        {"no advance", WithAdvance("0 0"), ""},
        {"a negative advance", WithAdvance("-6 0"),
         "glyph U+0041 'A': its advance is negative (DWIDTH -6 0)"},
        {"a glyph of no code", Bdf("ENCODING -1\n", "30\n", "ENDCHAR\n"),
         "the glyph named A: it has 1 rows where its box is 8 high"},
        {"CR LF lines, a row short",
         [&encoding] {
             std::string font = Bdf(encoding, RowsOfAWith("8"), "ENDCHAR\n");
             for (std::size_t at = font.find('\n'); at != std::string::npos;
                  at = font.find('\n', at + 2)) {
                 font.insert(at, "\r");
             }
             return font;
         }(),
         "glyph U+0041 'A': its row 3 has 1 hex digit, where its 6-dot width needs 2"},
    };
    ScratchFolder folder;
    for (const BdfCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(folder / "tiny.bdf", c.font);
        const Ran ran = Shell(folder, "$CLI font --stdout --chars 65-66 tiny.bdf");
        EXPECT_EQ(ran.exitCode, c.message.empty() ? 0 : 1);
        EXPECT_EQ(ran.err, c.message.empty() ? "" : "pelmora-cli: tiny.bdf: " + c.message + "\n");
        const BdfFault fault = CheckBdfRows(c.font);
        EXPECT_EQ(fault.found, !c.message.empty());
    }
    // Refused by FreeType before any row is read; one line all the same.
    for (const std::string& broken :
         {Bdf(encoding, kRowsOfA, ""), Bdf(encoding, "", "") + "STARTCHAR C\n"}) {
        WriteFile(folder / "broken.bdf", broken);
        const Ran ran = Shell(folder, "$CLI font --stdout --chars 65-66 broken.bdf");
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << ran.err;
        EXPECT_TRUE(CheckBdfRows(broken).found);
    }
}

// The check is held to BDF as a tool of the X fonts writes it: every glyph of Terminus
// and Unifont passes.
TEST(FontDamage, TheBdfOfInstalledBitmapFontsPasses) {
    ScratchFolder folder;
    for (const std::string& font :
         {kTerminusPcf, std::string("/usr/share/fonts/X11/misc/unifont.pcf.gz")}) {
        if (!std::filesystem::exists(font)) {
            GTEST_SKIP() << font << " is not installed (scripts/setup.sh installs it)";
        }
        SCOPED_TRACE(font);
        const Ran bdf = Shell(folder, "zcat -f " + font + " > font.pcf && pcf2bdf font.pcf");
        ASSERT_EQ(bdf.exitCode, 0) << bdf.err;
        const BdfFault fault = CheckBdfRows(bdf.out);
        EXPECT_FALSE(fault.found) << fault.code << " " << fault.reason;
    }
}

struct ShowCase {
    std::string name;
    std::string line;
    std::string message;
};

// show --text drew a picture's panel or a text of none of the font's characters as
// nothing, exit 0.
TEST(FontDamage, ShowTextRefusesAFileThatIsNoFontAndTextOfNoneOfItsCharacters) {
    ScratchFolder folder;
    WriteFile(folder / "picture.bmp", EncodeBmp(MakePicture([](int x, int y) { return x == y; })));
    for (const char* format : {"asm", "c", "gas"}) {
        const Ran made = Shell(folder, "$CLI convert --format " + std::string(format) +
                                           " --stdout picture.bmp > picture." + format);
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    ASSERT_EQ(
        Shell(folder, "$CLI font --stdout --chars 32-126 " + kTerminusPcf + " > f.h").exitCode, 0);
    const std::string noFont = ": no font: its cells name no character, as a picture's panel "
                               "does (--cell reads it as a table of cells)";
    const ShowCase cases[] = {
        {"a picture in asm", "$CLI show --text Hi picture.asm", "picture.asm" + noFont},
        {"a picture in C", "$CLI show --text ' ' picture.c", "picture.c" + noFont},
        {"a picture in gas, told its format", "$CLI show --format gas --text Hi picture.gas",
         "picture.gas" + noFont},
        {"a BMP", "$CLI show --text Hi picture.bmp", ""},
        {"none of the characters", "$CLI show --text '\xE4\xB8\xAD\xE6\x96\x87' f.h",
         "f.h: the font has none of the characters of the text"},
        {"none, drawn as a picture", "$CLI show --text '\xE4\xB8\xAD' --png t.png f.h",
         "f.h: the font has none of the characters of the text"},
        {"a surrogate", "$CLI show --text \"$(printf 'A\\355\\240\\200')\" f.h",
         "--text: U+D800 at offset 1 is a surrogate, no character"},
    };
    for (const ShowCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Ran ran = Shell(folder, c.line);
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(ran.out, "");
        EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << ran.err;
        if (!c.message.empty()) {
            EXPECT_EQ(ran.err, "pelmora-cli: " + c.message + "\n");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "t.png"));
    // A picture's panel is still a font where its cell is given.
    EXPECT_EQ(Shell(folder, "$CLI show --text ' ' --cell 128x64 picture.asm").exitCode, 0);
    const Ran lines = Shell(folder, "$CLI show --text '\n\n' f.h");
    EXPECT_EQ(lines.exitCode, 1);
    EXPECT_EQ(lines.err,
              "pelmora-cli: --text: the text holds only line feeds, no character to draw\n");
}

// What font says of a --chars file it cannot read and of a font blank by design, as it
// says of any file: the file's system reason, exit 1; a warning, exit 0.
TEST(FontDamage, TheCommandLineSaysWhatTheSetAndTheRasteriserFound) {
    ScratchFolder folder;
    Sfnt blank{ReadFile(kDejaVu)};
    for (std::uint32_t g = 0; g * 4 < blank.length("loca"); ++g) {
        blank.setLoca(g, 0);
    }
    WriteFile(folder / "blank.ttf", blank.bytes);
    WriteFile(folder / "surrogate.txt", "AB\xED\xA0\x80");
    const Ran missing = Shell(folder, "$CLI font --stdout --chars @missing.txt " + kDejaVu);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "pelmora-cli: missing.txt: No such file or directory\n");
    const Ran drawn = Shell(folder, "$CLI font --stdout blank.ttf");
    EXPECT_EQ(drawn.exitCode, 0);
    EXPECT_EQ(
        drawn.err,
        "pelmora-cli: blank.ttf: every glyph drawn is blank: the font holds no dot for them\n");
    const Ran number = Shell(folder, "$CLI font --stdout --chars 0xD800 " + kDejaVu);
    const Ran inFile = Shell(folder, "$CLI font --stdout --chars @surrogate.txt " + kDejaVu);
    EXPECT_EQ(number.err.substr(0, number.err.find('\n')),
              "pelmora-cli: --chars 0xD800: U+D800 is a surrogate, no character");
    EXPECT_EQ(
        inFile.err.substr(0, inFile.err.find('\n')),
        "pelmora-cli: --chars @surrogate.txt: U+D800 at offset 2 is a surrogate, no character");
}

struct SetCase {
    std::string name;
    std::string set; // @chars.txt reads the file below
    CharacterSetProblem problem;
    std::string reason; // CharacterSetReason
};

// A surrogate is no character, by its number or in a file, said the same way; a range
// across them names the characters on either side.
TEST(FontDamage, ASurrogateIsNoCharacterByNumberOrInAFile) {
    ScratchFolder folder;
    WriteFile(folder / "surrogate.txt", "AB\xED\xA0\x80");
    WriteFile(folder / "latin1.txt", "caf\xE9");
    WriteFile(folder / "empty.txt", "\n\t\n");
    const std::string at = (folder / "").string();
    const SetCase cases[] = {
        {"a surrogate", "0xD800", CharacterSetProblem::Malformed,
         "--chars 0xD800: U+D800 is a surrogate, no character"},
        {"U+ spelling, in a list", "65,U+DFFF", CharacterSetProblem::Malformed,
         "--chars 65,U+DFFF: U+DFFF is a surrogate, no character"},
        {"a range ending on one", "0xD700-0xD800", CharacterSetProblem::Malformed,
         "--chars 0xD700-0xD800: U+D800 is a surrogate, no character"},
        {"in a file", "@" + at + "surrogate.txt", CharacterSetProblem::NotUtf8,
         "--chars @" + at + "surrogate.txt: U+D800 at offset 2 is a surrogate, no character"},
        {"a file not UTF-8", "@" + at + "latin1.txt", CharacterSetProblem::NotUtf8,
         "--chars @" + at + "latin1.txt: not UTF-8 at offset 3"},
        {"a missing file", "@" + at + "missing.txt", CharacterSetProblem::Unreadable,
         "No such file or directory"},
        {"malformed", "32-x", CharacterSetProblem::Malformed,
         "--chars takes code points and ranges such as 32-126,0xB0, or @FILE"},
        {"a file of no character", "@" + at + "empty.txt", CharacterSetProblem::Empty,
         "--chars @" + at + "empty.txt names no character"},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CharacterSet set = ParseCharacterSet(c.set);
        EXPECT_EQ(set.problem, c.problem);
        EXPECT_TRUE(set.codes.empty());
        if (!c.reason.empty()) {
            EXPECT_EQ(CharacterSetReason(set, c.set), c.reason);
        }
    }
    const CharacterSet across = ParseCharacterSet("0xD7FF-0xE000");
    EXPECT_EQ(across.problem, CharacterSetProblem::None);
    EXPECT_EQ(across.codes, (std::vector<char32_t>{0xD7FF, 0xE000}));
    // By number or in a file, a surrogate is the same kind of refusal on the command line.
    for (const std::string& set : {std::string("0xD800"), std::string("@surrogate.txt")}) {
        const Ran ran = Shell(folder, "$CLI font --stdout --chars " + set + " " + kDejaVu);
        EXPECT_EQ(ran.exitCode, 2) << set;
    }
}

} // namespace
} // namespace pelmora::test
