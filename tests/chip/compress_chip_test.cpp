// Packed outputs where a firmware runs: every scheme's C header of golden and hostile
// pictures and of animations, unpacked by the decoder it carries, built with gcc for the
// host and with avr-gcc for an ATmega328P run in simavr. Both must give back the bytes of
// the unpacked output, and the Arduboy stream must draw the same picture through a decoder
// written from the library's published description.

#include "support/shell.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace pelmora::test {
namespace {

const std::string kPrograms = PELMORA_CHIP_PROGRAMS;
const std::string kExamples = PELMORA_EXAMPLES;
const std::string kHostCompiler = "gcc -std=c99 -Wall -Wextra -pedantic -Werror";
const std::string kHostCxxCompiler = "g++ -x c++ -Wall -Wextra -pedantic -Werror";
const std::string kChipCompiler =
    "avr-gcc -mmcu=atmega328p -Os -std=c99 -Wall -Wextra -pedantic -Werror";
const std::string kSimulator = "timeout 60 simavr -m atmega328p -f 16000000";

std::uint32_t Hash(std::string_view bytes) {
    std::uint32_t hash = 2166136261U;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619U;
    }
    return hash;
}

std::string Line(std::size_t name, const std::string& how, std::size_t count,
                 std::string_view bytes) {
    return "@" + std::to_string(name) + " " + how + " " + std::to_string(count) + " " +
           std::to_string(Hash(bytes));
}

std::string AssetList(const std::vector<std::string>& names) {
    std::string list = "assets:";
    for (std::size_t i = 0; i < names.size(); ++i) {
        list += " " + std::to_string(i) + "=" + names[i];
    }
    return list;
}

struct Still {
    std::string name;
    std::string file; // a BMP in the scratch folder
    int width;
    int height;
    bool arduboy; // whether the library can draw it
};

TEST(CompressOnTheChip, EverySchemeUnpacksToTheBytesOnTheHostAndTheChip) {
    ScratchFolder folder;
    std::vector<Still> stills;
    for (const char* name : {"hello", "logo", "pattern", "text"}) {
        WriteFile(folder / (std::string(name) + ".bmp"), ReadFile(kExamples + "/" + name + ".bmp"));
        stills.push_back({name, std::string(name) + ".bmp", 128, 64, true});
    }
    const auto make = [&](const std::string& name, int width, int height, auto isOne,
                          bool arduboy) {
        Picture picture;
        picture.width = width;
        picture.height = height;
        picture.index.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                picture.set(x, y, isOne(x, y) ? 1 : 0);
            }
        }
        WriteFile(folder / (name + ".bmp"), EncodeBmp(picture, {.width = width, .height = height}));
        stills.push_back({name, name + ".bmp", width, height, arduboy});
    };
    unsigned noise = 12345;
    make(
        "zeros", 128, 64, [](int, int) { return false; }, true);
    make(
        "ones", 128, 64, [](int, int) { return true; }, true);
    make(
        "checker", 128, 64, [](int x, int y) { return (x + y) % 2 == 1; }, true);
    make(
        "single", 1, 1, [](int, int) { return true; }, false);
    make(
        "wide", 4096, 8, [](int x, int y) { return (x / 3 + y) % 5 == 0; }, false);
    make(
        "noise", 128, 64,
        [&noise](int, int) {
            noise = noise * 1103515245U + 12345U;
            return (noise >> 16 & 1) != 0;
        },
        true);

    std::string includes;
    std::string calls;
    std::vector<std::string> names; // each asset's number in the program is its place here
    std::vector<std::string> expected;
    for (const Still& still : stills) {
        const std::string size = " --layout pages --size " + std::to_string(still.width) + "x" +
                                 std::to_string(still.height);
        const Ran raw =
            Shell(folder, "\"$CLI\" convert --format bin --stdout" + size + " " + still.file);
        ASSERT_EQ(raw.exitCode, 0) << still.name << raw.err;
        for (const char* scheme : {"packbits", "lzss", "auto", "arduboy"}) {
            const std::string symbol = still.name + "_" + scheme;
            const Ran made =
                Shell(folder, "\"$CLI\" convert --format c --compress " + std::string(scheme) +
                                  " --name " + symbol + " --stdout" + size + " " + still.file +
                                  " > " + symbol + ".h");
            const bool arduboy = std::string(scheme) == "arduboy";
            if (arduboy && !still.arduboy) {
                EXPECT_EQ(made.exitCode, 2) << symbol << " is no Arduboy picture";
                continue;
            }
            ASSERT_EQ(made.exitCode, 0) << symbol << made.err;
            includes += "#include \"" + symbol + ".h\"\n";
            const std::string unpacked = symbol + "_UNPACKED_SIZE";
            const std::size_t id = names.size();
            const std::string number = std::to_string(id);
            names.push_back(symbol);
            if (arduboy) {
                calls += "    CheckArduboy(" + number + ", " + symbol + ", " + unpacked + ");\n";
                expected.push_back(Line(id, "whole", raw.out.size(), raw.out));
                expected.push_back(Line(id, "drawn", raw.out.size(), raw.out));
                continue;
            }
            calls += "    CheckGeneral(" + number + ", " + symbol + ", " + unpacked + ");\n";
            if (raw.out.size() <= 1024) {
                expected.push_back(Line(id, "whole", raw.out.size(), raw.out));
                calls += "    CheckCycles(" + number + ", " + symbol + ", " + unpacked + ");\n";
            }
            expected.push_back(Line(id, "stream", raw.out.size(), raw.out));
        }
    }

    // Animations: three moving dots, and a single frame, packed frame by frame.
    ASSERT_EQ(Shell(folder, "convert -size 40x24 -delay 10 xc:white -fill black -draw 'circle 8,12 "
                            "8,5' \\( xc:white -fill black -draw 'circle 20,12 20,5' \\) \\( "
                            "xc:white -fill black -draw 'circle 31,12 31,5' \\) anim.gif && "
                            "convert -size 40x24 xc:white -fill black -draw 'rectangle 3,3 30,20' "
                            "still.gif")
                  .exitCode,
              0);
    for (const char* animation : {"anim", "still"}) {
        const std::string frames =
            std::string(" --frames --layout pages --size 40x24 ") + animation + ".gif";
        const Ran raw = Shell(folder, "\"$CLI\" convert --format bin --stdout" + frames);
        ASSERT_EQ(raw.exitCode, 0) << raw.err;
        const std::size_t frameBytes = 40 * 3;
        for (const char* scheme : {"packbits", "lzss", "auto", "arduboy"}) {
            for (const bool delta : {false, true}) {
                const std::string symbol =
                    std::string(animation) + "_" + scheme + (delta ? "_delta" : "");
                const Ran made =
                    Shell(folder, "\"$CLI\" convert --format c --compress " + std::string(scheme) +
                                      (delta ? " --delta" : "") + " --name " + symbol +
                                      " --stdout" + frames + " > " + symbol + ".h");
                ASSERT_EQ(made.exitCode, 0) << symbol << made.err;
                if (delta) {
                    EXPECT_NE(ReadFile(folder / (symbol + ".h")).find("delta"), std::string::npos);
                }
                includes += "#include \"" + symbol + ".h\"\n";
                const std::size_t id = names.size();
                names.push_back(symbol);
                calls += "    CheckFrames(" + std::to_string(id) + ", " + symbol + ", " + symbol +
                         "_offsets, " + symbol + "_FRAMES, " + symbol + "_UNPACKED_SIZE, " +
                         (delta ? "1" : "0") + ", " +
                         (std::string(scheme) == "arduboy" ? "1" : "0") + ");\n";
                for (std::size_t i = 0; i * frameBytes < raw.out.size(); ++i) {
                    expected.push_back(
                        Line(id, "frame", i,
                             std::string_view(raw.out).substr(i * frameBytes, frameBytes)));
                }
            }
        }
    }
    expected.push_back("@end");

    // The headers first, so that each carries its own decoder; the checks after.
    WriteFile(folder / "main.c", includes +
                                     "#include \"unpack_check.h\"\n\nint main(void) {\n"
                                     "    ChipStart();\n" +
                                     calls + "    ChipStop();\n    return 0;\n}\n");
    const std::string include = " -I. -I'" + kPrograms + "' ";
    const Ran host = Shell(folder, kHostCompiler + include + "main.c -o host && ./host");
    ASSERT_EQ(host.exitCode, 0) << host.err;
    EXPECT_EQ(Lines(host.out), expected) << AssetList(names);
    const Ran cxx = Shell(folder, kHostCxxCompiler + include + "main.c -o hostcxx && ./hostcxx");
    ASSERT_EQ(cxx.exitCode, 0) << cxx.err;
    EXPECT_EQ(Lines(cxx.out), expected) << AssetList(names);

    const Ran built = Shell(folder, kChipCompiler + include + "main.c -o main.elf");
    ASSERT_EQ(built.exitCode, 0) << built.err;
    EXPECT_EQ(Shell(folder, "avr-objdump -t main.elf | grep -c '_packbits$' ").exitCode, 0);
    const Ran ran = Shell(folder, kSimulator + " main.elf");
    EXPECT_EQ(ran.exitCode, 0) << ran.err.substr(0, 2000);
    EXPECT_EQ(UartLines(ran.err, '@'), expected) << AssetList(names);
    // The decoder's cost per byte beside a plain copy from flash, for the record.
    for (const std::string& line : UartLines(ran.err, '#')) {
        const std::size_t id = std::stoul(line.substr(8));
        std::cout << "cycles " << (id < names.size() ? names[id] : "?")
                  << line.substr(line.find(' ', 8)) << "\n";
    }
}

// build: a packed picture, an Arduboy stream and packed frames with delta beside a plain
// picture, in one header that includes the decoder written beside it; a program walks the
// index by its scheme and sizes and unpacks each asset, on the host and on the chip.
TEST(CompressOnTheChip, BuildIndexSaysHowEachAssetIsPackedAndTheDecoderReadsIt) {
    ScratchFolder folder;
    WriteFile(folder / "logo.bmp", ReadFile(kExamples + "/logo.bmp"));
    WriteFile(folder / "text.bmp", ReadFile(kExamples + "/text.bmp"));
    ASSERT_EQ(Shell(folder, "convert -size 40x24 -delay 10 xc:white -fill black -draw 'circle 8,12 "
                            "8,5' \\( xc:white -fill black -draw 'circle 20,12 20,5' \\) anim.gif")
                  .exitCode,
              0);
    WriteFile(folder / "pelmora.toml", "[output]\nheader = \"out/assets.h\"\n\n"
                                       "[panel]\nlayout = \"pages\"\n\n"
                                       "[[image]]\nname = \"plain\"\nfile = \"logo.bmp\"\n\n"
                                       "[[image]]\nname = \"logo\"\nfile = \"logo.bmp\"\n"
                                       "compress = \"lzss\"\n\n"
                                       "[[image]]\nname = \"text\"\nfile = \"text.bmp\"\n"
                                       "compress = \"arduboy\"\n\n"
                                       "[[frames]]\nname = \"anim\"\nfiles = [\"anim.gif\"]\n"
                                       "size = \"40x24\"\ncompress = \"auto\"\ndelta = true\n");
    std::filesystem::create_directory(folder / "out");
    const Ran built = Shell(folder, "\"$CLI\" build");
    ASSERT_EQ(built.exitCode, 0) << built.err;
    EXPECT_EQ(built.out, "out/assets.h\nout/pelmora_unpack.h\n");
    const std::string header = ReadFile(folder / "out/assets.h");
    EXPECT_NE(header.find("#include \"pelmora_unpack.h\""), std::string::npos);
    EXPECT_NE(header.find("PELMORA_SCHEME_LZSS, 0,"), std::string::npos);
    EXPECT_NE(header.find("PELMORA_SCHEME_ARDUBOY, 0,"), std::string::npos);
    EXPECT_NE(header.find("PELMORA_SCHEME_AUTO, 1,"), std::string::npos);

    const Ran plain =
        Shell(folder, "\"$CLI\" convert --format bin --layout pages --stdout logo.bmp");
    const Ran text =
        Shell(folder, "\"$CLI\" convert --format bin --layout pages --stdout text.bmp");
    const Ran anim = Shell(folder, "\"$CLI\" convert --frames --format bin --layout pages --size "
                                   "40x24 --stdout anim.gif");
    ASSERT_EQ(plain.exitCode + text.exitCode + anim.exitCode, 0);
    std::vector<std::string> expected = {
        Line(0, "index", 1024, plain.out), Line(1, "index", 1024, plain.out),
        Line(2, "index", 1024, text.out), Line(3, "index", 240, anim.out), "@end"};
    // Each asset unpacked by what its entry says, frames one after another into one hash.
    WriteFile(folder / "main.c",
              "#include \"assets.h\"\n#include \"unpack_check.h\"\n"
              "#if !defined(__AVR__)\n#include <string.h>\n#define memcpy_P memcpy\n"
              "#define pgm_read_dword(at) (*(const uint32_t *)(at))\n#endif\n\n"
              "static void Unpack(const pelmora_asset *a, const uint8_t *at, uint8_t *to, size_t "
              "size) {\n"
              "    if (a->scheme == PELMORA_SCHEME_ARDUBOY) {\n"
              "        pelmora_unpack_arduboy(at, to, size);\n"
              "    } else if (a->scheme == PELMORA_SCHEME_NONE && !a->delta) {\n"
              "        memcpy_P(to, at, size);\n"
              "    } else {\n"
              "        pelmora_unpack(at, to, size);\n"
              "    }\n"
              "}\n\n"
              "int main(void) {\n"
              "    unsigned i, f;\n"
              "    size_t k, size;\n"
              "    ChipStart();\n"
              "    for (i = 0; i < PELMORA_ASSET_COUNT; ++i) {\n"
              "        pelmora_asset a;\n"
              "        uint32_t hash = 2166136261UL;\n"
              "        memcpy_P(&a, &pelmora_assets[i], sizeof a);\n"
              "        size = (size_t)(a.unpacked_size / a.frames);\n"
              "        if (a.frames == 1) {\n"
              "            Unpack(&a, a.data, check_buffer, size);\n"
              "            hash = CheckBufferHash(size);\n"
              "        }\n"
              "        for (f = 0; a.frames > 1 && f < a.frames; ++f) {\n"
              "            Unpack(&a, a.data + pgm_read_dword(&anim_offsets[f]), check_buffer + "
              "512, size);\n"
              "            for (k = 0; k < size; ++k) {\n"
              "                check_buffer[k] = (uint8_t)(a.delta && f > 0 ? check_buffer[k] ^ "
              "check_buffer[512 + k] : check_buffer[512 + k]);\n"
              "                hash = CheckHash(hash, check_buffer[k]);\n"
              "            }\n"
              "        }\n"
              "        CheckLine(i, \"index\", a.unpacked_size, hash);\n"
              "    }\n"
              "    ChipStop();\n"
              "    return 0;\n}\n");
    const std::string include = " -Iout -I'" + kPrograms + "' ";
    const Ran host = Shell(folder, kHostCompiler + include + "main.c -o host && ./host");
    ASSERT_EQ(host.exitCode, 0) << host.err;
    EXPECT_EQ(Lines(host.out), expected);
    const Ran elf = Shell(folder, kChipCompiler + include + "main.c -o main.elf");
    ASSERT_EQ(elf.exitCode, 0) << elf.err;
    const Ran ran = Shell(folder, kSimulator + " main.elf");
    EXPECT_EQ(UartLines(ran.err, '@'), expected);
}

} // namespace
} // namespace pelmora::test
