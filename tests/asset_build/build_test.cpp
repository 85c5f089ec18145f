// pelmora-cli build: the manifest's problems with their places, the combined files fed to
// the compilers that read them, what is written and when, the dependency file read by Ninja
// and Make, and the example firmware project built by CMake against this build tree.

#include "support/shell.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;

const std::string kSource = PELMORA_SOURCE;
const std::string kBuildTree = PELMORA_BUILD_TREE;

fs::file_time_type Modified(const fs::path& path) {
    return fs::last_write_time(path);
}

// The pictures every test builds: a 128 x 64 BMP (no preparation needed), and the example
// project's animation.
void WritePictures(const ScratchFolder& folder) {
    WriteFile(folder / "a.bmp",
              EncodeBmp(MakePicture([](int x, int y) { return (x ^ y) % 5 == 0; })));
    fs::copy_file(kSource + "/examples/firmware/art/spin.gif", folder / "spin.gif");
    WriteFile(folder / "tiny.bdf", std::string(kTinyBdf));
}

std::vector<std::string> Listing(const ScratchFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        names.push_back(entry.path().lexically_relative(folder.path()).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct ManifestCase {
    const char* name;
    std::string manifest;
    std::vector<std::string> expected; // each line of standard error begins so
};

constexpr const char* kOutput = "[output]\nheader = \"a.h\"\n";

// Every problem refuses the whole build with its place, and nothing is written.
TEST(BuildManifest, EveryProblemIsSaidAtItsPlaceAndNothingIsWritten) {
    const std::vector<ManifestCase> cases = {
        {"not TOML", "[output\nheader = \"a.h\"\n", {"pelmora.toml:1:8: "}},
        {"unknown table",
         std::string(kOutput) + "[images]\nname = \"x\"\n",
         {"pelmora.toml:3:2: unknown table [images]"}},
        {"unknown key",
         std::string(kOutput) + "[[image]]\nname = \"x\"\nfile = \"a.bmp\"\ncolour = \"red\"\n",
         {"pelmora.toml:6:1: unknown key colour in [[image]]"}},
        {"text for a name",
         std::string(kOutput) + "[[image]]\nname = 5\nfile = \"a.bmp\"\n",
         {"pelmora.toml:4:1: name takes a string"}},
        {"text for a switch",
         std::string(kOutput) + "[[image]]\nname = \"x\"\nfile = \"a.bmp\"\ninvert = \"yes\"\n",
         {"pelmora.toml:6:1: invert takes true or false"}},
        {"one file for frames",
         std::string(kOutput) + "[[frames]]\nname = \"x\"\nfiles = \"spin.gif\"\n",
         {"pelmora.toml:5:1: files takes a list of strings"}},
        {"a value out of its choices, in [panel]",
         std::string(kOutput) +
             "[panel]\ndither = \"sparkle\"\n[[image]]\nname = \"x\"\nfile = \"a.bmp\"\n",
         {"pelmora.toml:4:1: dither takes floyd-steinberg, atkinson, bayer or threshold"}},
        {"a panel that cannot be",
         std::string(kOutput) + "[panel]\nsize = \"24x16\"\n[[image]]\nname = \"x\"\nfile = "
                                "\"a.bmp\"\n[[image]]\nname = \"y\"\nfile = \"a.bmp\"\n",
         {"pelmora.toml:4:1: a width of 24 is not a whole number of blocks of 64 columns"}},
        {"a missing file",
         std::string(kOutput) + "[[image]]\nname = \"x\"\nfile = \"gone.bmp\"\n",
         {"pelmora.toml:5:1: gone.bmp: No such file or directory"}},
        {"two assets of one name",
         std::string(kOutput) + "[[image]]\nname = \"x\"\nfile = \"a.bmp\"\n"
                                "[[font]]\nname = \"x\"\nfile = \"tiny.bdf\"\n",
         {"pelmora.toml:7:1: two assets are named x (the first on line 4)"}},
        {"a font format that is not C",
         std::string(kOutput) + "[[font]]\nname = \"f\"\nfile = \"tiny.bdf\"\nformat = \"db\"\n",
         {"pelmora.toml:6:1: format takes gfxfont, u8g2, c or arduino"}},
        {"a picture of another size than the panel",
         std::string(kOutput) + "[[image]]\nname = \"x\"\nfile = \"a.bmp\"\nsize = \"64x32\"\n",
         {"pelmora.toml:5:1: a.bmp: "}},
        {"an output over an input",
         "[output]\nheader = \"a.bmp\"\n[[image]]\nname = \"x\"\nfile = \"a.bmp\"\n",
         {"pelmora.toml:2:1: header a.bmp would replace a.bmp, which this build reads"}},
        {"a letter outside ASCII in a key",
         std::string(kOutput) + "ná = 1\n",
         {"pelmora.toml:3:2: "}},
        {"every problem at once",
         "[output]\nheader = \"a.h\"\nformat = \"z80\"\n"
         "[[image]]\nname = \"x\"\nfile = \"gone.bmp\"\nthreshold = 300\n"
         "[[image]]\nname = \"x\"\nfile = \"a.bmp\"\nlayout = \"diagonal\"\n",
         {"pelmora.toml:3:1: format takes c or arduino", "pelmora.toml:6:1: gone.bmp: ",
          "pelmora.toml:7:1: threshold takes", "pelmora.toml:9:1: two assets are named x",
          "pelmora.toml:11:1: layout takes halves, pages, rows or bitplanes"}},
    };
    for (const ManifestCase& row : cases) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        WritePictures(folder);
        WriteFile(folder / "pelmora.toml", row.manifest);
        const std::vector<std::string> before = Listing(folder);
        const Ran ran = Shell(folder, "\"$CLI\" build --depfile deps.d");
        EXPECT_EQ(ran.exitCode, 1);
        const std::vector<std::string> lines = Lines(ran.err);
        ASSERT_EQ(lines.size(), row.expected.size()) << ran.err;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(lines[i].starts_with(row.expected[i])) << lines[i];
        }
        EXPECT_EQ(Listing(folder), before);
    }
}

// Letters outside ASCII where TOML takes them: in strings (a file's name) and comments.
TEST(BuildManifest, ReadsNamesOutsideAscii) {
    ScratchFolder folder;
    WriteFile(folder / "ça ﭏ.bmp", EncodeBmp(MakePicture([](int x, int) { return x % 2 == 0; })));
    WriteFile(folder / "pelmora.toml", "# déjà ﭏ\n[output]\nheader = \"a.h\"\n"
                                       "[[image]]\nname = \"x\"\nfile = \"ça ﭏ.bmp\"\n");
    const Ran ran = Shell(folder, "\"$CLI\" build --quiet --depfile deps.d");
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_NE(ReadFile(folder / "deps.d").find("ça\\ ﭏ.bmp"), std::string::npos);
}

struct OutputCase {
    const char* name;
    std::string output; // the [output] table
    bool source;
    bool avr;
};

// One manifest of each kind of asset, in every shape of output, compiled by the compilers
// the firmware uses; each asset's data is what its own command writes.
TEST(BuildOutputs, CompileWithoutWarningsAndHoldWhatEachCommandWrites) {
    const std::string assets = "[[image]]\nname = \"logo\"\nfile = \"a.bmp\"\n"
                               "[[frames]]\nname = \"spin\"\nfiles = [\"spin.gif\"]\n"
                               "size = \"16x16\"\nlayout = \"pages\"\ndither = \"threshold\"\n"
                               "[[font]]\nname = \"tiny\"\nfile = \"tiny.bdf\"\nchars = \"65-66\"\n"
                               "[[font]]\nname = \"tinytable\"\nfile = \"tiny.bdf\"\n"
                               "chars = \"65-66\"\nformat = \"c\"\n";
    const std::vector<OutputCase> cases = {
        {"c, header and source", "header = \"gen/assets.h\"\nsource = \"src/assets.c\"\n", true,
         false},
        {"c, header alone", "header = \"assets.h\"\n", false, false},
        {"arduino, header and source",
         "header = \"assets.h\"\nsource = \"assets.c\"\nformat = \"arduino\"\n", true, true},
    };
    // Two translation units include the header: the data must be defined once.
    const std::string user = "#include \"assets.h\"\nint Width(int i);\n"
                             "int Width(int i) { return pelmora_assets[i].width; }\n";
    const std::string program = "#include \"assets.h\"\nint Width(int i);\n"
                                "int main(void) { return Width(0) + PELMORA_ASSET_COUNT - 132"
                                " + logo_WIDTH - 128 + spin_FRAMES - 3; }\n";
    for (const OutputCase& row : cases) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        WritePictures(folder);
        WriteFile(folder / "pelmora.toml", "[output]\n" + row.output + assets);
        const Ran built = Shell(folder, "\"$CLI\" build --quiet");
        ASSERT_EQ(built.exitCode, 0) << built.err;
        const std::string header = row.source && !row.avr ? "gen/assets.h" : "assets.h";
        const std::string data = row.source ? (row.avr ? "assets.c" : "src/assets.c") : header;
        const std::string headerFolder = fs::path(header).parent_path().string();
        const std::string include = "-I" + (headerFolder.empty() ? "." : headerFolder);
        WriteFile(folder / "user.c", user);
        WriteFile(folder / "main.c", program);
        // A header alone is for one translation unit: the other one does without it.
        WriteFile(folder / "other.c", "int Width(int i);\nint Width(int i) { return i + 128; }\n");
        const std::string units = row.source ? "main.c user.c " + data : "main.c other.c";
        const Ran gcc = Shell(folder, "gcc -std=c99 -Wall -Wextra -pedantic -Werror " + include +
                                          " " + units + " -o c-program && ./c-program");
        EXPECT_EQ(gcc.exitCode, 0) << gcc.err;
        const Ran gxx = Shell(folder, "g++ -std=c++17 -Wall -Wextra -pedantic -Werror " + include +
                                          " -x c++ " + units + " -o cxx-program && ./cxx-program");
        EXPECT_EQ(gxx.exitCode, 0) << gxx.err;
        if (row.avr) {
            const Ran avr =
                Shell(folder, "avr-gcc -mmcu=atmega328p -Os -std=c99 -Wall -Wextra "
                              "-pedantic -Werror " +
                                  include + " " + units + " -o avr.elf && avr-nm avr.elf");
            EXPECT_EQ(avr.exitCode, 0) << avr.err;
        }

        const std::string written = ReadFile(folder / data);
        const Ran image =
            Shell(folder, "\"$CLI\" convert --format " + std::string(row.avr ? "arduino" : "c") +
                              " --name logo --stdout a.bmp");
        const std::string array = image.out.substr(image.out.find("const uint8_t logo["));
        EXPECT_NE(written.find(array.substr(0, array.find("};") + 2)), std::string::npos);
        for (const char* format : {"gfxfont", "c"}) {
            const std::string name = format == std::string("c") ? "tinytable" : "tiny";
            const Ran font =
                Shell(folder, "\"$CLI\" font --chars 65-66 --format " + std::string(format) +
                                  " --name " + name + " --stdout tiny.bdf");
            ASSERT_EQ(font.exitCode, 0) << font.err;
            const std::size_t first = font.out.find("\nconst ");
            const std::size_t last = font.out.rfind("\n#endif");
            EXPECT_NE(written.find(font.out.substr(first + 1, last - first)), std::string::npos)
                << format;
        }
    }
}

// Runs the build in folder and returns what it printed.
Ran Build(const ScratchFolder& folder, const std::string& options = {}) {
    return Shell(folder, "\"$CLI\" build " + options);
}

std::string Rows(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t start = text.find(from);
    return text.substr(start, text.find(to, start) - start);
}

TEST(BuildWrites, OnlyOutputsWhoseBytesChangeAndCheckNamesThem) {
    ScratchFolder folder;
    WritePictures(folder);
    WriteFile(folder / "b.bmp", ReadFile(folder / "a.bmp"));
    WriteFile(folder / "pelmora.toml", "# assets\n[output]\nheader = \"assets.h\"\n"
                                       "source = \"assets.c\"\n"
                                       "[[image]]\nname = \"first\"\nfile = \"a.bmp\"\n"
                                       "[[image]]\nname = \"second\"\nfile = \"b.bmp\"\n");
    const std::vector<std::string> inputs = Listing(folder);
    const Ran fresh = Build(folder, "--check");
    EXPECT_EQ(fresh.exitCode, 1);
    EXPECT_EQ(fresh.out, "assets.h\nassets.c\n");
    EXPECT_EQ(Listing(folder), inputs) << "--check wrote a file";

    const Ran first = Build(folder);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "assets.h\nassets.c\n");
    EXPECT_EQ(Build(folder, "--check").exitCode, 0);
    const auto header = Modified(folder / "assets.h");
    const auto source = Modified(folder / "assets.c");
    const std::string before = ReadFile(folder / "assets.c");

    // Nothing changed; then only a comment of the manifest and a picture's time changed.
    const Ran again = Build(folder);
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, "");
    WriteFile(folder / "pelmora.toml", "# the assets\n" + ReadFile(folder / "pelmora.toml"));
    fs::last_write_time(folder / "b.bmp", fs::file_time_type::clock::now());
    EXPECT_EQ(Build(folder, "--check").exitCode, 0);
    const Ran same = Build(folder);
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_EQ(same.out, "");
    EXPECT_EQ(Modified(folder / "assets.h"), header);
    EXPECT_EQ(Modified(folder / "assets.c"), source);

    // New dots of the same size: the source alone is stale, and only that asset's rows move.
    Picture other = MakePicture([](int x, int y) { return x == y; });
    WriteFile(folder / "b.bmp", EncodeBmp(other));
    const Ran stale = Build(folder, "--check");
    EXPECT_EQ(stale.exitCode, 1);
    EXPECT_EQ(stale.out, "assets.c\n");
    const Ran rebuilt = Build(folder);
    EXPECT_EQ(rebuilt.out, "assets.c\n");
    EXPECT_EQ(Modified(folder / "assets.h"), header);
    const std::string after = ReadFile(folder / "assets.c");
    EXPECT_EQ(Rows(after, "const uint8_t first", "};"), Rows(before, "const uint8_t first", "};"));
    EXPECT_NE(Rows(after, "const uint8_t second", "};"),
              Rows(before, "const uint8_t second", "};"));
    EXPECT_EQ(after.substr(0, after.find("const uint8_t second")),
              before.substr(0, before.find("const uint8_t second")));
}

// A folder and a picture whose names Make and Ninja must be told with escapes.
TEST(BuildDepfile, EscapesSpacesHashAndDollarAsNinjaAndMakeReadThem) {
    ScratchFolder folder;
    const fs::path odd = folder / "my art #1 $x";
    fs::create_directories(odd);
    WriteFile(odd / "a b.bmp", EncodeBmp(MakePicture([](int x, int) { return x % 3 == 0; })));
    WriteFile(odd / "pelmora.toml", "[output]\nheader = \"out put.h\"\n"
                                    "[[image]]\nname = \"x\"\nfile = \"a b.bmp\"\n");
    const Ran ran = Build(folder, "--quiet --depfile deps.d 'my art #1 $x/pelmora.toml'");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(
        ReadFile(folder / "deps.d"),
        "my\\ art\\ \\#1\\ $$x/.out\\ put.h.pelmora-state my\\ art\\ \\#1\\ $$x/out\\ put.h: \\\n"
        "  my\\ art\\ \\#1\\ $$x/pelmora.toml \\\n"
        "  my\\ art\\ \\#1\\ $$x/a\\ b.bmp\n");

    // Ninja reads it: after one run nothing is to do, until the picture is touched. (The
    // manifest is named in the rule too: a restat rule without inputs records no time.)
    WriteFile(folder / "build.ninja",
              "rule assets\n  command = \"$$CLI\" build --quiet --depfile deps.d "
              "'my art #1 $$x/pelmora.toml'\n  depfile = deps.d\n  restat = 1\n"
              "build my$ art$ #1$ $$x/.out$ put.h.pelmora-state my$ art$ #1$ $$x/out$ put.h: "
              "assets my$ art$ #1$ $$x/pelmora.toml\n");
    fs::remove(folder / "deps.d");
    fs::remove(odd / ".out put.h.pelmora-state");
    EXPECT_EQ(Shell(folder, "ninja").exitCode, 0);
    const Ran idle = Shell(folder, "ninja -d explain -n");
    EXPECT_NE(idle.out.find("no work to do"), std::string::npos) << idle.out << idle.err;
    fs::last_write_time(odd / "a b.bmp", fs::file_time_type::clock::now());
    const Ran touched = Shell(folder, "ninja -n");
    EXPECT_EQ(touched.out.find("no work to do"), std::string::npos) << touched.out;
}

// The README's pattern for a plain Makefile: make -q says what is to do.
TEST(BuildDepfile, TheReadmeMakefileKeepsMakeQuiet) {
    ScratchFolder folder;
    WriteFile(folder / "a.bmp", EncodeBmp(MakePicture([](int x, int y) { return x < y; })));
    WriteFile(folder / "pelmora.toml", "[output]\nheader = \"assets.h\"\nsource = \"assets.c\"\n"
                                       "[[image]]\nname = \"logo\"\nfile = \"a.bmp\"\n");
    WriteFile(folder / "main.c", "#include \"assets.h\"\nint main(void) { return logo[0]; }\n");
    WriteFile(folder / "Makefile", "firmware: main.c assets.c assets.h\n"
                                   "\tcc -o $@ main.c assets.c\n"
                                   "assets.h assets.c: .assets.h.pelmora-state\n"
                                   "\t@touch -c $@\n"
                                   ".assets.h.pelmora-state: pelmora.toml\n"
                                   "\t\"$$CLI\" build --quiet --depfile assets.d pelmora.toml\n"
                                   "-include assets.d\n");
    ASSERT_EQ(Shell(folder, "make").exitCode, 0);
    EXPECT_EQ(Shell(folder, "make -q").exitCode, 0);
    fs::last_write_time(folder / "a.bmp", fs::file_time_type::clock::now());
    EXPECT_EQ(Shell(folder, "make -q").exitCode, 1);
    ASSERT_EQ(Shell(folder, "make").exitCode, 0);
    EXPECT_EQ(Shell(folder, "make -q").exitCode, 0);
}

// The example project, copied, configured once per generator against this build tree.
class ExampleProject : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(kSource + "/examples/firmware", folder / "firmware", fs::copy_options::recursive);
    }

    Ran Configure(const std::string& generator) {
        return Shell(folder, "cmake -S firmware -B out -G '" + generator + "' -DPelmora_DIR='" +
                                 kBuildTree + "'");
    }

    // The program's dots for an asset beside pelmora-cli show of convert's file for it.
    void ExpectDotsAsShowDrawsThem() {
        const std::vector<std::pair<std::string, std::string>> assets = {
            {"arrow", "--size 24x16 --dither threshold art/arrow.png"},
            {"ring", "--size 16x16 --dither threshold art/ring.png"},
            {"logo", "--size 48x24 --dither floyd-steinberg art/logo.png"},
            {"spin", "--frames --size 16x16 --dither threshold art/spin.gif"},
        };
        for (const auto& [name, options] : assets) {
            SCOPED_TRACE(name);
            const Ran shown = Shell(folder, "cd firmware && \"$CLI\" convert --layout pages "
                                            "--format c --stdout " +
                                                options + " | \"$CLI\" show -");
            const Ran printed = Shell(folder, "out/firmware " + name);
            ASSERT_EQ(printed.exitCode, 0) << printed.err;
            EXPECT_EQ(printed.out, shown.out);
        }
    }

    fs::path Generated(const std::string& name) const {
        return folder / "out/pelmora_assets/firmware" / name;
    }

    ScratchFolder folder;
};

TEST_F(ExampleProject, NinjaBuildsOnlyWhatAPictureChanged) {
    ASSERT_EQ(Configure("Ninja").exitCode, 0);
    const Ran first = Shell(folder, "ninja -C out");
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    ExpectDotsAsShowDrawsThem();

    const Ran idle = Shell(folder, "ninja -C out -n");
    EXPECT_NE(idle.out.find("no work to do"), std::string::npos) << idle.out;
    const auto header = Modified(Generated("assets.h"));
    const auto source = Modified(Generated("assets.c"));
    const auto program = Modified(folder / "out/firmware");

    // Touched, the same bytes: the step runs, nothing it writes moves, nothing is rebuilt.
    fs::last_write_time(folder / "firmware/art/ring.png", fs::file_time_type::clock::now());
    const Ran touched = Shell(folder, "ninja -C out");
    EXPECT_NE(touched.out.find("Building the assets"), std::string::npos) << touched.out;
    EXPECT_EQ(touched.out.find("Linking"), std::string::npos) << touched.out;
    EXPECT_EQ(Modified(Generated("assets.h")), header);
    EXPECT_EQ(Modified(Generated("assets.c")), source);
    EXPECT_EQ(Modified(folder / "out/firmware"), program);
    EXPECT_NE(Shell(folder, "ninja -C out -n").out.find("no work to do"), std::string::npos);

    // New dots: the source changes in that asset's rows alone, and the program follows.
    const std::string before = ReadFile(Generated("assets.c"));
    ASSERT_EQ(
        Shell(folder, "convert firmware/art/ring.png -roll +3+0 firmware/art/ring.png").exitCode,
        0);
    const Ran changed = Shell(folder, "ninja -C out");
    EXPECT_NE(changed.out.find("Linking"), std::string::npos) << changed.out;
    EXPECT_EQ(Modified(Generated("assets.h")), header);
    const std::string after = ReadFile(Generated("assets.c"));
    for (const char* other : {"arrow", "logo", "spin"}) {
        const std::string head = std::string("const uint8_t ") + other + "[";
        EXPECT_EQ(Rows(after, head, "};"), Rows(before, head, "};")) << other;
    }
    EXPECT_NE(Rows(after, "const uint8_t ring[", "};"), Rows(before, "const uint8_t ring[", "};"));
    ExpectDotsAsShowDrawsThem();
}

TEST_F(ExampleProject, MakefilesBuildOnceAndAgainAfterATouch) {
    ASSERT_EQ(Configure("Unix Makefiles").exitCode, 0);
    const Ran first = Shell(folder, "make -C out");
    ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
    ExpectDotsAsShowDrawsThem();
    const auto header = Modified(Generated("assets.h"));
    const auto program = Modified(folder / "out/firmware");

    const Ran again = Shell(folder, "make -C out");
    EXPECT_EQ(again.out.find("Building the assets"), std::string::npos) << again.out;
    EXPECT_EQ(Modified(Generated("assets.h")), header);
    EXPECT_EQ(Modified(folder / "out/firmware"), program);

    fs::last_write_time(folder / "firmware/art/arrow.png", fs::file_time_type::clock::now());
    const Ran touched = Shell(folder, "make -C out");
    EXPECT_NE(touched.out.find("Building the assets"), std::string::npos) << touched.out;
    EXPECT_EQ(Shell(folder, "make -C out").out.find("Building the assets"), std::string::npos);
}

} // namespace
} // namespace pelmora::test
