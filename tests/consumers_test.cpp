// Each syntax fed to the program that reads it: assemblers, compilers, objcopy and
// ImageMagick. What they see must be the bytes of an independent packing, written here
// from the layouts' definitions, for every layout, bit order and several panel sizes.

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pelmora {
namespace {

using test::BmpLayout;
using test::EncodeBmp;
using test::Picture;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

struct Panel {
    int width;
    int height;
    std::string layout; // halves, pages, rows
    std::string bitOrder;
    int blockWidth = 64;
};

// Bit set where the picture's dot is on; padding bits stay 0.
std::string Packed(const Picture& picture, const Panel& panel) {
    std::string bytes;
    const auto dot = [&](int x, int y) {
        return x < panel.width && y < panel.height && picture.at(x, y) == 0; // entry 0 is on
    };
    const auto bit = [&](int i) {
        return panel.bitOrder == "lsb" ? i : 7 - i;
    };
    if (panel.layout == "rows") {
        for (int y = 0; y < panel.height; ++y) {
            for (int x0 = 0; x0 < panel.width; x0 += 8) {
                int value = 0;
                for (int i = 0; i < 8; ++i) {
                    value |= dot(x0 + i, y) << bit(i);
                }
                bytes += static_cast<char>(value);
            }
        }
        return bytes;
    }
    const int block = panel.layout == "halves" ? panel.blockWidth : panel.width;
    for (int left = 0; left < panel.width; left += block) {
        for (int top = 0; top < panel.height; top += 8) {
            for (int x = left; x < left + block; ++x) {
                int value = 0;
                for (int i = 0; i < 8; ++i) {
                    value |= dot(x, top + i) << bit(i);
                }
                bytes += static_cast<char>(value);
            }
        }
    }
    return bytes;
}

Picture SizedPicture(int width, int height, unsigned seed) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.index.assign(static_cast<std::size_t>(width) * height, 0);
    std::srand(seed);
    for (auto& index : picture.index) {
        index = static_cast<std::uint8_t>(std::rand() % 3 == 0);
    }
    return picture;
}

// Runs a shell command; on failure its standard error goes into the test's output.
int Shell(const std::string& command) {
    const std::string errors = std::filesystem::temp_directory_path() / "pelmora-shell-errors";
    const int status = std::system(("(" + command + ") >/dev/null 2>" + errors).c_str());
    if (status != 0) {
        ADD_FAILURE() << command << "\n" << ReadFile(errors);
    }
    return status;
}

std::vector<Panel> Panels() {
    std::vector<Panel> panels;
    const std::pair<int, int> sizes[] = {{1, 1},    {20, 12},   {84, 48},  {128, 32},
                                         {192, 64}, {250, 122}, {800, 480}};
    for (const auto& [width, height] : sizes) {
        for (const char* order : {"lsb", "msb"}) {
            panels.push_back({width, height, "pages", order});
            panels.push_back({width, height, "rows", order});
            if (width % 64 == 0) {
                panels.push_back({width, height, "halves", order});
            } else if (width % 4 == 0) {
                panels.push_back({width, height, "halves", order, width / 4});
            }
        }
    }
    return panels;
}

std::string Name(const Panel& panel) {
    return std::to_string(panel.width) + "x" + std::to_string(panel.height) + " " + panel.layout +
           " " + panel.bitOrder + " block " + std::to_string(panel.blockWidth);
}

struct Converted {
    ScratchFolder folder;
    std::string expected;
    std::string options;

    explicit Converted(const Panel& panel) {
        const Picture picture = SizedPicture(panel.width, panel.height, panel.width + panel.height);
        WriteFile(folder / "p.bmp",
                  EncodeBmp(picture, BmpLayout{.width = panel.width, .height = panel.height}));
        expected = Packed(picture, panel);
        options = " --size " + std::to_string(panel.width) + "x" + std::to_string(panel.height) +
                  " --layout " + panel.layout + " --bit-order " + panel.bitOrder;
        if (panel.layout == "halves") {
            options += " --block-width " + std::to_string(panel.blockWidth);
        }
    }
    bool convert(const std::string& format) const {
        return Shell(std::string(PELMORA_CLI) + " convert --quiet --format " + format + options +
                     " " + (folder / "p.bmp").string()) == 0;
    }
    std::string in(const std::string& name) const { return (folder / name).string(); }
};

TEST(Consumers, AssemblersAndObjcopySeeExactlyThePackedBytes) {
    for (const Panel& panel : Panels()) {
        SCOPED_TRACE(Name(panel));
        const Converted c(panel);
        for (const char* format : {"bin", "asm", "gas", "ihex"}) {
            ASSERT_TRUE(c.convert(format)) << format;
        }
        EXPECT_EQ(ReadFile(c.in("lcd_p.bin")), c.expected) << "raw";
        ASSERT_EQ(Shell("pasmo " + c.in("lcd_p.asm") + " " + c.in("pasmo.bin")), 0);
        EXPECT_EQ(ReadFile(c.in("pasmo.bin")), c.expected) << "pasmo";
        ASSERT_EQ(Shell("z80asm -o " + c.in("z80asm.bin") + " " + c.in("lcd_p.asm")), 0);
        EXPECT_EQ(ReadFile(c.in("z80asm.bin")), c.expected) << "z80asm";
        ASSERT_EQ(Shell("as -o " + c.in("gas.o") + " " + c.in("lcd_p.s") +
                        " && objcopy -O binary -j .rodata " + c.in("gas.o") + " " +
                        c.in("gas.bin") + " && nm " + c.in("gas.o") + " | grep -q ' R lcd_p$'"),
                  0);
        EXPECT_EQ(ReadFile(c.in("gas.bin")), c.expected) << "as";
        ASSERT_EQ(Shell("objcopy -I ihex -O binary " + c.in("lcd_p.hex") + " " + c.in("hex.bin")),
                  0);
        EXPECT_EQ(ReadFile(c.in("hex.bin")), c.expected) << "objcopy ihex";
    }
}

// Compiled both as C and as C++, warnings as errors, then run to print what it holds.
TEST(Consumers, CompilersTakeTheHeadersWarningFreeAndHoldTheBytes) {
    for (const Panel& panel : Panels()) {
        if (panel.bitOrder == "msb" || panel.layout == "halves") {
            continue; // the syntax does not depend on the packing; one of each size will do
        }
        SCOPED_TRACE(Name(panel));
        const Converted c(panel);
        for (const char* format : {"c", "arduino"}) {
            SCOPED_TRACE(format);
            ASSERT_TRUE(c.convert(format));
            WriteFile(c.folder / "dump.c",
                      "#include \"lcd_p.h\"\n#include <stdio.h>\n"
                      "int main(void) { fwrite(lcd_p, 1, sizeof lcd_p, stdout);"
                      " return lcd_p_WIDTH * lcd_p_HEIGHT > 0 ? 0 : 1; }\n");
            const std::string flags = " -Wall -Wextra -Werror -I" + c.folder.path().string() + " ";
            ASSERT_EQ(Shell("gcc -std=c99" + flags + c.in("dump.c") + " -o " + c.in("dump-c")), 0);
            ASSERT_EQ(Shell(c.in("dump-c") + " > " + c.in("c.bin")), 0);
            EXPECT_EQ(ReadFile(c.in("c.bin")), c.expected);
            ASSERT_EQ(
                Shell("g++ -std=c++17 -x c++" + flags + c.in("dump.c") + " -o " + c.in("dump-cc")),
                0);
            ASSERT_EQ(Shell(c.in("dump-cc") + " > " + c.in("cc.bin")), 0);
            EXPECT_EQ(ReadFile(c.in("cc.bin")), c.expected);
            if (std::string(format) == "arduino") {
                WriteFile(c.folder / "avr.c", "#include \"lcd_p.h\"\n"
                                              "const uint8_t* data(void) { return lcd_p; }\n");
                if (c.expected.size() > 16384) {
                    continue; // more than half the flash of an ATmega328P
                }
                ASSERT_EQ(Shell("avr-gcc -mmcu=atmega328p -std=c99 -Os -c" + flags + c.in("avr.c") +
                                " -o " + c.in("avr.o") +
                                " && avr-objcopy -O binary -j .progmem.data " + c.in("avr.o") +
                                " " + c.in("avr.bin")),
                          0);
                EXPECT_EQ(ReadFile(c.in("avr.bin")), c.expected) << "in program memory";
            }
        }
    }
}

TEST(Consumers, ImageMagickReadsTheXbmAsThePicture) {
    for (const Panel& panel : Panels()) {
        if (panel.layout != "rows" || panel.bitOrder != "lsb") {
            continue;
        }
        SCOPED_TRACE(Name(panel));
        const Converted c(panel);
        ASSERT_EQ(Shell(std::string(PELMORA_CLI) + " convert --quiet --format xbm --size " +
                        std::to_string(panel.width) + "x" + std::to_string(panel.height) + " " +
                        c.in("p.bmp")),
                  0);
        ASSERT_EQ(Shell("convert " + c.in("lcd_p.xbm") + " -depth 8 gray:" + c.in("gray.raw")), 0);
        const std::string gray = ReadFile(c.in("gray.raw"));
        ASSERT_EQ(gray.size(), static_cast<std::size_t>(panel.width) * panel.height);
        const Picture picture = SizedPicture(panel.width, panel.height, panel.width + panel.height);
        int wrong = 0;
        for (int y = 0; y < panel.height; ++y) {
            for (int x = 0; x < panel.width; ++x) {
                const bool dark = gray[static_cast<std::size_t>(y) * panel.width + x] == 0;
                wrong += dark != (picture.at(x, y) == 0);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// convert, then show --bmp, then convert the bitmap again: the same file.
TEST(RoundTrip, EverySyntaxAndLayoutComesBackTheSame) {
    for (const Panel& panel : Panels()) {
        if (panel.width > 256) {
            continue;
        }
        SCOPED_TRACE(Name(panel));
        const Converted c(panel);
        for (const char* format : {"db", "asm", "gas", "c", "arduino", "bin", "ihex", "xbm"}) {
            SCOPED_TRACE(format);
            const bool xbm = std::string(format) == "xbm";
            if (xbm && (panel.layout != "rows" || panel.bitOrder != "lsb")) {
                continue;
            }
            const std::string options = std::string(" --format ") + format + c.options;
            const std::string cli = std::string(PELMORA_CLI);
            std::filesystem::remove_all(c.folder / "again");
            std::filesystem::create_directory(c.folder / "again");
            ASSERT_EQ(Shell(cli + " convert --quiet" + options + " --stdout " + c.in("p.bmp") +
                            " > " + c.in("first")),
                      0);
            // DB lines, raw bytes and Intel HEX state no geometry; the others do.
            const std::string showOptions = std::string(format) == "bin" ||
                                                    std::string(format) == "ihex" ||
                                                    std::string(format) == "db"
                                                ? options
                                                : "";
            ASSERT_EQ(Shell(cli + " show" + showOptions + " --format " + format + " --bmp " +
                            c.in("again/p.bmp") + " " + c.in("first")),
                      0);
            ASSERT_EQ(Shell(cli + " convert --quiet" + options + " --stdout " +
                            c.in("again/p.bmp") + " > " + c.in("second")),
                      0);
            EXPECT_EQ(ReadFile(c.in("second")), ReadFile(c.in("first")));
        }
    }
}

} // namespace
} // namespace pelmora
