// pelmora-cli build and font against hostile names and paths: no run writes over what it
// reads or outside where it was asked, every header it writes compiles (or the run is
// refused at the names that would break it), the dependency file is read right by Make and
// Ninja, and the index pelmora_assets[] walked by a program holds what each command writes.

#include "support/shell.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;

const std::string kSource = PELMORA_SOURCE;
const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

void WriteInputs(const ScratchFolder& folder) {
    WriteFile(folder / "a.bmp",
              EncodeBmp(MakePicture([](int x, int y) { return (x * y) % 7 == 0; })));
    fs::copy_file(kSource + "/examples/firmware/art/spin.gif", folder / "spin.gif");
    WriteFile(folder / "tiny.bdf", std::string(kTinyBdf));
    WriteFile(folder / "chars.txt", "AB");
}

// Every file under the folder with its bytes: what a refused run must leave as it was.
std::vector<std::pair<std::string, std::string>> Contents(const ScratchFolder& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        const std::string name = entry.path().lexically_relative(folder.path()).string();
        files.emplace_back(name, entry.is_regular_file() && !entry.is_symlink()
                                     ? ReadFile(entry.path())
                                     : std::string("(not a file)"));
    }
    std::sort(files.begin(), files.end());
    return files;
}

constexpr const char* kImage = "[[image]]\nname = \"x\"\nfile = \"a.bmp\"\n";

struct RefusedCase {
    const char* name;
    std::string setup;                 // shell commands run first in the folder
    std::string manifest;              // pelmora.toml
    std::string options;               // of build
    std::vector<std::string> expected; // each line of standard error begins so
};

void ExpectRefused(const RefusedCase& row, const std::string& command) {
    SCOPED_TRACE(row.name);
    ScratchFolder folder;
    WriteInputs(folder);
    WriteFile(folder / "pelmora.toml", row.manifest);
    if (!row.setup.empty()) {
        ASSERT_EQ(Shell(folder, row.setup).exitCode, 0);
    }
    const auto before = Contents(folder);
    const Ran ran = Shell(folder, command + row.options);
    EXPECT_EQ(ran.exitCode, 1) << ran.err;
    const std::vector<std::string> lines = Lines(ran.err);
    ASSERT_EQ(lines.size(), row.expected.size()) << ran.err;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].starts_with(row.expected[i])) << lines[i];
    }
    EXPECT_EQ(Contents(folder), before) << "a refused build wrote";
}

// No output replaces an input or another output, however it is named; nothing written.
TEST(BuildHostilePaths, AnOutputOverAnyFileOfTheBuildIsRefusedByName) {
    const std::string header = "[output]\nheader = \"assets.h\"\n";
    const std::vector<RefusedCase> cases = {
        {"depfile over a picture",
         "",
         header + kImage,
         " --depfile a.bmp",
         {"pelmora-cli: a.bmp: --depfile a.bmp would replace a.bmp, which this build reads"}},
        {"depfile over the manifest",
         "",
         header + kImage,
         " --depfile ./pelmora.toml",
         {"pelmora-cli: ./pelmora.toml: --depfile ./pelmora.toml would replace pelmora.toml"}},
        {"depfile over the header",
         "",
         header + kImage,
         " --depfile assets.h",
         {"pelmora-cli: assets.h: --depfile assets.h is the same file as the header assets.h"}},
        {"source over the header, named otherwise",
         "",
         "[output]\nheader = \"assets.h\"\nsource = \"./assets.h\"\n" + std::string(kImage),
         "",
         {"pelmora.toml:3:1: source ./assets.h is the same file as the header assets.h"}},
        {"source a dangling link to the header",
         "ln -s assets.h y.c",
         "[output]\nheader = \"assets.h\"\nsource = \"y.c\"\n" + std::string(kImage),
         "",
         {"pelmora.toml:3:1: source y.c is the same file as the header assets.h"}},
        {"source a dangling link to the state file",
         "ln -s .assets.h.pelmora-state st.c",
         "[output]\nheader = \"assets.h\"\nsource = \"st.c\"\n" + std::string(kImage),
         "",
         {"pelmora.toml:2:1: the state file .assets.h.pelmora-state is the same file as the "
          "source st.c"}},
        {"depfile a dangling link to the header",
         "ln -s assets.h d.d",
         header + kImage,
         " --depfile d.d",
         {"pelmora-cli: d.d: --depfile d.d is the same file as the header assets.h"}},
        {"depfile a chain of dangling links to the state file",
         "mkdir sub && ln -s ../.assets.h.pelmora-state sub/s && ln -s sub/s d.d",
         header + kImage,
         " --depfile d.d",
         {"pelmora-cli: d.d: --depfile d.d is the same file as the state file "
          ".assets.h.pelmora-state"}},
        {"depfile a dangling link to the source",
         "ln -s assets.c d.d",
         "[output]\nheader = \"assets.h\"\nsource = \"assets.c\"\n" + std::string(kImage),
         " --depfile d.d",
         {"pelmora-cli: d.d: --depfile d.d is the same file as the source assets.c"}},
        {"the state file a link elsewhere, whose target would be replaced",
         "mkdir elsewhere && echo precious > elsewhere/p.txt && "
         "ln -s elsewhere/p.txt .assets.h.pelmora-state",
         header + kImage,
         "",
         {"pelmora.toml:2:1: the state file .assets.h.pelmora-state is a link; the build writes "
          "its state file itself"}},
        {"the state file a dangling link",
         "ln -s gone.txt .assets.h.pelmora-state",
         header + kImage,
         "",
         {"pelmora.toml:2:1: the state file .assets.h.pelmora-state is a link"}},
        {"source over the state file",
         "",
         "[output]\nheader = \"assets.h\"\nsource = \".assets.h.pelmora-state\"\n" +
             std::string(kImage),
         "",
         {"pelmora.toml:2:1: the state file .assets.h.pelmora-state is the same file as the "
          "source"}},
        {"header through a link to a picture",
         "ln -s a.bmp link.h",
         "[output]\nheader = \"link.h\"\n" + std::string(kImage),
         "",
         {"pelmora.toml:2:1: header link.h would replace a.bmp, which this build reads"}},
        {"header a hard link of a picture",
         "ln a.bmp hard.h",
         "[output]\nheader = \"hard.h\"\n" + std::string(kImage),
         "",
         {"pelmora.toml:2:1: header hard.h would replace a.bmp, which this build reads"}},
        {"source over a font's characters",
         "",
         "[output]\nheader = \"assets.h\"\nsource = \"chars.txt\"\n"
         "[[font]]\nname = \"f\"\nfile = \"tiny.bdf\"\nchars = \"@chars.txt\"\n",
         "",
         {"pelmora.toml:3:1: source chars.txt would replace chars.txt, which this build reads"}},
        {"header through a folder's link",
         "mkdir sub && ln -s .. sub/up",
         "[output]\nheader = \"sub/up/tiny.bdf\"\n[[font]]\nname = \"f\"\nfile = \"tiny.bdf\"\n"
         "chars = \"65-66\"\n",
         "",
         {"pelmora.toml:2:1: header sub/up/tiny.bdf would replace tiny.bdf, which this build "
          "reads"}},
        {"header a folder",
         "mkdir art",
         "[output]\nheader = \"art\"\n" + std::string(kImage),
         "",
         {"pelmora.toml:2:1: header art is a folder"}},
        {"header names a folder by its slash",
         "",
         "[output]\nheader = \"gen/\"\n" + std::string(kImage),
         "",
         {"pelmora.toml:2:1: header gen/: names a folder, not a file"}},
        {"a relative header climbing out of --output-dir",
         "mkdir out",
         "[output]\nheader = \"../escape.h\"\nsource = \"src/../../x.c\"\n" + std::string(kImage),
         " --output-dir out",
         {"pelmora.toml:2:1: header ../escape.h: climbs out of --output-dir out",
          "pelmora.toml:3:1: source src/../../x.c: climbs out of --output-dir out"}},
    };
    for (const RefusedCase& row : cases) {
        ExpectRefused(row, "\"$CLI\" build");
    }
}

// Inside --output-dir a relative output may go down and back; an absolute one goes where it
// says, as the README has it.
TEST(BuildHostilePaths, OutputsInsideTheOutputFolderAndAbsoluteOnesAreWritten) {
    ScratchFolder folder;
    WriteInputs(folder);
    const std::string absolute = (folder / "abs" / "assets.c").string();
    WriteFile(folder / "pelmora.toml", "[output]\nheader = \"gen/../inc/assets.h\"\nsource = \"" +
                                           absolute + "\"\n" + kImage);
    const Ran ran = Shell(folder, "\"$CLI\" build --quiet --output-dir out");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_TRUE(fs::exists(folder / "out/inc/assets.h"));
    EXPECT_TRUE(fs::exists(absolute));
    EXPECT_FALSE(fs::exists(folder / "inc"));
}

// A name the header cannot define, and a symbol two assets (or an asset and the header)
// would both define: said at the name of each asset it concerns, nothing written.
TEST(BuildHostileNames, EverySymbolIsCheckedBeforeAnythingIsMade) {
    auto image = [](const std::string& name) {
        return "[[image]]\nname = \"" + name + "\"\nfile = \"a.bmp\"\n";
    };
    auto font = [](const std::string& name, const std::string& format) {
        return "[[font]]\nname = \"" + name +
               "\"\nfile = \"tiny.bdf\"\nchars = \"65-66\"\n"
               "format = \"" +
               format + "\"\n";
    };
    const std::string header = "[output]\nheader = \"assets.h\"\n";
    const std::string keyword = "pelmora.toml:4:1: name ";
    std::vector<RefusedCase> cases;
    for (const char* name : {"int", "default", "register", "main", "uint8_t", "bitand", "and",
                             "typeof", "char8_t", "linux", "AVR", "PROGMEM", "NULL",
                             "PELMORA_ASSET_COUNT", "pelmora_assets", "Pelmora_x", "__x", "_X"}) {
        cases.push_back({name, "", header + image(name), "", {keyword + name + ": "}});
    }
    for (const char* name : {"printf", "memcpy", "isnan", "sqrt", "index", "strlen_P"}) {
        cases.push_back({name,
                         "",
                         header + image(name),
                         "",
                         {keyword + name + ": a function of the C library"}});
    }
    cases.push_back({"a picture whose macro <stdint.h> defines",
                     "",
                     header + image("UINT8"),
                     "",
                     {"pelmora.toml:4:1: name UINT8 makes UINT8_WIDTH: a name <stdint.h>"}});
    cases.push_back({"a table font whose macro <stdint.h> defines",
                     "",
                     header + font("INT_LEAST16", "c"),
                     "",
                     {"pelmora.toml:4:1: name INT_LEAST16 makes INT_LEAST16_WIDTH"}});
    const std::vector<std::pair<const char*, std::string>> pairs = {
        {"a beside a_WIDTH", image("a") + image("a_WIDTH")},
        {"frames s beside s_delays_ms",
         "[[frames]]\nname = \"s\"\nfiles = [\"spin.gif\"]\nsize = \"16x16\"\nlayout = \"pages\"\n"
         "[[image]]\nname = \"s_delays_ms\"\nfile = \"a.bmp\"\n"},
        {"font f beside f_glyphs", font("f", "gfxfont") + image("f_glyphs")},
        {"table t beside t_CELL_BYTES", font("t", "c") + image("t_CELL_BYTES")},
        {"fonts ab and AB: one include guard", font("ab", "gfxfont") + font("AB", "c")},
        {"a picture named as a font's guard", font("x", "arduino") + image("X_H")},
    };
    for (const auto& [name, assets] : pairs) {
        // Said at both names; the full wording is held below.
        cases.push_back(
            {name, "", header + assets, "", {"pelmora.toml:4:1: both ", "pelmora.toml:"}});
    }
    for (const RefusedCase& row : cases) {
        ExpectRefused(row, "\"$CLI\" build");
    }
    // Both lines name the symbol and both assets.
    ScratchFolder folder;
    WriteInputs(folder);
    WriteFile(folder / "pelmora.toml", header + image("a") + "# between\n" + image("a_WIDTH"));
    const Ran ran = Shell(folder, "\"$CLI\" build");
    EXPECT_EQ(ran.err, "pelmora.toml:4:1: both a (line 4) and a_WIDTH (line 8) define a_WIDTH\n"
                       "pelmora.toml:8:1: both a (line 4) and a_WIDTH (line 8) define a_WIDTH\n");
}

// Names as odd as may be, each accepted one compiles: as C and C++, warnings as errors, and
// with avr-gcc.
TEST(BuildHostileNames, TheNamesThatAreTakenCompile) {
    ScratchFolder folder;
    WriteInputs(folder);
    std::string manifest = "[output]\nheader = \"assets.h\"\nsource = \"assets.c\"\n"
                           "format = \"arduino\"\n";
    for (const char* name : {"Int", "main_", "_x", "final", "import", "module", "override", "width",
                             "data", "name", "F", "uint8", "a_H"}) {
        manifest += "[[image]]\nname = \"" + std::string(name) + "\"\nfile = \"a.bmp\"\n";
    }
    manifest += "[[font]]\nname = \"a\"\nfile = \"tiny.bdf\"\nformat = \"c\"\n"
                "[[font]]\nname = \"glyphs\"\nfile = \"tiny.bdf\"\n";
    WriteFile(folder / "pelmora.toml", manifest);
    const Ran built = Shell(folder, "\"$CLI\" build --quiet");
    ASSERT_EQ(built.exitCode, 0) << built.err;
    WriteFile(folder / "main.c", "#include \"assets.h\"\nint main(void) { return "
                                 "PELMORA_ASSET_COUNT - 15 + (int)sizeof(Int) - 1024; }\n");
    for (const std::string compiler :
         {"gcc -std=gnu17 -Wall -Wextra -pedantic -Werror main.c assets.c -o c",
          "g++ -std=gnu++20 -Wall -Wextra -pedantic -Werror -x c++ main.c assets.c -o cxx",
          "avr-gcc -mmcu=atmega328p -Os -Wall -Wextra -pedantic -Werror main.c assets.c -o avr"}) {
        const Ran ran = Shell(folder, compiler);
        EXPECT_EQ(ran.exitCode, 0) << compiler << "\n" << ran.err;
    }
    EXPECT_EQ(Shell(folder, "./c && ./cxx").exitCode, 0);
}

// font alone: a name it cannot define is a bad --name, exit 2 as for every bad value; its
// outputs go to the current folder and never over a font, the characters or each other.
TEST(FontHostile, NamesAndOutputsAreRefusedBeforeAnythingIsWritten) {
    const std::vector<std::pair<const char*, std::string>> names = {{"int", ""},
                                                                    {"default", ""},
                                                                    {"uint8_t", "--format u8g2"},
                                                                    {"main", "--format c"},
                                                                    {"xor_eq", ""},
                                                                    {"UINT16", "--format c"}};
    for (const auto& [name, format] : names) {
        SCOPED_TRACE(name);
        ScratchFolder folder;
        WriteInputs(folder);
        const Ran ran = Shell(folder, "\"$CLI\" font " + format + " --name " + name + " tiny.bdf");
        EXPECT_EQ(ran.exitCode, 2);
        EXPECT_TRUE(ran.err.starts_with("pelmora-cli: --name " + std::string(name))) << ran.err;
        EXPECT_FALSE(fs::exists(folder / (std::string(name) + ".h")));
    }
    const std::vector<RefusedCase> cases = {
        {"-o over its font",
         "",
         "",
         "--chars 65-66 -o tiny.bdf tiny.bdf",
         {"pelmora-cli: tiny.bdf: the result would replace tiny.bdf itself"}},
        {"-o over its font by a link",
         "ln -s tiny.bdf t.h",
         "",
         "--chars 65-66 -o t.h tiny.bdf",
         {"pelmora-cli: t.h: the result would replace tiny.bdf itself"}},
        {"-o over the characters",
         "",
         "",
         "--chars @chars.txt -o chars.txt tiny.bdf",
         {"pelmora-cli: chars.txt: the result would replace chars.txt, which this run reads"}},
        {"two fonts of one name into one folder",
         "mkdir sub && cp tiny.bdf sub/",
         "",
         "--chars 65-66 --output-dir . tiny.bdf sub/tiny.bdf",
         {"pelmora-cli: ./tiny_6.h: the result would replace ./tiny_6.h, written from tiny.bdf"}},
        {"two fonts of one name into the current folder",
         "mkdir sub && cp tiny.bdf sub/",
         "",
         "--chars 65-66 tiny.bdf sub/tiny.bdf",
         {"pelmora-cli: tiny_6.h: the result would replace tiny_6.h, written from tiny.bdf"}},
        {"-o a folder",
         "mkdir out",
         "",
         "--chars 65-66 -o out tiny.bdf",
         {"pelmora-cli: out: is a folder"}},
    };
    for (const RefusedCase& row : cases) {
        ExpectRefused(row, "\"$CLI\" font ");
    }
}

TEST(FontHostile, WritesIntoTheCurrentFolderNotTheFonts) {
    ScratchFolder folder;
    WriteInputs(folder);
    fs::create_directories(folder / "fonts");
    fs::rename(folder / "tiny.bdf", folder / "fonts/tiny.bdf");
    const Ran ran = Shell(folder, "\"$CLI\" font --chars 65-66 fonts/tiny.bdf");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.out, "tiny_6.h\n");
    EXPECT_TRUE(fs::exists(folder / "tiny_6.h"));
    EXPECT_FALSE(fs::exists(folder / "fonts/tiny_6.h"));
    // A font in a folder of the system's: the file still goes here, even for root.
    const Ran system = Shell(folder, "\"$CLI\" font --quiet " + kDejaVu);
    ASSERT_EQ(system.exitCode, 0) << system.err;
    EXPECT_TRUE(fs::exists(folder / "DejaVuSans_16.h"));
    EXPECT_FALSE(fs::exists(fs::path(kDejaVu).parent_path() / "DejaVuSans_16.h"));
}

// The README's font example, run as written: the characters it draws are in the font made.
TEST(FontHostile, TheReadmeExampleDrawsItsText) {
    const std::string readme = ReadFile(kSource + "/README.md");
    std::vector<std::string> commands;
    for (const std::string& line : Lines(readme)) {
        if (line.starts_with("$ pelmora-cli font --size 12 ") ||
            line.starts_with("$ pelmora-cli show --text")) {
            commands.push_back(
                "\"$CLI\"" + line.substr(line.find(' ', 2), line.find("  #") - line.find(' ', 2)));
        }
    }
    ASSERT_EQ(commands.size(), 2u) << "the README's font example moved";
    ScratchFolder folder;
    const Ran made = Shell(folder, commands[0]);
    ASSERT_EQ(made.exitCode, 0) << commands[0] << "\n" << made.err;
    EXPECT_EQ(made.err, "") << "a character the example draws is missing";
    const Ran shown = Shell(folder, commands[1]);
    EXPECT_EQ(shown.exitCode, 0) << commands[1] << "\n" << shown.err;
    EXPECT_EQ(shown.err, "");
    EXPECT_NE(shown.out.find('#'), std::string::npos) << shown.out;
}

// A manifest problem and a problem of a font (or picture) that the manifest names right:
// all of them said at once.
TEST(BuildHostileProblems, ManifestAndFontProblemsAreSaidTogether) {
    ScratchFolder folder;
    WriteInputs(folder);
    WriteFile(folder / "broken.ttf", std::string(600, 'x'));
    WriteFile(folder / "pelmora.toml",
              "[output]\nheader = \"assets.h\"\n"
              "[[image]]\nname = \"x\"\nfile = \"a.bmp\"\ncolour = 1\n"
              "[[font]]\nname = \"f\"\nfile = \"broken.ttf\"\n"
              "[[image]]\nname = \"y\"\nfile = \"a.bmp\"\nsize = \"64x32\"\n");
    const auto before = Contents(folder);
    const Ran ran = Shell(folder, "\"$CLI\" build");
    EXPECT_EQ(ran.exitCode, 1);
    const std::vector<std::string> lines = Lines(ran.err);
    ASSERT_EQ(lines.size(), 3u) << ran.err;
    EXPECT_TRUE(lines[0].starts_with("pelmora.toml:6:1: unknown key colour")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("pelmora.toml:9:1: broken.ttf: ")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("pelmora.toml:12:1: a.bmp: ")) << lines[2];
    EXPECT_EQ(Contents(folder), before);
}

// Paths with : and % (a target's % is a pattern to Make) read back by Make and Ninja; a
// newline, which neither can read, refused by name with nothing written.
TEST(BuildHostileDepfile, ColonsAndPercentsReadByMakeAndNinja) {
    ScratchFolder folder;
    fs::create_directories(folder / "a:b");
    WriteFile(folder / "a:b/p%q:r.bmp",
              EncodeBmp(MakePicture([](int x, int y) { return x % 4 == y % 3; })));
    WriteFile(folder / "a:b/pelmora.toml", "[output]\nheader = \"x%y:z.h\"\n"
                                           "[[image]]\nname = \"x\"\nfile = \"p%q:r.bmp\"\n");
    const Ran ran = Shell(folder, "\"$CLI\" build --quiet --depfile deps.d a:b/pelmora.toml");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ReadFile(folder / "deps.d"),
              "a\\:b/.x\\%y\\:z.h.pelmora-state a\\:b/x\\%y\\:z.h: \\\n"
              "  a\\:b/pelmora.toml \\\n  a\\:b/p%q\\:r.bmp\n");

    // Make: the rule holds, and a touched picture makes the header stale.
    WriteFile(folder / "Makefile", "all: a\\:b/x%y\\:z.h\n"
                                   "a\\:b/x\\%y\\:z.h:\n\t\"$$CLI\" build --quiet --depfile "
                                   "deps.d a:b/pelmora.toml\n"
                                   "-include deps.d\n");
    const Ran listed = Shell(folder, "make -pq 2>/dev/null | grep '^a:b/x%y:z.h:'");
    EXPECT_NE(listed.out.find("a:b/pelmora.toml a:b/p%q:r.bmp"), std::string::npos) << listed.out;
    EXPECT_EQ(Shell(folder, "make -q").exitCode, 0);
    fs::last_write_time(folder / "a:b/p%q:r.bmp", fs::file_time_type::clock::now());
    EXPECT_EQ(Shell(folder, "make -q").exitCode, 1);

    // Ninja: deps = gcc reads the file into its log, each input as it is named.
    WriteFile(folder / "build.ninja", "rule assets\n  command = \"$$CLI\" build --quiet "
                                      "--depfile deps.d a:b/pelmora.toml\n"
                                      "  depfile = deps.d\n  deps = gcc\n"
                                      "build a$:b/x%y$:z.h: assets\n");
    fs::remove(folder / "a:b/x%y:z.h");
    fs::remove(folder / "a:b/.x%y:z.h.pelmora-state");
    ASSERT_EQ(Shell(folder, "ninja").exitCode, 0);
    const Ran deps = Shell(folder, "ninja -t deps");
    EXPECT_NE(deps.out.find("\n    a:b/pelmora.toml\n    a:b/p%q:r.bmp\n"), std::string::npos)
        << deps.out;
    EXPECT_NE(Shell(folder, "ninja -n").out.find("no work to do"), std::string::npos);
}

// Make reads these as rule or shell syntax and Ninja splits a name at them: a picture so
// named is refused by name, the header and state file not written.
TEST(BuildHostileDepfile, CharactersMakeOrNinjaMisreadAreRefusedByName) {
    for (const char c : std::string(";|&<>*?\"'^`")) {
        const std::string name = std::string("a") + c + "b.bmp";
        SCOPED_TRACE(name);
        ScratchFolder folder;
        WriteInputs(folder);
        fs::copy_file(folder / "a.bmp", folder / name);
        WriteFile(folder / "pelmora.toml",
                  "[output]\nheader = \"assets.h\"\n[[image]]\nname = \"x\"\nfile = \"a" +
                      (c == '"' ? std::string("\\\"") : std::string(1, c)) + "b.bmp\"\n");
        const auto before = Contents(folder);
        const Ran ran = Shell(folder, "\"$CLI\" build --depfile deps.d");
        EXPECT_EQ(ran.exitCode, 1) << ran.err;
        EXPECT_EQ(Lines(ran.err).size(), 1u) << ran.err;
        EXPECT_NE(ran.err.find(std::string(": a ") + c +
                               " in a path cannot be said in a dependency file\n"),
                  std::string::npos)
            << ran.err;
        EXPECT_EQ(Contents(folder), before) << "a refused build wrote";
    }
}

// A NUL ends a C string: a path or set holding one is refused at its line, never cut there.
TEST(BuildHostileManifest, ANulInAStringIsRefusedAtItsLine) {
    const std::string header = "[output]\nheader = \"assets.h\"\n";
    const std::vector<RefusedCase> cases = {
        {"a picture's path",
         "",
         header + "[[image]]\nname = \"x\"\nfile = \"a.bmp\\u0000zz\"\n",
         "",
         {"pelmora.toml:5:1: file holds a NUL character"}},
        {"a font's characters file",
         "",
         header + "[[font]]\nname = \"f\"\nfile = \"tiny.bdf\"\nchars = \"@chars.txt\\u0000x\"\n",
         "",
         {"pelmora.toml:6:1: chars holds a NUL character"}},
        {"the header's path",
         "",
         "[output]\nheader = \"a.h\\u0000.png\"\n" + std::string(kImage),
         "",
         {"pelmora.toml:2:1: header holds a NUL character"}},
        {"a frames list item",
         "",
         header + "[[frames]]\nname = \"s\"\nfiles = [\"spin.gif\\u0000x\"]\nsize = "
                  "\"16x16\"\nlayout = \"pages\"\n",
         "",
         {"pelmora.toml:5:1: files holds a NUL character"}},
    };
    for (const RefusedCase& row : cases) {
        ExpectRefused(row, "\"$CLI\" build");
    }
}

TEST(BuildHostileDepfile, APathMakeCannotSayIsRefusedByName) {
    const std::string manifest = "[output]\nheader = \"assets.h\"\n[[image]]\nname = \"x\"\n"
                                 "file = \"new\\nline.bmp\"\n";
    const std::vector<RefusedCase> cases = {
        {"a newline in a picture's name",
         "cp a.bmp 'new\nline.bmp'",
         manifest,
         " --depfile deps.d",
         {"pelmora-cli: 'new'$'\\n''line.bmp': a newline in a path cannot be said in a "
          "dependency file"}},
        {"a tab in the header's name",
         "",
         "[output]\nheader = \"as\\tsets.h\"\n" + std::string(kImage),
         " --depfile deps.d",
         {"pelmora-cli: '.as'$'\\t''sets.h.pelmora-state': a control character"}},
    };
    for (const RefusedCase& row : cases) {
        ExpectRefused(row, "\"$CLI\" build");
    }
}

// The bytes between the braces of an array that begins at from: its values in order.
std::vector<int> ArrayValues(const std::string& text, const std::string& from) {
    const std::size_t start = text.find(from);
    EXPECT_NE(start, std::string::npos) << from;
    const std::size_t open = text.find('{', start);
    const std::size_t close = text.find("};", open);
    std::string body = text.substr(open, close - open);
    // Comments out, then every number, hex or decimal, that stands as a word of its own.
    for (std::size_t comment = body.find("/*"); comment != std::string::npos;
         comment = body.find("/*", comment)) {
        body.erase(comment, body.find("*/", comment) + 2 - comment);
    }
    std::vector<int> values;
    const auto word = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
    };
    for (std::size_t at = 0; at < body.size();) {
        if (!word(body[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < body.size() && word(body[end])) {
            ++end;
        }
        const std::string token = body.substr(at, end - at);
        const bool hex = token.size() > 2 && token.starts_with("0x") &&
                         token.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
        const bool decimal = token.find_first_not_of("0123456789") == std::string::npos;
        if (hex || decimal) {
            values.push_back(std::stoi(token, nullptr, 0));
        }
        at = end;
    }
    return values;
}

// A program walks pelmora_assets[] by its fields alone: each entry's bytes are what the
// asset's own command writes, its kind, layout and bit order what was asked, and sizeof
// of every array (declared with its size in the header) its byte count.
TEST(BuildIndex, AProgramWalksEveryAssetByItsEntryAlone) {
    ScratchFolder folder;
    WriteInputs(folder);
    WriteFile(folder / "pelmora.toml",
              "[output]\nheader = \"inc/assets.h\"\nsource = \"assets.c\"\n"
              "[[image]]\nname = \"logo\"\nfile = \"a.bmp\"\n"
              "[[image]]\nname = \"rows\"\nfile = \"a.bmp\"\nlayout = \"rows\"\n"
              "bit-order = \"msb\"\n"
              "[[frames]]\nname = \"spin\"\nfiles = [\"spin.gif\"]\nsize = \"16x16\"\n"
              "layout = \"pages\"\ndither = \"threshold\"\n"
              "[[font]]\nname = \"gfx\"\nfile = \"tiny.bdf\"\n"
              "[[font]]\nname = \"u8\"\nfile = \"tiny.bdf\"\nformat = \"u8g2\"\n"
              "[[font]]\nname = \"cells\"\nfile = \"tiny.bdf\"\nformat = \"c\"\nlayout = "
              "\"rows\"\n");
    const Ran built = Shell(folder, "\"$CLI\" build --quiet");
    ASSERT_EQ(built.exitCode, 0) << built.err;
    WriteFile(folder / "walk.c",
              "#include <stdio.h>\n#include \"assets.h\"\n"
              "#define SAME(a, n) ((int)sizeof(a) == (int)pelmora_assets[n].bytes)\n"
              "int main(void) {\n"
              "    unsigned i, k;\n"
              "    if (!SAME(logo, 0) || !SAME(rows, 1) || !SAME(spin, 2) ||\n"
              "        !SAME(gfx_bitmaps, 3) || !SAME(u8, 4) || !SAME(cells, 5) ||\n"
              "        sizeof(spin_delays_ms) != 2 * spin_FRAMES) return 3;\n"
              "    for (i = 0; i < PELMORA_ASSET_COUNT; ++i) {\n"
              "        const pelmora_asset *a = &pelmora_assets[i];\n"
              "        printf(\"%s %u %u %u %u %u %u %u %lu:\", a->name, a->width, a->height,\n"
              "               a->frames, a->kind, a->layout, a->bit_order, a->block_width,\n"
              "               (unsigned long)a->bytes);\n"
              "        for (k = 0; k < a->bytes; ++k) printf(\" %u\", a->data[k]);\n"
              "        if (a->delays_ms) for (k = 0; k < a->frames; ++k)\n"
              "            printf(\" d%u\", a->delays_ms[k]);\n"
              "        printf(\"\\n\");\n"
              "    }\n"
              "    return 0;\n}\n");
    std::string expected;
    auto entry = [&](const std::string& head, const std::vector<int>& bytes) {
        expected += head + " " + std::to_string(bytes.size()) + ":";
        for (const int value : bytes) {
            expected += " " + std::to_string(value);
        }
    };
    const Ran logo = Shell(folder, "\"$CLI\" convert --format c --name logo --stdout a.bmp");
    entry("logo 128 64 1 0 0 0 64", ArrayValues(logo.out, "const uint8_t logo["));
    expected += "\n";
    const Ran rows = Shell(folder, "\"$CLI\" convert --format c --layout rows --bit-order msb "
                                   "--name rows --stdout a.bmp");
    entry("rows 128 64 1 0 2 1 0", ArrayValues(rows.out, "const uint8_t rows["));
    expected += "\n";
    const Ran spin = Shell(folder, "\"$CLI\" convert --frames --format c --size 16x16 --layout "
                                   "pages --dither threshold --name spin --stdout spin.gif");
    const std::vector<int> delays = ArrayValues(spin.out, "spin_delays_ms[");
    entry("spin 16 16 " + std::to_string(delays.size()) + " 1 1 0 0",
          ArrayValues(spin.out, "const uint8_t spin["));
    for (const int delay : delays) {
        expected += " d" + std::to_string(delay);
    }
    expected += "\n";
    const Ran gfx = Shell(folder, "\"$CLI\" font --name gfx --stdout tiny.bdf");
    entry("gfx 4 6 2 2 3 1 0", ArrayValues(gfx.out, "gfx_bitmaps[]"));
    expected += "\n";
    const Ran u8 = Shell(folder, "\"$CLI\" font --format u8g2 --name u8 --stdout tiny.bdf");
    entry("u8 4 6 2 2 4 0 0", ArrayValues(u8.out, "const uint8_t u8["));
    expected += "\n";
    const Ran cells =
        Shell(folder, "\"$CLI\" font --format c --layout rows --name cells --stdout tiny.bdf");
    entry("cells 4 6 2 2 2 1 0", ArrayValues(cells.out, "const uint8_t cells["));
    expected += "\n";

    for (const std::string compiler :
         {"gcc -std=c99 -Wall -Wextra -pedantic -Werror -Iinc walk.c assets.c -o walk",
          "g++ -std=c++17 -Wall -Wextra -pedantic -Werror -Iinc -x c++ walk.c assets.c -o walk"}) {
        SCOPED_TRACE(compiler);
        const Ran compiled = Shell(folder, compiler);
        ASSERT_EQ(compiled.exitCode, 0) << compiled.err;
        const Ran walked = Shell(folder, "./walk");
        EXPECT_EQ(walked.exitCode, 0);
        EXPECT_EQ(walked.out, expected);
    }
    // The header alone, for one translation unit, walks the same.
    WriteFile(folder / "pelmora.toml", [&folder] {
        std::string manifest = ReadFile(folder / "pelmora.toml");
        const std::string source = "source = \"assets.c\"\n";
        const std::size_t at = manifest.find(source);
        EXPECT_NE(at, std::string::npos);
        return at == std::string::npos ? manifest : manifest.erase(at, source.size());
    }());
    ASSERT_EQ(Shell(folder, "\"$CLI\" build --quiet").exitCode, 0);
    const Ran alone =
        Shell(folder, "gcc -std=c99 -Wall -Wextra -pedantic -Werror -Iinc walk.c -o alone && "
                      "./alone");
    EXPECT_EQ(alone.exitCode, 0) << alone.err;
    EXPECT_EQ(alone.out, expected);
}

} // namespace
} // namespace pelmora::test
