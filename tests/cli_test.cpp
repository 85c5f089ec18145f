// pelmora-cli end to end: real processes, real files.

#include "core/bmp/bitmap_header.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"

#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::EncodeBmp;
using test::ExpectedLcdText;
using test::Picture;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliRun Cli(const QStringList& arguments, const std::filesystem::path& workingDir = {}) {
    QProcess process;
    if (!workingDir.empty()) {
        process.setWorkingDirectory(QString::fromStdString(workingDir.string()));
    }
    process.start(PELMORA_CLI, arguments);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

using test::Q;

TEST(CliConvert, WritesByteExactFilesForEveryHeaderAndWriter) {
    ScratchFolder folder;
    const Picture picture = test::RandomPicture(21);
    WriteFile(folder / "h40.bmp", EncodeBmp(picture));
    WriteFile(folder / "h108.bmp", EncodeBmp(picture, {.headerSize = 108}));
    WriteFile(folder / "h124.bmp", EncodeBmp(picture, {.headerSize = 124}));
    QImage image(kPanelWidth, kPanelHeight, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < kPanelHeight; ++y) {
        for (int x = 0; x < kPanelWidth; ++x) {
            image.setPixel(x, y, picture.at(x, y));
        }
    }
    ASSERT_TRUE(image.save(Q(folder / "qt.bmp"), "BMP"));

    for (const char* mode : {"normal", "inverse"}) {
        SCOPED_TRACE(mode);
        const bool inverse = std::string(mode) == "inverse";
        QStringList arguments{"convert"};
        if (inverse) {
            arguments << "--inverse";
        }
        for (const char* name : {"h40", "h108", "h124", "qt"}) {
            arguments << Q(folder / (std::string(name) + ".bmp"));
        }
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        std::string listed;
        for (const char* name : {"h40", "h108", "h124", "qt"}) {
            const auto output = folder / ("lcd_" + std::string(name) + ".txt");
            listed += output.string() + "\n";
            EXPECT_EQ(ReadFile(output), ExpectedLcdText(picture, inverse ? 1 : 0)) << name;
        }
        EXPECT_EQ(run.out, listed);
    }
}

TEST(CliConvert, NamesTheOutputAfterTheBitmapIntoAChosenFolder) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "out");
    WriteFile(folder / "-x.BMP", EncodeBmp(Picture{}));
    WriteFile(folder / "two words.Bmp", EncodeBmp(Picture{}));

    const CliRun run =
        Cli({"convert", "--quiet", "--output-dir", "out", "--", "-x.BMP", "two words.Bmp"},
            folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(folder / "out" / "lcd_-x.txt"), ExpectedLcdText(Picture{}, 0));
    EXPECT_TRUE(std::filesystem::exists(folder / "out" / "lcd_two words.txt"));

    const CliRun failed = Cli({"convert", "--output-dir=nowhere", "-x.BMP"}, folder.path());
    EXPECT_EQ(failed.exitCode, 2) << "-x.BMP is an unknown option before --";
    const CliRun missingDir =
        Cli({"convert", "--output-dir=nowhere", "--", "-x.BMP"}, folder.path());
    EXPECT_EQ(missingDir.exitCode, 1);
    EXPECT_EQ(missingDir.err, "pelmora-cli: nowhere/lcd_-x.txt: No such file or directory\n");
}

TEST(CliConvert, StdoutCarriesTheTextAndNoFileIsWritten) {
    ScratchFolder folder;
    const Picture picture = test::RandomPicture(3);
    WriteFile(folder / "p.bmp", EncodeBmp(picture));
    const CliRun run = Cli({"convert", "--stdout", "--inverse", "p.bmp"}, folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ExpectedLcdText(picture, 1));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"p.bmp"});
}

struct UsageCase {
    QStringList arguments;
    std::string error;
};

TEST(CliUsage, MistakesExitTwoWithTheReasonAndTheUsage) {
    for (const UsageCase& c :
         {UsageCase{{}, "no command given"}, UsageCase{{"paint"}, "unknown command paint"},
          UsageCase{{"convert"}, "convert needs at least one BITMAP"},
          UsageCase{{"convert", "--bold", "a.bmp"}, "unknown option --bold"},
          UsageCase{{"convert", "--inverse=yes", "a.bmp"}, "unknown option --inverse=yes"},
          UsageCase{{"convert", "a.bmp", "--output-dir"}, "--output-dir needs a value"},
          UsageCase{{"convert", "--stdout", "a.bmp", "b.bmp"}, "--stdout takes one BITMAP only"}}) {
        const CliRun run = Cli(c.arguments);
        SCOPED_TRACE(c.error);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "pelmora-cli: " + c.error);
        EXPECT_NE(run.err.find("Usage: pelmora-cli convert"), std::string::npos);
        // The synopsis only: the whole help would bury the one line that matters.
        EXPECT_TRUE(run.err.ends_with("\nRun pelmora-cli --help for the options.\n"));
        EXPECT_EQ(run.err.find("Exit status"), std::string::npos);
    }
}

TEST(CliUsage, HelpAndVersionAnswerOnStdout) {
    const CliRun version = Cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "pelmora-cli 0.1\n");
    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"convert", "--help"}}) {
        const CliRun help = Cli(arguments);
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind("Usage: pelmora-cli convert", 0), 0U);
        EXPECT_EQ(help.err, "");
    }
}

TEST(CliConvert, ConvertsTheBundledExamples) {
    ScratchFolder folder;
    const QString examples = PELMORA_EXAMPLES;
    const CliRun run =
        Cli({"convert", "--output-dir", Q(folder.path()), examples + "/hello.bmp",
             examples + "/logo.bmp", examples + "/pattern.bmp", examples + "/text.bmp"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"lcd_hello.txt", "lcd_logo.txt",
                                                        "lcd_pattern.txt", "lcd_text.txt"}));
    // The test pattern's left half is an 8 x 8 checkerboard with the corner dot set.
    const std::string pattern = ReadFile(folder / "lcd_pattern.txt");
    EXPECT_EQ(pattern.substr(0, 90), "        DB 01H,00H,00H,00H,00H,00H,00H,00H;\r\n"
                                     "        DB FFH,FFH,FFH,FFH,FFH,FFH,FFH,FFH;\r\n");
}

} // namespace
} // namespace pelmora

namespace pelmora {
namespace {

TEST(CliShow, PrintsThePanelAsCharactersOrHalfBlocks) {
    ScratchFolder folder;
    Picture picture;
    picture.set(0, 0);
    picture.set(127, 1);
    picture.set(64, 63);
    WriteFile(folder / "lcd_p.txt", ExpectedLcdText(picture, 1));

    const CliRun plain = Cli({"show", Q(folder / "lcd_p.txt")});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    std::string expected;
    for (int y = 0; y < kPanelHeight; ++y) {
        for (int x = 0; x < kPanelWidth; ++x) {
            expected += picture.at(x, y) ? '#' : '.';
        }
        expected += '\n';
    }
    EXPECT_EQ(plain.out, expected);

    const CliRun blocks = Cli({"show", "--blocks", Q(folder / "lcd_p.txt")});
    EXPECT_EQ(blocks.exitCode, 0);
    const std::string top = blocks.out.substr(0, blocks.out.find('\n'));
    EXPECT_EQ(top, "\u2580" + std::string(126, ' ') + "\u2584");
    EXPECT_EQ(std::count(blocks.out.begin(), blocks.out.end(), '\n'), 32);
}

TEST(CliShow, WritesThePanelAsAPictureInThePreviewsColours) {
    ScratchFolder folder;
    Picture picture;
    picture.set(3, 2);
    WriteFile(folder / "lcd_p.txt", ExpectedLcdText(picture, 1));
    const CliRun run =
        Cli({"show", "--png", Q(folder / "p.png"), "--scale=2", Q(folder / "lcd_p.txt")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const QImage image(Q(folder / "p.png"));
    ASSERT_EQ(image.size(), QSize(256, 128));
    EXPECT_EQ(image.pixel(7, 5), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 5), qRgb(0, 128, 0));
}

TEST(CliShow, MistakesInTheArgumentsExitTwo) {
    for (const QStringList& arguments :
         {QStringList{"show"}, QStringList{"show", "a.txt", "b.txt"},
          QStringList{"show", "--scale", "0", "a.txt"}, QStringList{"show", "--png"},
          QStringList{"show", "--blocks", "--png", "p.png", "a.txt"}}) {
        EXPECT_EQ(Cli(arguments).exitCode, 2) << arguments.join(' ').toStdString();
    }
}

} // namespace
} // namespace pelmora
