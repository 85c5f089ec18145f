// pelmora-cli end to end: real processes, real files.

#include "core/bmp/bitmap_header.h"
#include "core/panel/presets.h"
#include "core/syntax/syntax.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"

#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <sstream>

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
          UsageCase{{"convert", "--stdout", "a.bmp", "b.bmp"}, "--stdout takes one BITMAP only"},
          // A C header of these names would not compile.
          UsageCase{
              {"convert", "--format", "c", "--name", "int", "a.bmp"},
              "--name int: a keyword of C or C++, or a name the header or the compiler defines"},
          UsageCase{{"convert", "--frames", "--format", "arduino", "--name", "uint8_t", "a.gif"},
                    "--name uint8_t: a name <stdint.h> defines"},
          UsageCase{{"convert", "--name", "INT8", "a.bmp"},
                    "--name INT8 makes INT8_WIDTH: a name <stdint.h> defines"}}) {
        const CliRun run = Cli(c.arguments);
        SCOPED_TRACE(c.error);
        EXPECT_EQ(run.exitCode, 2);
        // The one line that matters, and where the command's help is: no usage to bury it.
        const std::string command = c.arguments.isEmpty() || c.arguments.front() == "paint"
                                        ? std::string()
                                        : c.arguments.front().toStdString() + " ";
        EXPECT_EQ(run.err,
                  "pelmora-cli: " + c.error + "\nTry 'pelmora-cli " + command + "--help'.\n");
    }
}

// Each command's help is its own: its usage first, its options from its table, nothing of
// the other commands.
TEST(CliUsage, EachCommandHasItsOwnHelp) {
    const struct {
        const char* command;
        std::vector<std::string> options;
        std::vector<std::string> others;
    } cases[] = {
        {"convert", {"--format F", "--frames", "--dither D", "--fit F"}, {"--hinting", "--check"}},
        {"prepare", {"--fit F", "--dither D"}, {"--format F", "--hinting"}},
        {"show", {"--png OUT.png", "--text TEXT"}, {"--hinting", "--merge-repeats"}},
        {"font", {"--chars SET", "--hinting H"}, {"--dither", "--merge-repeats"}},
        {"build", {"--depfile FILE", "--check"}, {"--dither", "--hinting"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const CliRun help = Cli({c.command, "--quiet", "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.err, "");
        EXPECT_EQ(help.out.rfind(std::string("Usage: pelmora-cli ") + c.command, 0), 0U);
        for (const std::string& option : c.options) {
            EXPECT_NE(help.out.find("  " + option), std::string::npos) << option;
        }
        for (const std::string& option : c.others) {
            EXPECT_EQ(help.out.find("  " + option), std::string::npos) << option;
        }
        EXPECT_TRUE(help.out.ends_with("2 for a usage error.\n"));
    }
    // After --, --help is a file's name.
    const CliRun file = Cli({"show", "--", "--help"});
    EXPECT_EQ(file.exitCode, 1);
    EXPECT_NE(file.err.find("--help"), std::string::npos);
}

TEST(CliUsage, HelpAndVersionAnswerOnStdout) {
    const CliRun version = Cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "pelmora-cli 0.1\n");
    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"-h"}}) {
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

// --panel NAME stands for its options: the same picture gives the same bytes either way,
// and an option beside it changes what it set.
TEST(CliPanels, EachPresetWritesWhatTheOptionsItStandsForWrite) {
    ScratchFolder folder;
    for (const PanelPreset& preset : PanelPresets()) {
        const std::string name(preset.name);
        SCOPED_TRACE(name);
        const PanelLayout& layout = preset.layout;
        Picture picture = test::RandomPicture(7);
        picture.width = layout.width;
        picture.height = layout.height;
        picture.index.resize(static_cast<std::size_t>(layout.width * layout.height));
        const auto bmp = folder / (name + ".bmp");
        WriteFile(bmp, EncodeBmp(picture, {.width = layout.width, .height = layout.height}));
        QStringList spelled{"convert",     "--stdout",
                            "--size",      QString("%1x%2").arg(layout.width).arg(layout.height),
                            "--layout",    Q(std::string(NameOf(layout.arrangement))),
                            "--bit-order", Q(std::string(NameOf(layout.bitOrder)))};
        if (!preset.syntax.empty()) {
            spelled << "--format" << Q(std::string(preset.syntax));
        }
        spelled << "--depth" << QString::number(layout.depth);
        if (layout.colours != Colours::None) {
            spelled << "--colours" << Q(std::string(NameOf(layout.colours))) << "--ink"
                    << (layout.inkIsZero ? "0" : "1");
        }
        if (layout.ramWidth != 0) {
            spelled << "--ram-width" << QString::number(layout.ramWidth) << "--x-offset"
                    << QString::number(layout.xOffset);
        }
        const CliRun byName = Cli({"convert", "--stdout", "--panel", Q(name), Q(bmp)});
        const CliRun byOptions = Cli(spelled << Q(bmp));
        ASSERT_EQ(byName.exitCode, 0) << byName.err;
        ASSERT_EQ(byOptions.exitCode, 0) << byOptions.err;
        EXPECT_EQ(byName.out, byOptions.out);
    }

    WriteFile(folder / "bar.bmp", EncodeBmp(Picture{}, {.width = 128, .height = 32}));
    const CliRun changed = Cli({"convert", "--stdout", "--panel", "ssd1306", "--size", "128x32",
                                "--format", "c", Q(folder / "bar.bmp")});
    const CliRun preset = Cli({"convert", "--stdout", "--panel", "ssd1306-128x32", "--format", "c",
                               Q(folder / "bar.bmp")});
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_EQ(changed.out, preset.out);
    EXPECT_NE(changed.out.find("uint8_t"), std::string::npos);

    const CliRun unknown = Cli({"convert", "--panel", "hd44780", "a.bmp"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err.substr(0, unknown.err.find('\n')),
              "pelmora-cli: --panel takes ks0108, ssd1306, ssd1306-128x32, sh1106, st7565, "
              "pcd8544, st7920, gfx-bitmap, u8g2-xbm, sh1106-ram, ssd1322, ssd1325, ssd1327, "
              "st7528, uc1610, gxepd2-3c or adafruit-epd-3c");
}

// Every name a user can type comes from the core's lists: each is listed by --list, offered
// by --help and the shell completions, and told in the manual page and the README.
TEST(CliLists, EveryPanelAndFormatNameIsListedOfferedAndDocumented) {
    const std::string source = PELMORA_SOURCE;
    const std::string help = Cli({"--help"}).out;
    const CliRun panels = Cli({"--list", "panels"});
    const CliRun formats = Cli({"--list", "formats"});
    ASSERT_EQ(panels.exitCode, 0);
    ASSERT_EQ(formats.exitCode, 0);
    const struct {
        const char* name;
        std::string text;
    } places[] = {
        {"help", help},
        {"bash completion", ReadFile(source + "/packaging/completions/pelmora-cli.bash")},
        {"zsh completion", ReadFile(source + "/packaging/completions/_pelmora-cli")},
        {"fish completion", ReadFile(source + "/packaging/completions/pelmora-cli.fish")},
    };
    std::vector<std::string> names;
    for (const Syntax* syntax : Syntaxes()) {
        names.emplace_back(syntax->name);
        EXPECT_NE(formats.out.find(std::string(syntax->name) + " "), std::string::npos)
            << syntax->name;
    }
    for (const PanelPreset& preset : PanelPresets()) {
        names.emplace_back(preset.name);
        EXPECT_NE(panels.out.find(std::string(preset.name) + " "), std::string::npos)
            << preset.name;
    }
    const std::string manual = ReadFile(source + "/packaging/pelmora-cli.1");
    const std::string readme = ReadFile(source + "/README.md");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        for (const auto& place : places) {
            // A word of its own: "c" must not be found inside "arduino".
            bool found = false;
            for (std::size_t at = place.text.find(name); at != std::string::npos && !found;
                 at = place.text.find(name, at + 1)) {
                const auto apart = [](char c) {
                    return c == ' ' || c == '\n' || c == '\'' || c == '(' || c == ')' || c == ',' ||
                           c == '"';
                };
                found =
                    (at == 0 || apart(place.text[at - 1])) &&
                    (at + name.size() == place.text.size() || apart(place.text[at + name.size()]));
            }
            EXPECT_TRUE(found) << place.name;
        }
        std::string escaped; // the manual writes a hyphen as \-
        for (const char c : name) {
            escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        }
        EXPECT_NE(manual.find(escaped), std::string::npos) << "manual page";
        EXPECT_NE(readme.find("`" + name + "`"), std::string::npos) << "README";
    }
    EXPECT_EQ(Cli({"--list", "fonts"}).exitCode, 2);
}

// A shell command line run in folder; its exit code.
int Sh(const std::filesystem::path& folder, const QString& line) {
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(folder.string()));
    process.start("sh", {"-c", line});
    process.waitForFinished(60000);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Intel HEX past 64 KiB: each 64 KiB after the first opens with an extended linear address
// record (type 04; a segment record, 02, would address 16-byte paragraphs), and objcopy
// reads back the very bytes of --format bin at their addresses, a picture's and frames'.
TEST(CliConvert, IntelHexPast64KiBAddressesEveryByteWithLinearRecords) {
    ScratchFolder folder;
    ASSERT_EQ(Sh(folder.path(), "convert -size 1024x1024 xc: +noise Random -colorspace gray "
                                "big.png && convert -size 512x512 xc: +noise Random "
                                "-colorspace gray small.png"),
              0);
    const struct {
        const char* name;
        QStringList arguments;
        std::size_t bytes;
    } cases[] = {
        {"1024 x 1024 picture", {"--size", "1024x1024", "big.png"}, 131072},
        {"three frames of 512 x 512",
         {"--frames", "--size", "512x512", "-o", "OUT", "small.png", "big.png", "small.png"},
         98304},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        for (const QString format : {"ihex", "bin"}) {
            QStringList arguments{"convert",  "--quiet", "--dither", "threshold",
                                  "--layout", "pages",   "--format", format};
            for (const QString& argument : row.arguments) {
                arguments << (argument == "OUT" ? "out." + format : argument);
            }
            if (!row.arguments.contains("-o")) {
                arguments.insert(arguments.size() - 1, "--output-dir");
                arguments.insert(arguments.size() - 1, "picture");
            }
            std::filesystem::create_directories(folder / "picture");
            const CliRun ran = Cli(arguments, folder.path());
            ASSERT_EQ(ran.exitCode, 0) << ran.err;
        }
        const bool frames = row.arguments.contains("-o");
        const std::string hex = frames ? "out.ihex" : "picture/lcd_big.hex";
        const std::string bin = frames ? "out.bin" : "picture/lcd_big.bin";
        ASSERT_EQ(ReadFile(folder / bin).size(), row.bytes);
        // Every record in order: its type, and the address its data lands at.
        std::istringstream lines(ReadFile(folder / hex));
        unsigned long upper = 0;
        unsigned long next = 0; // where the next data record must land
        std::vector<unsigned long> uppers;
        for (std::string line; std::getline(lines, line);) {
            ASSERT_GE(line.size(), 11U) << line;
            const int type = std::stoi(line.substr(7, 2), nullptr, 16);
            const unsigned long address = std::stoul(line.substr(3, 4), nullptr, 16);
            ASSERT_TRUE(type == 0 || type == 1 || type == 4) << line;
            if (type == 4) {
                upper = std::stoul(line.substr(9, 4), nullptr, 16) << 16;
                uppers.push_back(upper);
            } else if (type == 0) {
                EXPECT_EQ(upper + address, next) << line;
                next = upper + address + std::stoul(line.substr(1, 2), nullptr, 16);
            }
        }
        EXPECT_EQ(next, row.bytes);
        EXPECT_EQ(uppers, (std::vector<unsigned long>{0x10000}));
        ASSERT_EQ(Sh(folder.path(),
                     QString::fromStdString("objcopy -I ihex -O binary " + hex + " objcopy.bin")),
                  0);
        EXPECT_EQ(ReadFile(folder / "objcopy.bin"), ReadFile(folder / bin));
    }
}

// One run never writes a result over another result of the same run, nor over a file it
// reads: the first result stays, and the refusal names both files.
TEST(CliBatch, NoResultReplacesAnotherOrAFileTheRunReads) {
    ScratchFolder folder;
    std::filesystem::create_directories(folder / "a");
    std::filesystem::create_directories(folder / "b");
    std::filesystem::create_directories(folder / "out");
    const Picture first = test::RandomPicture(1);
    WriteFile(folder / "a/logo.bmp", EncodeBmp(first));
    WriteFile(folder / "b/logo.bmp", EncodeBmp(test::RandomPicture(2)));

    const CliRun twice =
        Cli({"convert", "--output-dir", "out", "a/logo.bmp", "b/logo.bmp"}, folder.path());
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_EQ(twice.out, "out/lcd_logo.txt\n");
    EXPECT_EQ(twice.err, "pelmora-cli: b/logo.bmp: the result would replace out/lcd_logo.txt, "
                         "written from a/logo.bmp in this run; give another --output-dir or "
                         "name\n");
    EXPECT_EQ(ReadFile(folder / "out/lcd_logo.txt"), ExpectedLcdText(first, 0));

    // prepare: two pictures of one stem, and a result named as a picture still to be read.
    WriteFile(folder / "same.bmp", EncodeBmp(first));
    WriteFile(folder / "same.BMP", EncodeBmp(test::RandomPicture(3)));
    const CliRun stems = Cli({"prepare", "same.bmp", "same.BMP"}, folder.path());
    EXPECT_EQ(stems.exitCode, 1);
    EXPECT_EQ(stems.out, "./same_128x64.bmp\n");
    EXPECT_NE(stems.err.find("pelmora-cli: same.BMP: the result would replace ./same_128x64.bmp, "
                             "written from same.bmp in this run"),
              std::string::npos)
        << stems.err;

    // Under another name of its folder, through ".." or a link, a result is the same file.
    std::filesystem::create_directories(folder / "sub");
    std::filesystem::create_directory_symlink(".", folder / "here");
    for (const char* other : {"sub/../same.BMP", "here/same.BMP"}) {
        std::filesystem::remove(folder / "same_128x64.bmp");
        const CliRun spelled = Cli({"prepare", "same.bmp", other}, folder.path());
        EXPECT_EQ(spelled.exitCode, 1) << other;
        EXPECT_NE(spelled.err.find("written from same.bmp in this run"), std::string::npos)
            << other << ": " << spelled.err;
    }

    const std::string kept = EncodeBmp(test::RandomPicture(4));
    WriteFile(folder / "a_128x64.bmp", kept);
    WriteFile(folder / "a.bmp", EncodeBmp(first));
    const CliRun ahead = Cli({"prepare", "a.bmp", "a_128x64.bmp"}, folder.path());
    EXPECT_EQ(ahead.exitCode, 1);
    EXPECT_EQ(ahead.err, "pelmora-cli: a.bmp: the result would replace a_128x64.bmp, which this "
                         "run reads; name another\n");
    EXPECT_EQ(ReadFile(folder / "a_128x64.bmp"), kept);
    EXPECT_EQ(ahead.out, "./a_128x64_128x64.bmp\n");

    // show: the picture may not be the file shown, under any of its names.
    const std::string text = ExpectedLcdText(first, 0);
    WriteFile(folder / "lcd.txt", text);
    std::filesystem::create_symlink("lcd.txt", folder / "link.txt");
    for (const QStringList& arguments : {QStringList{"show", "--bmp", "lcd.txt", "lcd.txt"},
                                         QStringList{"show", "--png", "./link.txt", "lcd.txt"}}) {
        SCOPED_TRACE(arguments.join(" ").toStdString());
        const CliRun shown = Cli(arguments, folder.path());
        EXPECT_EQ(shown.exitCode, 1);
        EXPECT_NE(shown.err.find("the result would replace lcd.txt itself; name another"),
                  std::string::npos)
            << shown.err;
        EXPECT_EQ(ReadFile(folder / "lcd.txt"), text);
    }
}

} // namespace
} // namespace pelmora
