// pelmora-cli with standard input and with every kind of output failing: a full device, a
// file-size limit, a missing folder. A failure is exit 1 with the path and the reason, and
// a file that was there before stays as it was.

#include "support/shell.h"
#include "support/test_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::EncodeBmp;
using test::ExpectedLcdText;
using test::Picture;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

using test::Ran;
using test::Shell;

Picture SomePicture() {
    return test::RandomPicture(41);
}

TEST(CliStdin, ConvertAndShowReadStandardInputForDash) {
    ScratchFolder folder;
    const Picture picture = SomePicture();
    WriteFile(folder / "p.bmp", EncodeBmp(picture));

    const Ran db = Shell(folder, "$CLI convert --stdout - < p.bmp");
    EXPECT_EQ(db.exitCode, 0) << db.err;
    EXPECT_EQ(db.out, ExpectedLcdText(picture, 0));

    // Named by --name: the file is written in the current folder under that name.
    const Ran named = Shell(folder, "$CLI convert --format c --name logo - < p.bmp");
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(named.out, "./lcd_logo.h\n");
    EXPECT_NE(ReadFile(folder / "lcd_logo.h").find("const uint8_t logo[1024]"), std::string::npos);
    const Ran symbol = Shell(folder, "$CLI convert --format c --stdout - < p.bmp");
    EXPECT_NE(symbol.out.find("lcd_stdin[1024]"), std::string::npos);

    const Ran shown = Shell(folder, "$CLI convert --stdout p.bmp | $CLI show -");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, Shell(folder, "$CLI convert p.bmp >/dev/null && $CLI show lcd_p.txt").out);

    const Ran bad = Shell(folder, "$CLI convert --stdout - < /dev/null");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err.rfind("pelmora-cli: standard input: ", 0), 0U) << bad.err;

    for (const char* line : {"$CLI convert - < p.bmp", "$CLI convert --stdout - - < p.bmp"}) {
        const Ran usage = Shell(folder, line);
        EXPECT_EQ(usage.exitCode, 2) << line;
        EXPECT_NE(usage.err.find("standard input"), std::string::npos) << usage.err;
    }
}

TEST(CliStdin, AHugeInputIsRefusedBeforeItIsReadIn) {
    ScratchFolder folder;
    WriteFile(folder / "huge.txt", "");
    std::filesystem::resize_file(folder / "huge.txt", 300U * 1024 * 1024); // sparse
    const std::string reason = "the file is larger than 32 MiB, far more than any panel needs\n";
    const Ran shown = Shell(folder, "$CLI show huge.txt");
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_EQ(shown.err, "pelmora-cli: huge.txt: " + reason);
    // Standard input cannot be sized first: it is read no further than the limit.
    const Ran piped = Shell(folder, "head -c 40000000 /dev/zero | $CLI show -");
    EXPECT_EQ(piped.exitCode, 1);
    EXPECT_EQ(piped.err, "pelmora-cli: standard input: " + reason);
}

// On a terminal (script gives the command one), a batch shows "done / total" on one line
// of standard error and clears it; --quiet, or standard error elsewhere, shows nothing.
TEST(CliProgress, ABatchOnATerminalShowsOneLineOfProgress) {
    ScratchFolder folder;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        WriteFile(folder / name, EncodeBmp(SomePicture()));
    }
    const Ran terminal =
        Shell(folder, "script -qec \"$CLI convert --output-dir . a.bmp b.bmp c.bmp\" /dev/null");
    ASSERT_EQ(terminal.exitCode, 0) << terminal.err;
    EXPECT_NE(terminal.out.find("\r\033[K2 / 3 files"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find("\r\033[K3 / 3 files\r\033[K"), std::string::npos);
    EXPECT_NE(terminal.out.find("./lcd_c.txt"), std::string::npos);
    const Ran quiet = Shell(
        folder, "script -qec \"$CLI convert --quiet --output-dir . a.bmp b.bmp c.bmp\" /dev/null");
    EXPECT_EQ(quiet.out.find("files"), std::string::npos) << quiet.out;
    const Ran piped = Shell(folder, "$CLI convert --output-dir . a.bmp b.bmp c.bmp");
    EXPECT_EQ(piped.err, "");
}

TEST(CliFailedOutput, AFullDeviceIsExitOneWithTheReason) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    ASSERT_EQ(Shell(folder, "$CLI convert --quiet p.bmp").exitCode, 0);
    for (const char* line :
         {"$CLI convert --stdout p.bmp > /dev/full", "$CLI convert p.bmp > /dev/full",
          "$CLI show lcd_p.txt > /dev/full", "$CLI show --blocks lcd_p.txt > /dev/full",
          "$CLI --help > /dev/full", "$CLI --version > /dev/full"}) {
        const Ran ran = Shell(folder, line);
        EXPECT_EQ(ran.exitCode, 1) << line;
        EXPECT_EQ(ran.err, "pelmora-cli: standard output: No space left on device\n") << line;
    }
}

TEST(CliFailedOutput, AFileSizeLimitKeepsTheEarlierFileWhole) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    const std::string earlier = "an earlier file that must survive\n";
    // 2 blocks: 1,024 bytes, less than any of the outputs below.
    for (const char* line :
         {"$CLI convert --quiet p.bmp", "$CLI convert --quiet --format c p.bmp",
          "$CLI show --png shown.png lcd_p.txt", "$CLI show --bmp shown.bmp lcd_p.txt"}) {
        SCOPED_TRACE(line);
        ASSERT_EQ(Shell(folder, "$CLI convert --quiet p.bmp").exitCode, 0);
        const std::string text = ReadFile(folder / "lcd_p.txt");
        for (const char* name : {"lcd_p.h", "shown.png", "shown.bmp"}) {
            WriteFile(folder / name, earlier);
        }
        const std::string target =
            std::string(line).find("--format c") != std::string::npos ? "lcd_p.h"
            : std::string(line).find("--png") != std::string::npos    ? "shown.png"
            : std::string(line).find("--bmp") != std::string::npos    ? "shown.bmp"
                                                                      : "lcd_p.txt";
        const std::string before = ReadFile(folder / target);
        const Ran ran = Shell(folder, line, 2);
        EXPECT_EQ(ran.exitCode, 1);
        const std::string shown = target.rfind("lcd_", 0) == 0 ? "./" + target : target;
        EXPECT_EQ(ran.err, "pelmora-cli: " + shown + ": File too large\n");
        EXPECT_EQ(ReadFile(folder / target), before);
        EXPECT_EQ(ReadFile(folder / "lcd_p.txt"), text);
        EXPECT_EQ(folder.names(), (std::vector<std::string>{"lcd_p.h", "lcd_p.txt", "p.bmp",
                                                            "shown.bmp", "shown.png"}));
    }
}

TEST(CliFailedOutput, AMissingFolderIsNamed) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    const Ran convert = Shell(folder, "$CLI convert --output-dir gone p.bmp");
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_EQ(convert.err, "pelmora-cli: gone/lcd_p.txt: No such file or directory\n");
    ASSERT_EQ(Shell(folder, "$CLI convert --quiet p.bmp").exitCode, 0);
    const Ran png = Shell(folder, "$CLI show --png gone/p.png lcd_p.txt");
    EXPECT_EQ(png.exitCode, 1);
    EXPECT_EQ(png.err, "pelmora-cli: gone/p.png: No such file or directory\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"lcd_p.txt", "p.bmp"}));
}

} // namespace
} // namespace pelmora
