// pelmora-cli convert --compress and show of what it writes, as a user runs them: every
// packed output shows the same panel as the plain one, the plain outputs stay as they
// were, and what cannot be packed is refused with one line and exit 2.

#include "support/shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora::test {
namespace {

const std::string kExamples = PELMORA_EXAMPLES;

void CopyExamples(const ScratchFolder& folder) {
    for (const char* name : {"logo", "text"}) {
        WriteFile(folder / (std::string(name) + ".bmp"), ReadFile(kExamples + "/" + name + ".bmp"));
    }
}

TEST(CompressCli, EveryPackedOutputShowsThePanelOfThePlainOne) {
    ScratchFolder folder;
    CopyExamples(folder);
    const Ran plain = Shell(folder, "\"$CLI\" convert --layout pages --stdout logo.bmp > plain.txt "
                                    "&& \"$CLI\" show --layout pages plain.txt");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const std::string& panel = plain.out;
    for (const char* format : {"c", "arduino", "asm", "gas", "db", "bin", "ihex"}) {
        for (const char* scheme : {"packbits", "lzss", "auto", "arduboy"}) {
            SCOPED_TRACE(std::string(format) + " " + scheme);
            // Only the texts with comments say how they are packed; the others are told.
            const bool says = std::string("c arduino asm gas").find(format) != std::string::npos;
            const std::string told =
                says ? std::string() : " --format " + std::string(format) + " --compress " + scheme;
            const Ran shown = Shell(folder, "\"$CLI\" convert --layout pages --format " +
                                                std::string(format) + " --compress " + scheme +
                                                " --stdout logo.bmp > packed.out && \"$CLI\" show "
                                                "--layout pages" +
                                                told + " packed.out");
            ASSERT_EQ(shown.exitCode, 0) << shown.err;
            EXPECT_EQ(shown.out, panel);
        }
    }
}

TEST(CompressCli, WithoutCompressOrWithNoneEveryOutputStaysAsItWas) {
    ScratchFolder folder;
    CopyExamples(folder);
    for (const char* format : {"db", "c", "arduino", "asm", "gas", "xbm", "bin", "ihex"}) {
        const std::string layout =
            std::string(format) == "xbm" ? " --layout rows" : std::string(" --layout halves");
        const std::string convert =
            "\"$CLI\" convert --stdout --format " + std::string(format) + layout;
        const Ran same = Shell(folder, convert + " logo.bmp > a.out && " + convert +
                                           " --compress none logo.bmp > b.out && cmp a.out b.out");
        EXPECT_EQ(same.exitCode, 0) << format << same.out << same.err;
    }
}

TEST(CompressCli, WhatCannotBePackedIsRefusedWithOneLine) {
    ScratchFolder folder;
    CopyExamples(folder);
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"convert --compress zip logo.bmp",
         "--compress takes none, packbits, lzss, arduboy or auto"},
        {"convert --format xbm --layout rows --compress lzss logo.bmp",
         "--format xbm holds the bytes as they are"},
        {"convert --compress arduboy logo.bmp", "--layout pages --bit-order lsb"},
        {"convert --compress arduboy --layout pages --size 128x60 --dither threshold logo.bmp",
         "the height must be a multiple of 8"},
        {"convert --compress arduboy --layout pages --size 512x64 --dither threshold logo.bmp",
         "at most 256 x 256"},
        {"convert --delta --compress lzss logo.bmp", "--delta goes with --frames"},
        {"show --delta logo.bmp", "--delta goes with --compress"},
        {"show --compress gzip logo.bmp", "--compress takes none"},
    };
    for (const auto& c : cases) {
        const Ran ran = Shell(folder, "\"$CLI\" " + c.arguments);
        EXPECT_EQ(ran.exitCode, 2) << c.arguments;
        const std::string line = ran.err.substr(0, ran.err.find('\n'));
        EXPECT_TRUE(line.starts_with("pelmora-cli: ") && line.find(c.message) != std::string::npos)
            << c.arguments << ": " << line;
        EXPECT_EQ(folder.names(), (std::vector<std::string>{"logo.bmp", "text.bmp"}))
            << c.arguments;
    }
}

TEST(CompressCli, DamagedPackedFilesAreRefusedWithTheirReason) {
    ScratchFolder folder;
    CopyExamples(folder);
    ASSERT_EQ(Shell(folder, "\"$CLI\" convert --format c --compress lzss --stdout logo.bmp > "
                            "l.h && \"$CLI\" convert --format bin --compress packbits --stdout "
                            "logo.bmp > l.bin")
                  .exitCode,
              0);
    const std::string header = ReadFile(folder / "l.h");
    const struct {
        std::string name;
        std::string command;
        std::string reason;
    } cases[] = {
        {"cut_short", "head -c 300 l.bin > x.bin && \"$CLI\" show --compress packbits x.bin",
         "ends before the picture does"},
        {"another_scheme", "\"$CLI\" show --format bin --compress arduboy l.bin",
         "not the panel's"},
        {"trailing", "cat l.bin l.bin > y.bin && \"$CLI\" show --compress packbits y.bin",
         "bytes follow the packed data"},
        {"unreadable_mark",
         "sed 's/pelmora-packed: lzss 1024/pelmora-packed: lzss many/' l.h > z.h && \"$CLI\" "
         "show z.h",
         "names no scheme and size"},
        {"other_size",
         "sed 's/pelmora-packed: lzss 1024/pelmora-packed: lzss 512/' l.h > w.h && \"$CLI\" "
         "show w.h",
         "not the panel's 1024"},
    };
    for (const auto& c : cases) {
        const Ran ran = Shell(folder, c.command);
        EXPECT_EQ(ran.exitCode, 1) << c.name << ran.err;
        EXPECT_NE(ran.err.find(c.reason), std::string::npos) << c.name << ": " << ran.err;
        EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << c.name << ": one line";
    }
    EXPECT_NE(header.find("pelmora-packed: lzss 1024"), std::string::npos);
}

// The options and every scheme's name are offered by the help, the shell completions and
// told in the manual page and the README.
TEST(CompressCli, OptionsAndSchemesAreOfferedAndDocumented) {
    ScratchFolder folder;
    const std::string source = PELMORA_SOURCE;
    const std::string convertHelp = Shell(folder, "\"$CLI\" convert --help").out;
    const std::string showHelp = Shell(folder, "\"$CLI\" show --help").out;
    const struct {
        const char* name;
        std::string text;
    } places[] = {
        {"convert help", convertHelp},
        {"show help", showHelp},
        {"bash completion", ReadFile(source + "/packaging/completions/pelmora-cli.bash")},
        {"zsh completion", ReadFile(source + "/packaging/completions/_pelmora-cli")},
        {"fish completion", ReadFile(source + "/packaging/completions/pelmora-cli.fish")},
    };
    const std::string manual = ReadFile(source + "/packaging/pelmora-cli.1");
    const std::string readme = ReadFile(source + "/README.md");
    for (const char* option : {"compress", "delta"}) {
        for (const auto& place : places) {
            const bool fish = std::string(place.name).starts_with("fish");
            EXPECT_NE(place.text.find((fish ? "-l " : "--") + std::string(option)),
                      std::string::npos)
                << option << " in " << place.name;
        }
        EXPECT_NE(manual.find("\\-\\-" + std::string(option)), std::string::npos) << option;
        EXPECT_NE(readme.find("`--" + std::string(option)), std::string::npos) << option;
    }
    for (const char* scheme : {"none", "packbits", "lzss", "arduboy", "auto"}) {
        for (const auto& place : places) {
            EXPECT_NE(place.text.find(scheme), std::string::npos) << scheme << " in " << place.name;
        }
        EXPECT_NE(manual.find(std::string(".B ") + scheme), std::string::npos) << scheme;
        EXPECT_NE(readme.find("| `" + std::string(scheme) + "` |"), std::string::npos) << scheme;
    }
}

} // namespace
} // namespace pelmora::test
