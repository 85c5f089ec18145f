// pelmora-cli on panels beyond one bit: the options and their refusals, exact levels packed
// as the layouts define them (the packing written here, not the core's), show's pictures
// and shading, prepare's 4-bit BMPs and frames at four bits.

#include "support/qt_helpers.h"
#include "support/test_pictures.h"

#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::Q;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;
using Bytes = std::vector<std::uint8_t>;

struct Ran {
    int exitCode = -1;
    std::string out;
    std::string err;
};

Ran Start(const QString& program, const QStringList& arguments,
          const std::filesystem::path& folder) {
    QProcess process;
    process.setWorkingDirectory(Q(folder));
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

Ran Cli(const QStringList& arguments, const std::filesystem::path& folder) {
    return Start(PELMORA_CLI, arguments, folder);
}

Bytes BytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

// ---- The layouts as their descriptions put them ----

struct Layout {
    int width = 0;
    int height = 0;
    std::string arrangement; // rows, pages or bitplanes
    bool msb = false;
    int depth = 1;
    int ramWidth = 0; // 0: the width
    int xOffset = 0;
    bool triColour = false;
    bool inkIsZero = false;
    int top() const { return triColour ? 2 : (1 << depth) - 1; }
    int ram() const { return ramWidth == 0 ? width : ramWidth; }
};

// One plane of value(x, y) at bits bits a dot.
Bytes PackPlane(const Layout& layout, int bits, const std::function<int(int, int)>& value) {
    const int ram = layout.ram();
    const int rowBytes = (ram * bits + 7) / 8;
    const int pageRows = layout.arrangement == "bitplanes" ? 8 : 8 / bits;
    const int pages = (layout.height + pageRows - 1) / pageRows;
    Bytes bytes(layout.arrangement == "rows"        ? rowBytes * layout.height
                : layout.arrangement == "bitplanes" ? pages * ram * bits
                                                    : pages * ram);
    for (int y = 0; y < layout.height; ++y) {
        for (int x = 0; x < layout.width; ++x) {
            const int level = value(x, y);
            const int column = x + layout.xOffset;
            if (layout.arrangement == "rows") {
                const int bit = column * bits % 8; // from the first dot's end of the byte
                bytes[y * rowBytes + column * bits / 8] |= level
                                                           << (layout.msb ? 8 - bits - bit : bit);
            } else if (layout.arrangement == "pages") {
                const int slot = y % pageRows;
                bytes[y / pageRows * ram + column] |=
                    level << (layout.msb ? 8 - bits * (slot + 1) : slot * bits);
            } else { // the top bit of the level in the column's first byte
                for (int k = 0; k < bits; ++k) {
                    bytes[(y / 8 * ram + column) * bits + k] |= (level >> (bits - 1 - k) & 1)
                                                                << (y % 8);
                }
            }
        }
    }
    return bytes;
}

Bytes Pack(const Layout& layout, const std::function<int(int, int)>& level) {
    if (!layout.triColour) {
        return PackPlane(layout, layout.depth, level);
    }
    Bytes bytes = PackPlane(layout, 1, [&](int x, int y) { return level(x, y) == 1 ? 1 : 0; });
    const Bytes colour =
        PackPlane(layout, 1, [&](int x, int y) { return level(x, y) == 2 ? 1 : 0; });
    bytes.insert(bytes.end(), colour.begin(), colour.end());
    for (std::uint8_t& byte : bytes) {
        byte = layout.inkIsZero ? static_cast<std::uint8_t>(~byte) : byte;
    }
    return bytes;
}

// What a level is drawn as: evenly spaced greys from white, or white, black and red.
std::uint32_t ColourOfLevel(const Layout& layout, int level) {
    if (layout.triColour) {
        return level == 0 ? 0xFFFFFF : level == 1 ? 0x000000 : 0xFF0000;
    }
    const auto grey = static_cast<std::uint32_t>(255 - level * 255 / layout.top());
    return grey << 16 | grey << 8 | grey;
}

// A picture of colour(x, y) (0xRRGGBB) and alpha(x, y) made into a PNG by ImageMagick from
// a Netpbm PAM.
void MakePng(
    const ScratchFolder& folder, const std::string& name, int width, int height,
    const std::function<std::uint32_t(int, int)>& colour,
    const std::function<int(int, int)>& alpha = [](int, int) { return 255; }) {
    std::string pam = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                      "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colour(x, y);
            pam += {static_cast<char>(c >> 16), static_cast<char>(c >> 8 & 0xFF),
                    static_cast<char>(c & 0xFF), static_cast<char>(alpha(x, y))};
        }
    }
    WriteFile(folder / (name + ".pam"), pam);
    ASSERT_EQ(
        Start("convert", {Q(folder / (name + ".pam")), Q(folder / name)}, folder.path()).exitCode,
        0);
}

// Every new preset at a small odd size: the bytes of a picture at exact levels, in every
// dither, and show's picture and BMP of them.
TEST(LevelsCli, EachPresetPacksExactLevelsAsItsLayoutSays) {
    const struct {
        const char* panel;
        Layout layout;
    } rows[] = {
        {"ssd1322", {21, 5, "rows", true, 4}},
        {"ssd1325", {21, 5, "rows", true, 4}},
        {"ssd1327", {21, 5, "rows", true, 4}},
        {"st7528", {21, 11, "bitplanes", false, 4}},
        {"uc1610", {21, 11, "pages", false, 2}},
        {"sh1106-ram", {21, 11, "pages", false, 1, 132, 2}},
        {"gxepd2-3c", {21, 5, "rows", true, 1, 0, 0, true, true}},
        {"adafruit-epd-3c", {21, 5, "rows", true, 1, 0, 0, true, false}},
    };
    ScratchFolder folder;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.panel);
        const Layout& layout = row.layout;
        const auto level = [&layout](int x, int y) {
            return (x * 3 + y * 5) % (layout.top() + 1);
        };
        MakePng(folder, "p.png", layout.width, layout.height,
                [&](int x, int y) { return ColourOfLevel(layout, level(x, y)); });
        const QStringList panel{"--panel", row.panel, "--size",
                                QString("%1x%2").arg(layout.width).arg(layout.height)};
        const Bytes expected = Pack(layout, level);
        for (const QString dither : {"floyd-steinberg", "atkinson", "bayer", "threshold"}) {
            const Ran run = Cli(
                QStringList{"convert", "--format", "bin", "--stdout", "--dither", dither, "p.png"} +
                    panel,
                folder.path());
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(BytesOf(run.out), expected) << dither.toStdString();
        }
        WriteFile(folder / "p.bin", std::string(expected.begin(), expected.end()));
        // Raw bytes are told by their name, whatever syntax the preset writes.
        const Ran shown = Cli(
            QStringList{"show", "--scale", "1", "--png", "s.png", "p.bin"} + panel, folder.path());
        ASSERT_EQ(shown.exitCode, 0) << shown.err;
        const QImage image(Q(folder / "s.png"));
        ASSERT_EQ(image.size(), QSize(layout.width, layout.height));
        // show's BMP converts back to the same bytes.
        ASSERT_EQ(Cli(QStringList{"show", "--bmp", "s.bmp", "--format", "bin", "p.bin"} + panel,
                      folder.path())
                      .exitCode,
                  0);
        const Ran back = Cli(QStringList{"convert", "--format", "bin", "--stdout", "s.bmp"} + panel,
                             folder.path());
        EXPECT_EQ(BytesOf(back.out), expected) << back.err;
        // One-bit panels keep the preview's colours: black on, green off.
        const bool previewColours = layout.depth == 1 && !layout.triColour;
        for (int y = 0; y < layout.height; ++y) {
            for (int x = 0; x < layout.width; ++x) {
                const std::uint32_t want = previewColours ? (level(x, y) != 0 ? 0x000000 : 0x008000)
                                                          : ColourOfLevel(layout, level(x, y));
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFU, want) << x << "," << y;
            }
        }
    }
}

struct Refusal {
    const char* name;
    QStringList arguments;
    std::string message; // the first line of standard error
};

TEST(LevelsCli, BadValuesAreRefusedWithOneLine) {
    const Refusal refusals[] = {
        {"depth 3", {"convert", "--depth", "3", "a.png"}, "--depth takes 1, 2 or 4"},
        {"colours",
         {"convert", "--colours", "blue", "a.png"},
         "--colours takes black-red or black-yellow"},
        {"mask form",
         {"convert", "--layout", "pages", "--mask=wavy", "a.png"},
         "--mask takes plane or interleaved"},
        {"ink alone", {"convert", "--ink", "0", "a.png"}, "--ink goes with --colours"},
        {"ink 2", {"convert", "--panel", "gxepd2-3c", "--ink", "2", "a.png"}, "--ink takes 0 or 1"},
        {"grey e-paper",
         {"convert", "--panel", "gxepd2-3c", "--depth", "2", "a.png"},
         "tri-colour planes are one bit a dot each"},
        {"RAM in halves",
         {"convert", "--ram-width", "132", "a.png"},
         "a RAM width is for pages, rows or bit planes, not halves"},
        {"RAM too narrow",
         {"convert", "--layout", "pages", "--ram-width", "100", "a.png"},
         "a picture 128 wide at column 0 does not fit a RAM 100 columns wide"},
        {"offset too far",
         {"show", "--panel", "sh1106-ram", "--x-offset", "5", "a.bin"},
         "a picture 128 wide at column 5 does not fit a RAM 132 columns wide"},
        {"RAM width 0",
         {"convert", "--layout", "rows", "--ram-width", "0", "a.png"},
         "--ram-width takes a whole number from 1 to 4096"},
        {"interleaved rows",
         {"convert", "--layout", "rows", "--mask", "interleaved", "a.png"},
         "an interleaved mask goes with one-bit pages, top dot in bit 0"},
        {"levels at one bit",
         {"convert", "--levels", "255,0", "a.png"},
         "--levels goes with --depth 2 or 4"},
        {"levels on e-paper",
         {"convert", "--panel", "gxepd2-3c", "--levels", "255,128,0", "a.png"},
         "--levels goes with --depth 2 or 4"},
        {"X bitmap of greys",
         {"convert", "--format", "xbm", "--depth", "2", "a.png"},
         "--format xbm: an X bitmap holds one bit a dot in rows, the leftmost dot in bit 0, in "
         "one plane"},
        {"layout",
         {"show", "--layout", "columns", "a.bin"},
         "--layout takes halves, pages, rows or bitplanes"},
        {"prepare's mask",
         {"prepare", "--mask", "a.png"},
         "prepare writes a BMP, which holds no mask: convert --mask takes it from the "
         "picture's transparency"},
        {"prepare's e-paper greys",
         {"prepare", "--colours", "black-red", "--depth", "4", "a.png"},
         "tri-colour planes are one bit a dot each"},
    };
    ScratchFolder folder;
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        const Ran run = Cli(refusal.arguments, folder.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "pelmora-cli: " + refusal.message);
    }
    // Levels out of order: refused, by the reader of level greys, as --levels.
    for (const QString levels : {"255,100,200,0", "255,0", "255,170,85,-1", "255,,85,0"}) {
        const Ran run =
            Cli({"convert", "--panel", "uc1610", "--levels", levels, "a.png"}, folder.path());
        EXPECT_EQ(run.exitCode, 2) << levels.toStdString();
        EXPECT_TRUE(run.err.starts_with("pelmora-cli: --levels")) << run.err;
    }
    EXPECT_TRUE(folder.names().empty());
}

// --mask alone before a picture, or with its form after it or after '=': the bytes it adds.
TEST(LevelsCli, MaskTakesItsFormOnlyWhenNamed) {
    ScratchFolder folder;
    MakePng(folder, "sprite.png", 16, 8, [](int x, int) { return x < 8 ? 0x000000U : 0xFFFFFFU; });
    const struct {
        QStringList mask;
        std::size_t bytes;
    } rows[] = {
        {{"--mask"}, 32},
        {{"--mask", "plane"}, 32},
        {{"--mask=plane"}, 32},
        {{"--mask", "interleaved"}, 2 + 32},
        {{"--mask=interleaved"}, 2 + 32},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mask.join(' ').toStdString());
        const Ran run = Cli(QStringList{"convert", "--layout", "pages", "--size", "16x8",
                                        "--format", "bin", "--stdout"} +
                                row.mask + QStringList{"sprite.png"},
                            folder.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out.size(), row.bytes);
    }
}

// A masked picture: transparent pixels are 0 in the mask plane and transparent in show's PNG;
// the terminal shows them as spaces.
TEST(LevelsCli, MaskedDotsAreTransparentWhenShown) {
    ScratchFolder folder;
    MakePng(
        folder, "m.png", 8, 8, [](int, int) { return 0U; },
        [](int x, int) { return x < 4 ? 255 : 0; });
    const Ran converted = Cli({"convert", "--layout", "pages", "--size", "8x8", "--mask",
                               "--format", "c", "--dither", "threshold", "m.png"},
                              folder.path());
    ASSERT_EQ(converted.exitCode, 0) << converted.err;
    const Ran shown =
        Cli({"show", "--scale", "1", "--png", "m_shown.png", "lcd_m.h"}, folder.path());
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const QImage image(Q(folder / "m_shown.png"));
    ASSERT_EQ(image.size(), QSize(8, 8));
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(qAlpha(image.pixel(x, 3)), x < 4 ? 255 : 0) << x;
        EXPECT_EQ(image.pixel(x, 3) & 0xFFFFFFU, x < 4 ? 0U : 0xFFFFFFU) << x;
    }
    const Ran text = Cli({"show", "lcd_m.h"}, folder.path());
    ASSERT_EQ(text.exitCode, 0) << text.err;
    std::string lines;
    for (int y = 0; y < 8; ++y) {
        lines += "####    \n";
    }
    EXPECT_EQ(text.out, lines);
}

// The terminal's shades: a 2-bit row of the four levels, and the e-paper's three colours.
TEST(LevelsCli, TheTerminalShadesLevelsAndNamesColours) {
    ScratchFolder folder;
    WriteFile(folder / "grey.bin", std::string("\x1B", 1)); // 00 01 10 11, leftmost first
    const Ran grey = Cli({"show", "--layout", "rows", "--depth", "2", "--size", "4x1", "grey.bin"},
                         folder.path());
    EXPECT_EQ(grey.exitCode, 0) << grey.err;
    EXPECT_EQ(grey.out, ".\u2592\u2593\u2588\n");
    WriteFile(folder / "epd.bin", std::string("\x40\x20", 2)); // black plane, then colour
    const Ran epd = Cli({"show", "--panel", "adafruit-epd-3c", "--size", "3x1", "--colours",
                         "black-yellow", "--format", "bin", "epd.bin"},
                        folder.path());
    EXPECT_EQ(epd.exitCode, 0) << epd.err;
    EXPECT_EQ(epd.out, ".#y\n");
}

// prepare writes a 4-bit BMP of the levels' greys, or of white, black and the colour; convert
// takes it back to the levels the picture gave.
TEST(LevelsCli, PrepareWritesTheLevelsAsA4BitBmpThatConvertTakesBack) {
    ScratchFolder folder;
    const struct {
        const char* name;
        QStringList dots;
        QStringList panel;
        std::vector<std::uint32_t> palette;
    } rows[] = {
        {"four bits",
         {"--depth", "4"},
         {"--panel", "ssd1325"},
         {0xFFFFFF, 0xEEEEEE, 0xDDDDDD, 0xCCCCCC, 0xBBBBBB, 0xAAAAAA, 0x999999, 0x888888, 0x777777,
          0x666666, 0x555555, 0x444444, 0x333333, 0x222222, 0x111111, 0x000000}},
        {"chosen greys",
         {"--depth", "2", "--levels", "250,180,90,10"},
         {"--panel", "uc1610", "--levels", "250,180,90,10"},
         {0xFAFAFA, 0xB4B4B4, 0x5A5A5A, 0x0A0A0A}},
        {"e-paper", {"--colours", "black-red"}, {"--panel", "gxepd2-3c"}, {0xFFFFFF, 0, 0xFF0000}},
    };
    ASSERT_EQ(Start("convert", {"-size", "24x16", "plasma:red-blue", "-seed", "3", "photo.png"},
                    folder.path())
                  .exitCode,
              0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QStringList size{"--size", "24x16"};
        const Ran prepared =
            Cli(QStringList{"prepare", "-o", "p.bmp"} + size + row.dots + QStringList{"photo.png"},
                folder.path());
        ASSERT_EQ(prepared.exitCode, 0) << prepared.err;
        const QImage bmp(Q(folder / "p.bmp"));
        ASSERT_EQ(bmp.format(), QImage::Format_Indexed8);
        ASSERT_EQ(bmp.colorCount(), static_cast<int>(row.palette.size()));
        for (int i = 0; i < bmp.colorCount(); ++i) {
            EXPECT_EQ(bmp.color(i) & 0xFFFFFFU, row.palette[static_cast<std::size_t>(i)]) << i;
        }
        const QStringList convert{"convert", "--format", "bin", "--stdout"};
        const Ran direct =
            Cli(convert + row.panel + size + QStringList{"photo.png"}, folder.path());
        const Ran fromBmp = Cli(convert + row.panel + size + QStringList{"p.bmp"}, folder.path());
        ASSERT_EQ(direct.exitCode, 0) << direct.err;
        ASSERT_EQ(fromBmp.exitCode, 0) << fromBmp.err;
        EXPECT_EQ(fromBmp.out, direct.out);
    }
}

// --frames at four bits: each frame the bytes of its still, and show draws the one asked.
TEST(LevelsCli, FramesAtFourBitsHoldEachStillsLevels) {
    ScratchFolder folder;
    const Layout layout{21, 5, "rows", true, 4};
    const auto first = [](int x, int y) {
        return (x + 2 * y) % 16;
    };
    const auto second = [](int x, int y) {
        return 15 - (x * 7 + y) % 16;
    };
    MakePng(folder, "a.png", 21, 5,
            [&](int x, int y) { return ColourOfLevel(layout, first(x, y)); });
    MakePng(folder, "b.png", 21, 5,
            [&](int x, int y) { return ColourOfLevel(layout, second(x, y)); });
    const QStringList panel{"--panel", "ssd1322", "--size", "21x5"};
    const Ran run = Cli(QStringList{"convert", "--frames", "--format", "bin", "-o", "f.bin",
                                    "--quiet", "a.png", "b.png"} +
                            panel,
                        folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Bytes expected = Pack(layout, first);
    const Bytes next = Pack(layout, second);
    expected.insert(expected.end(), next.begin(), next.end());
    EXPECT_EQ(BytesOf(ReadFile(folder / "f.bin")), expected);
    const Ran shown = Cli(
        QStringList{"show", "--frames", "--frame", "1", "--scale", "1", "--png", "f.png", "f.bin"} +
            panel,
        folder.path());
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const QImage image(Q(folder / "f.png"));
    ASSERT_EQ(image.size(), QSize(21, 5));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 21; ++x) {
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFU, ColourOfLevel(layout, second(x, y)));
        }
    }
}

// The one-bit path, prepared straight to dots, gives what prepare then convert give, with
// --inverse too.
TEST(LevelsCli, OneBitPreparedStraightToDotsKeepsItsBytes) {
    ScratchFolder folder;
    ASSERT_EQ(
        Start("convert", {"-size", "128x64", "plasma:", "-seed", "9", "photo.png"}, folder.path())
            .exitCode,
        0);
    for (const QStringList& options :
         {QStringList{"--dither", "atkinson"}, QStringList{"--dither", "atkinson", "--inverse"},
          QStringList{"--threshold", "auto", "--invert", "--inverse", "--layout", "pages"}}) {
        SCOPED_TRACE(options.join(' ').toStdString());
        QStringList preparation = options;
        preparation.removeAll("--inverse");
        preparation.removeAll("--layout");
        preparation.removeAll("pages");
        ASSERT_EQ(
            Cli(QStringList{"prepare", "-o", "p.bmp"} + preparation + QStringList{"photo.png"},
                folder.path())
                .exitCode,
            0);
        QStringList onBmp = options;
        for (const QString& option : preparation) {
            onBmp.removeOne(option);
        }
        const Ran direct = Cli(
            QStringList{"convert", "--stdout"} + options + QStringList{"photo.png"}, folder.path());
        const Ran twoSteps =
            Cli(QStringList{"convert", "--stdout"} + onBmp + QStringList{"p.bmp"}, folder.path());
        ASSERT_EQ(direct.exitCode, 0) << direct.err;
        EXPECT_EQ(direct.out, twoSteps.out);
    }
}

} // namespace
} // namespace pelmora
