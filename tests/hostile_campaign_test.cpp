// A hostile campaign against pelmora-cli, grouped by class: outputs that would land on an
// input through links, `..` and symlinked folders; dependency files with the characters
// Make and Ninja escape; damaged PNG chunk lengths and GIF screens; and inputs a user may
// not read. Each refused case is exit 1 (2 for a misuse), one line naming its subject, an
// empty standard output, and the folder exactly as it was.

#include "support/shell.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;

std::string SomeBmp() {
    return EncodeBmp(MakePicture([](int x, int y) { return (x + 2 * y) % 5 == 0; }));
}

std::string Little16(int value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

// A GIF of the screen given, whose one frame is given; no trailer unless asked.
std::string Gif(int screenWidth, int screenHeight, const std::string& frame) {
    return "GIF89a" + Little16(screenWidth) + Little16(screenHeight) + std::string("\x81\0\0", 3) +
           std::string("\0\0\0\xff\xff\xff\x80\x80\x80\x40\x40\x40", 12) + frame + ";";
}

std::string Descriptor(int x, int y, int width, int height, char flags = 0) {
    return "," + Little16(x) + Little16(y) + Little16(width) + Little16(height) +
           std::string(1, flags);
}

// A GIF of one dot on a 16 x 16 screen, which every frames run reads without a helper.
std::string OneDotGif() {
    return Gif(16, 16, Descriptor(0, 0, 1, 1) + std::string("\x02\x02\x44\x01\x00", 5));
}

// Every file under the folder with its bytes, links as their targets.
std::vector<std::pair<std::string, std::string>> Contents(const ScratchFolder& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        const std::string name = entry.path().lexically_relative(folder.path()).string();
        if (entry.is_symlink()) {
            files.emplace_back(name, "-> " + fs::read_symlink(entry.path()).string());
        } else if (entry.is_regular_file()) {
            files.emplace_back(name, ReadFile(entry.path()));
        } else {
            files.emplace_back(name, "(folder)");
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

struct Refused {
    const char* name;
    std::string setup;    // shell commands run first in the folder
    std::string command;  // the run that must be refused
    int exitCode;         // 1, or 2 for a misuse
    std::string expected; // the one line of standard error begins so
};

void ExpectRefused(const Refused& row) {
    SCOPED_TRACE(row.name);
    ScratchFolder folder;
    WriteFile(folder / "a.bmp", SomeBmp());
    WriteFile(folder / "tiny.bdf", std::string(kTinyBdf));
    WriteFile(folder / "chars.txt", "AB");
    fs::create_directories(folder / "art");
    WriteFile(folder / "art/b.bmp", SomeBmp());
    WriteFile(folder / "a.gif", OneDotGif());
    WriteFile(folder / "art/b.gif", OneDotGif());
    if (!row.setup.empty()) {
        ASSERT_EQ(Shell(folder, row.setup).exitCode, 0);
    }
    const auto before = Contents(folder);
    const Ran ran = Shell(folder, row.command);
    EXPECT_EQ(ran.exitCode, row.exitCode) << ran.err;
    EXPECT_EQ(ran.out, "");
    const std::vector<std::string> lines = Lines(ran.err);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines[0].starts_with(row.expected)) << lines[0];
    if (row.exitCode == 1) {
        EXPECT_EQ(lines.size(), 1u) << ran.err;
    }
    EXPECT_EQ(Contents(folder), before) << "a refused run wrote";
}

constexpr const char* kManifestHead = "printf '[output]\\nheader = \"%s\"\\n%b[[image]]\\nname = "
                                      "\"b\"\\nfile = \"art/b.bmp\"\\n' ";

// A manifest whose header (and source, when given) are as named.
std::string Manifest(const std::string& header, const std::string& source = "") {
    const std::string sourceLine = source.empty() ? "" : "source = \\\"" + source + "\\\"\\n";
    return std::string(kManifestHead) + "'" + header + "' \"" + sourceLine + "\" > m.toml";
}

TEST(HostileCampaignPaths, AnOutputOnAnInputIsRefusedHoweverItIsReached) {
    const std::vector<Refused> cases = {
        {"header through a symlinked folder and ..",
         "ln -s art link && " + Manifest("link/../art/b.bmp"), "\"$CLI\" build m.toml", 1,
         "m.toml:2:1: header link/../art/b.bmp would replace art/b.bmp"},
        {"header ./ through a symlinked folder", "ln -s art link && " + Manifest("./link/b.bmp"),
         "\"$CLI\" build m.toml", 1, "m.toml:2:1: header ./link/b.bmp would replace art/b.bmp"},
        {"source the header through a symlinked folder and ..",
         "ln -s art link && " + Manifest("x.h", "link/../x.h"), "\"$CLI\" build m.toml", 1,
         "m.toml:3:1: source link/../x.h is the same file as the header x.h"},
        {"source a hard link of the picture", "ln art/b.bmp h.bmp && " + Manifest("x.h", "h.bmp"),
         "\"$CLI\" build m.toml", 1, "m.toml:3:1: source h.bmp would replace art/b.bmp"},
        {"header the manifest itself", Manifest("m.toml"), "\"$CLI\" build m.toml", 1,
         "m.toml:2:1: header m.toml would replace m.toml"},
        {"source the state file", Manifest("x.h", ".x.h.pelmora-state"), "\"$CLI\" build m.toml", 1,
         "m.toml:2:1: the state file .x.h.pelmora-state is the same file as the source"},
        {"a relative header climbing out of --output-dir by sub/../..",
         "mkdir out && " + Manifest("sub/../../e.h"), "\"$CLI\" build --output-dir out m.toml", 1,
         "m.toml:2:1: header sub/../../e.h: climbs out of --output-dir out"},
        {"font -o a hard link of the font", "ln tiny.bdf h.bdf",
         "\"$CLI\" font --chars 65-66 -o h.bdf tiny.bdf", 1,
         "pelmora-cli: h.bdf: the result would replace tiny.bdf itself"},
        {"font -o through sub/..", "mkdir sub",
         "\"$CLI\" font --chars 65-66 -o sub/../tiny.bdf tiny.bdf", 1,
         "pelmora-cli: sub/../tiny.bdf: the result would replace tiny.bdf itself"},
        {"font -o a link to the --chars file", "ln -s chars.txt l.txt",
         "\"$CLI\" font --chars @chars.txt -o l.txt tiny.bdf", 1,
         "pelmora-cli: l.txt: the result would replace chars.txt, which this run reads"},
        {"convert --frames -o its second picture", "",
         "\"$CLI\" convert --frames --format c -o art/b.gif a.gif art/b.gif", 1,
         "pelmora-cli: a.gif: the result would replace art/b.gif, which this run reads"},
        {"show --png a hard link of its file",
         "\"$CLI\" convert --quiet a.bmp && ln lcd_a.txt h.txt",
         "\"$CLI\" show --png h.txt lcd_a.txt", 1,
         "pelmora-cli: h.txt: the result would replace lcd_a.txt itself"},
        {"show --gif over its own frames file",
         "\"$CLI\" convert --quiet --frames --format c -o f.h a.gif art/b.gif",
         "\"$CLI\" show --gif f.h f.h", 1, "pelmora-cli: f.h: the result would replace f.h itself"},
        {"font --output-dir, one result a dangling link to the other's",
         "mkdir od && cp tiny.bdf b.bdf && ln -s b_6.h od/tiny_6.h",
         "\"$CLI\" font --chars 65-66 --output-dir od tiny.bdf b.bdf", 1,
         "pelmora-cli: od/b_6.h: the result would replace od/b_6.h, written from tiny.bdf"},
        {"font -o the file given as standard input", "",
         "\"$CLI\" font --chars 65-66 -o tiny.bdf - < tiny.bdf", 1,
         "pelmora-cli: tiny.bdf: the result would replace standard input itself"},
        {"show --png the file given as standard input", "\"$CLI\" convert --quiet a.bmp",
         "\"$CLI\" show --png lcd_a.txt - < lcd_a.txt", 1,
         "pelmora-cli: lcd_a.txt: the result would replace standard input itself"},
        {"font --chars @ naming no file", "", "\"$CLI\" font --chars @ -o t.h tiny.bdf", 2,
         "pelmora-cli: --chars @ names no file"},
        {"show --gif of a picture's text, which holds no delays", "\"$CLI\" convert --quiet a.bmp",
         "\"$CLI\" show --frames --gif x.gif lcd_a.txt", 1,
         "pelmora-cli: lcd_a.txt: the file holds 1 frame but 0 delays"},
        {"prepare -o through a link to the picture", "ln -s a.bmp l.bmp",
         "\"$CLI\" prepare -o l.bmp a.bmp", 1,
         "pelmora-cli: a.bmp: the prepared picture would replace the picture itself"},
    };
    for (const Refused& row : cases) {
        ExpectRefused(row);
    }
}

// convert claims every result before it writes the first: a result reached through a link
// to the next one's is refused by name rather than replaced silently.
TEST(HostileCampaignPaths, AConvertResultLinkedToTheNextOnesIsRefused) {
    ScratchFolder folder;
    WriteFile(folder / "a.bmp", SomeBmp());
    WriteFile(folder / "a2.bmp", SomeBmp());
    fs::create_symlink("lcd_a2.txt", folder / "lcd_a.txt");
    const Ran ran = Shell(folder, "\"$CLI\" convert --quiet a.bmp a2.bmp");
    EXPECT_EQ(ran.exitCode, 1);
    EXPECT_EQ(ran.err, "pelmora-cli: a2.bmp: the result would replace ./lcd_a2.txt, written from "
                       "a.bmp in this run; give another --output-dir or name\n");
}

// The names GCC knows as C library functions (and those avr-libc's headers declare) make
// data that does not compile: each is refused, though a header made under another name
// and renamed to it is the proof of the clash.
TEST(HostileCampaignNames, CLibraryFunctionsAreRefusedAsSymbols) {
    struct Row {
        const char* name;
        const char* compiler;
    };
    const std::vector<Row> rows = {
        {"printf", "gcc -std=c99"},
        {"memcpy", "gcc -std=c11"},
        {"isnan", "gcc -std=c99"},
        {"sqrt", "gcc -std=c99"},
        {"exit", "gcc -std=c99"},
        {"isalpha", "gcc -std=c99"},
        {"index", "avr-gcc -mmcu=atmega328p"},
        {"strlen_P", "avr-gcc -mmcu=atmega328p"},
        {"_exit", "avr-gcc -mmcu=atmega328p"},
        {"y0", "avr-gcc -mmcu=atmega328p"},
    };
    ScratchFolder folder;
    WriteFile(folder / "a.bmp", SomeBmp());
    ASSERT_EQ(
        Shell(folder, "\"$CLI\" convert --format c --name stand_in --stdout a.bmp > s.h").exitCode,
        0);
    const std::string flags = " -Wall -Wextra -Werror -c -x c ";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string name = row.name;
        const Ran refused =
            Shell(folder, "\"$CLI\" convert --format c --name " + name + " --stdout a.bmp");
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.out, "");
        EXPECT_TRUE(refused.err.starts_with("pelmora-cli: --name " + name +
                                            ": a function of the C library\n"))
            << refused.err;
        EXPECT_EQ(Shell(folder, std::string(row.compiler) + flags + "s.h -o s.o").exitCode, 0);
        ASSERT_EQ(Shell(folder, "sed 's/\\bstand_in\\b/" + name + "/' s.h > r.h").exitCode, 0);
        EXPECT_NE(Shell(folder, std::string(row.compiler) + flags + "r.h -o r.o").exitCode, 0)
            << "the name did not clash";
    }
}

// Make reads each escaped name as the file it is: the header is up to date after the build
// and stale once the picture is newer. Ninja's deps log holds the picture's own name.
TEST(HostileCampaignDepfile, NamesWithCharactersMakeAndNinjaEscapeAreReadAsTheyAre) {
    const std::vector<std::string> names = {
        "sp ace.bmp", "ha#sh.bmp",  "dol$lar.bmp", "br[a]ck.bmp", "back\\slash.bmp",
        " lead.bmp",  "trail .bmp", "$(x).bmp",    "a=b.bmp",     "#start.bmp"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ScratchFolder folder;
        WriteFile(folder / name, SomeBmp());
        std::string quoted; // the name as a TOML basic string's content
        for (const char c : name) {
            quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
        }
        WriteFile(folder / "m.toml", "[output]\nheader = \"a.h\"\n[[image]]\nname = \"p\"\n"
                                     "file = \"" +
                                         quoted + "\"\n");
        const Ran built = Shell(folder, "\"$CLI\" build --quiet --depfile a.d m.toml");
        ASSERT_EQ(built.exitCode, 0) << built.err;

        WriteFile(folder / "Makefile", "a.h:\n\t@true\n-include a.d\n");
        fs::last_write_time(folder / name,
                            fs::file_time_type::clock::now() - std::chrono::hours(2));
        fs::last_write_time(folder / "m.toml",
                            fs::file_time_type::clock::now() - std::chrono::hours(2));
        EXPECT_EQ(Shell(folder, "make -q a.h").exitCode, 0) << "make: up to date";
        fs::last_write_time(folder / name,
                            fs::file_time_type::clock::now() + std::chrono::hours(1));
        EXPECT_EQ(Shell(folder, "make -q a.h").exitCode, 1) << "make: stale after the picture";

        WriteFile(folder / "build.ninja", "rule assets\n  command = \"$$CLI\" build --quiet "
                                          "--depfile a.d m.toml\n  depfile = a.d\n"
                                          "  deps = gcc\nbuild .a.h.pelmora-state a.h: assets\n");
        ASSERT_EQ(Shell(folder, "ninja").exitCode, 0);
        const Ran deps = Shell(folder, "ninja -t deps");
        EXPECT_NE(deps.out.find("\n    " + name + "\n"), std::string::npos) << deps.out;
    }
}

std::uint32_t Crc(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::string Big32(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string Chunk(const std::string& type, const std::string& data) {
    return Big32(static_cast<std::uint32_t>(data.size())) + type + data + Big32(Crc(type + data));
}

// A PNG whose chunk after IHDR states length, though its data is a few bytes.
std::string PngWithLength(int colourType, std::uint32_t length, const std::string& type) {
    std::string ihdr = Big32(128) + Big32(64) + std::string(1, 8) +
                       std::string(1, static_cast<char>(colourType)) + std::string(3, '\0');
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + Big32(length) + type +
           std::string(16, '\x11') + Chunk("IEND", "");
}

TEST(HostileCampaignPictures, APngChunkRunningPastTheFileIsCutShortForGreyAndColour) {
    for (const int colourType : {0, 2, 6}) {
        for (const std::uint32_t length : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1000u}) {
            for (const std::string type : {"IDAT", "tRNS", "tEXt"}) {
                if (type == "tRNS" && colourType == 6) {
                    continue; // a picture with alpha takes no tRNS at all
                }
                SCOPED_TRACE(type + " of colour type " + std::to_string(colourType) + " stating " +
                             std::to_string(length));
                ScratchFolder folder;
                WriteFile(folder / "p.png", PngWithLength(colourType, length, type));
                const auto before = Contents(folder);
                const Ran ran =
                    Shell(folder, "\"$CLI\" convert --dither threshold --format c p.png");
                EXPECT_EQ(ran.exitCode, 1);
                EXPECT_EQ(ran.out, "");
                EXPECT_EQ(ran.err, "pelmora-cli: p.png: the picture is cut short (its PNG data "
                                   "ends early)\n");
                EXPECT_EQ(Contents(folder), before);
            }
        }
    }
}

TEST(HostileCampaignPictures, GifScreensAndFramesThatCannotBeAreRefusedInOneLine) {
    const std::string data = std::string("\x02\x02\x44\x01\x00", 5); // clear, 0, end of one dot
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Gif(0, 0, Descriptor(0, 0, 1, 1) + data), "the GIF's screen is empty"},
        {Gif(4097, 4096, Descriptor(0, 0, 1, 1) + data),
         "the GIF's screen of 4097 x 4096 pixels is larger in area than 4096 x 4096"},
        {Gif(65535, 65535, Descriptor(0, 0, 1, 1) + data),
         "the GIF's screen of 65535 x 65535 pixels is larger in area than 4096 x 4096"},
        {Gif(16, 16, Descriptor(0, 0, 0, 0) + data), "frame 0 is empty"},
        {Gif(16, 16, ""), "the GIF holds no frame"},
    };
    for (const auto& [gif, reason] : cases) {
        SCOPED_TRACE(reason);
        ScratchFolder folder;
        WriteFile(folder / "g.gif", gif);
        const auto before = Contents(folder);
        const Ran ran = Shell(folder, "\"$CLI\" convert --frames --format c -o out.h g.gif");
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(ran.out, "");
        EXPECT_EQ(ran.err, "pelmora-cli: g.gif: " + reason + "\n");
        EXPECT_EQ(Contents(folder), before);
    }
}

// As nobody: an input that may not be read is exit 1 with the system's reason and its
// name, for every command and for a manifest's picture at its line.
TEST(HostileCampaignPermissions, AnUnreadableInputIsTheSystemsReasonByName) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"convert --dither threshold --format c a.bmp", "pelmora-cli: a.bmp: Permission denied"},
        {"prepare -o p.bmp a.bmp", "pelmora-cli: a.bmp: Permission denied"},
        {"convert --frames --format c -o f.h a.bmp", "pelmora-cli: a.bmp: Permission denied"},
        {"font --chars 65-66 -o f.h tiny.bdf", "pelmora-cli: tiny.bdf: Permission denied"},
        {"font --chars @chars.txt -o f.h open.bdf", "pelmora-cli: chars.txt: Permission denied"},
        {"show --text A tiny.bdf", "pelmora-cli: tiny.bdf: Permission denied"},
        {"build m.toml", "m.toml:5:1: a.bmp: Permission denied"},
    };
    for (const auto& [command, expected] : cases) {
        SCOPED_TRACE(command);
        ScratchFolder folder;
        WriteFile(folder / "a.bmp", SomeBmp());
        WriteFile(folder / "tiny.bdf", std::string(kTinyBdf));
        WriteFile(folder / "open.bdf", std::string(kTinyBdf));
        WriteFile(folder / "chars.txt", "AB");
        WriteFile(folder / "m.toml", "[output]\nheader = \"x.h\"\n[[image]]\nname = \"p\"\n"
                                     "file = \"a.bmp\"\n");
        const std::string line = Unprivileged("\"$CLI\" " + command);
        if (line.empty()) {
            GTEST_SKIP() << "root cannot become nobody here";
        }
        fs::permissions(folder.path(), fs::perms::all);
        for (const char* name : {"a.bmp", "tiny.bdf", "chars.txt"}) {
            fs::permissions(folder / name, fs::perms::none);
        }
        const auto before = Contents(folder);
        const Ran ran = Shell(folder, line);
        EXPECT_EQ(ran.exitCode, 1) << ran.err;
        EXPECT_EQ(ran.out, "");
        EXPECT_EQ(ran.err, expected + "\n");
        EXPECT_EQ(Contents(folder), before);
    }
}

} // namespace
} // namespace pelmora::test
