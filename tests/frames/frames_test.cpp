// convert --frames and show of frames files as processes. The frames are held to
// ImageMagick's own coalescing of the same GIF (flattened on white), packed here into the
// panel's pages independently of the program; the outputs go through gcc, as and pasmo.

#include "support/shell.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pelmora::test {
namespace {

constexpr int kWidth = 32;
constexpr int kHeight = 16;
constexpr std::size_t kFrameBytes = kWidth * kHeight / 8;
const std::string kPanel = " --layout pages --size 32x16 --dither threshold ";

using Bytes = std::vector<std::uint8_t>;

struct Expected {
    std::vector<Bytes> frames;
    std::vector<int> delays; // milliseconds
};

// Grey frames of width x height one after another, dots on where grey < 128, packed in
// pages of eight rows, top dot in bit 0.
std::vector<Bytes> PackGreyFrames(const std::string& grey, int width, int height) {
    std::vector<Bytes> frames;
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t at = 0; at + size <= grey.size(); at += size) {
        Bytes bytes(static_cast<std::size_t>(width * ((height + 7) / 8)), 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (static_cast<unsigned char>(grey[at + static_cast<std::size_t>(y * width + x)]) <
                    128) {
                    bytes[static_cast<std::size_t>((y / 8) * width + x)] |=
                        static_cast<std::uint8_t>(1 << (y % 8));
                }
            }
        }
        frames.push_back(bytes);
    }
    return frames;
}

// ImageMagick's view of anim.gif: coalesced, flattened on white; delays from identify.
Expected ImageMagickFrames(const ScratchFolder& folder, const std::string& gif) {
    Expected expected;
    const Ran flat = Shell(folder, "convert " + gif +
                                       " -coalesce -background white -alpha remove -alpha off "
                                       "-depth 8 gray:reference.raw");
    EXPECT_EQ(flat.exitCode, 0) << flat.err;
    expected.frames = PackGreyFrames(ReadFile(folder / "reference.raw"), kWidth, kHeight);
    const Ran delays = Shell(folder, "identify -format '%T\\n' " + gif);
    std::istringstream lines(delays.out);
    for (int centiseconds = 0; lines >> centiseconds;) {
        // A frame of no delay is kept as long as browsers show it.
        expected.delays.push_back(centiseconds > 0 ? centiseconds * 10 : 100);
    }
    return expected;
}

// Frames and delays as the compiled C header gives them: "delay:hex" a line.
Expected CompiledFrames(const ScratchFolder& folder, const std::string& header) {
    WriteFile(
        folder / "harness.c",
        "#include <stdio.h>\n#include \"" + header +
            "\"\nint main(void) {\n"
            "    for (int f = 0; f < anim_FRAMES; ++f) {\n"
            "        printf(\"%u:\", (unsigned)anim_delays_ms[f]);\n"
            "        for (size_t i = 0; i < sizeof anim[f]; ++i) printf(\"%02x\", anim[f][i]);\n"
            "        printf(\"\\n\");\n    }\n    return anim_WIDTH * anim_HEIGHT == 512 ? 0 : "
            "3;\n}\n");
    const Ran ran =
        Shell(folder, "gcc -std=c99 -Wall -Wextra -Werror -o harness harness.c && ./harness");
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    Expected compiled;
    std::istringstream lines(ran.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':');
        compiled.delays.push_back(std::stoi(line.substr(0, colon)));
        Bytes bytes;
        for (std::size_t i = colon + 1; i + 1 < line.size(); i += 2) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)));
        }
        compiled.frames.push_back(bytes);
    }
    return compiled;
}

// The frames' bytes, then the delays as 16-bit little-endian numbers after pad bytes.
Bytes Assembled(const Expected& expected, std::size_t pad) {
    Bytes bytes;
    for (const Bytes& frame : expected.frames) {
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    bytes.resize(bytes.size() + pad, 0);
    for (const int delay : expected.delays) {
        bytes.push_back(static_cast<std::uint8_t>(delay & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(delay >> 8));
    }
    return bytes;
}

Bytes FileBytes(const ScratchFolder& folder, const std::string& name) {
    const std::string text = ReadFile(folder / name);
    return Bytes(text.begin(), text.end());
}

// show's text of frames back into frames: "frame N: D ms" and rows of '#' and '.'.
Expected ShownFrames(const std::string& text) {
    Expected shown;
    std::istringstream lines(text);
    std::string grey;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("frame ")) {
            const std::size_t colon = line.find(": ");
            shown.delays.push_back(colon == std::string::npos ? -1
                                                              : std::stoi(line.substr(colon + 2)));
            continue;
        }
        for (const char dot : line) {
            grey += dot == '#' ? '\0' : '\xff';
        }
    }
    shown.frames = PackGreyFrames(grey, kWidth, kHeight);
    return shown;
}

struct GifCase {
    const char* name;
    const char* frames; // ImageMagick's arguments that make the frames
    const char* write;  // options of the GIF written
};

// Frames drawn black on white or on nothing (transparent), at offsets on a 32 x 16 screen.
const GifCase kGifCases[] = {
    {"LeaveInPlace",
     "-dispose none -delay 10 \\( -size 32x16 xc:white -fill black -draw 'rectangle 0,0 5,5' \\) "
     "-delay 20 \\( -size 8x8 xc:black -repage 32x16+12+4 \\) "
     "-delay 30 \\( -size 6x6 xc:none -fill black -draw 'rectangle 0,0 2,2' -repage 32x16+24+8 \\)",
     ""},
    {"RestoreToBackground",
     "-dispose background -delay 10 \\( -size 32x16 xc:white -fill black -draw 'rectangle 0,0 5,5' "
     "\\) -delay 20 \\( -size 8x8 xc:black -repage 32x16+12+4 \\) "
     "-delay 30 \\( -size 6x6 xc:none -fill black -draw 'rectangle 0,0 2,2' -repage 32x16+24+8 \\)",
     ""},
    {"RestoreToPrevious",
     "-dispose none -delay 10 \\( -size 32x16 xc:white -fill black -draw 'rectangle 0,0 5,5' \\) "
     "-dispose previous -delay 20 \\( -size 8x8 xc:black -repage 32x16+12+4 \\) "
     "-delay 30 \\( -size 6x6 xc:none -fill black -draw 'rectangle 0,0 2,2' -repage 32x16+24+8 \\)",
     ""},
    {"EveryDisposalAndDelay",
     "-dispose none -delay 0 \\( -size 32x16 xc:none -fill black -draw 'circle 16,8 16,2' \\) "
     "-dispose background -delay 7 \\( -size 10x6 xc:black -repage 32x16+2+2 \\) "
     "-dispose previous -delay 65 \\( -size 12x10 xc:none -fill black -draw 'rectangle 2,2 9,7' "
     "-repage 32x16+18+3 \\) "
     "-dispose none -delay 100 \\( -size 4x16 xc:black -repage 32x16+28+0 \\) "
     "-delay 3 \\( -size 5x5 xc:white -repage 32x16+0+11 \\)",
     ""},
    {"PartlyOffTheScreen", // clipped, as browsers and ImageMagick clip it
     "-dispose none -delay 10 \\( -size 32x16 xc:white -fill black -draw 'rectangle 0,0 5,5' \\) "
     "-delay 20 \\( -size 8x8 xc:black -repage 32x16+28+12 \\) "
     "-dispose background -delay 30 \\( -size 40x6 xc:none -fill black "
     "-draw 'rectangle 0,0 39,2' -repage 32x16+4+13 \\) "
     "-delay 40 \\( -size 4x4 xc:black -repage 32x16+30+0 \\)",
     ""},
    {"Interlaced",
     "-dispose none -delay 12 \\( -size 32x16 xc:white -fill black -draw 'line 0,0 31,15' \\) "
     "-delay 34 \\( -size 16x16 xc:none -fill black -draw 'line 0,15 15,0' -repage 32x16+16+0 \\)",
     "-interlace line"},
};

class FramesOfGif : public testing::TestWithParam<GifCase> {};

TEST_P(FramesOfGif, EveryFrameIsImageMagicksCoalescingInEverySyntax) {
    const GifCase& gif = GetParam();
    ScratchFolder folder;
    const Ran made =
        Shell(folder, std::string("convert ") + gif.frames + " -loop 0 " + gif.write + " anim.gif");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const Expected expected = ImageMagickFrames(folder, "anim.gif");
    ASSERT_GE(expected.frames.size(), 2U);
    ASSERT_EQ(expected.frames.size(), expected.delays.size());

    for (const char* format : {"c", "arduino", "gas", "asm", "db", "bin", "ihex"}) {
        const Ran ran =
            Shell(folder, "$CLI convert --frames --quiet --name anim --format " +
                              std::string(format) + kPanel + "-o anim." + format + " anim.gif");
        ASSERT_EQ(ran.exitCode, 0) << format << ": " << ran.err;
    }
    const Expected compiled = CompiledFrames(folder, "anim.c");
    EXPECT_EQ(compiled.frames, expected.frames) << "gcc";
    EXPECT_EQ(compiled.delays, expected.delays) << "gcc";
    EXPECT_EQ(CompiledFrames(folder, "anim.arduino").frames, expected.frames) << "arduino";

    ASSERT_EQ(Shell(folder, "as -o gas.o anim.gas && objcopy -O binary -j .rodata gas.o gas.bin")
                  .exitCode,
              0);
    EXPECT_EQ(FileBytes(folder, "gas.bin"), Assembled(expected, 0)) << "as";
    ASSERT_EQ(Shell(folder, "pasmo anim.asm pasmo.bin").exitCode, 0);
    EXPECT_EQ(FileBytes(folder, "pasmo.bin"), Assembled(expected, 0)) << "pasmo";
    Expected noDelays = expected;
    noDelays.delays.clear();
    EXPECT_EQ(FileBytes(folder, "anim.bin"), Assembled(noDelays, 0)) << "bin";

    for (const char* format : {"c", "arduino", "gas", "asm", "db"}) {
        const Ran shown = Shell(folder, "$CLI show anim." + std::string(format));
        ASSERT_EQ(shown.exitCode, 0) << format << ": " << shown.err;
        const Expected read = ShownFrames(shown.out);
        EXPECT_EQ(read.frames, expected.frames) << "show " << format;
        EXPECT_EQ(read.delays, expected.delays) << "show " << format;
    }
    for (const char* format : {"bin", "ihex"}) {
        const Ran shown = Shell(folder, "$CLI show --frames --format " + std::string(format) +
                                            " --layout pages --size 32x16 anim." + format);
        ASSERT_EQ(shown.exitCode, 0) << format << ": " << shown.err;
        EXPECT_EQ(ShownFrames(shown.out).frames, expected.frames) << "show " << format;
    }

    // The GIF show writes: ImageMagick finds the same frames in the preview's colours.
    const Ran written = Shell(folder, "$CLI show --gif shown.gif --scale 1 anim.c");
    ASSERT_EQ(written.exitCode, 0) << written.err;
    const Ran back = Shell(folder, "convert shown.gif -coalesce -depth 8 rgb:shown.rgb && "
                                   "identify -format '%T\\n' shown.gif");
    ASSERT_EQ(back.exitCode, 0) << back.err;
    std::string grey;
    const std::string rgb = ReadFile(folder / "shown.rgb");
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        const bool on = rgb[i] == 0 && rgb[i + 1] == 0 && rgb[i + 2] == 0;
        const bool off =
            rgb[i] == 0 && static_cast<unsigned char>(rgb[i + 1]) == 128 && rgb[i + 2] == 0;
        ASSERT_TRUE(on || off) << "pixel " << i / 3;
        grey += on ? '\0' : '\xff';
    }
    EXPECT_EQ(PackGreyFrames(grey, kWidth, kHeight), expected.frames) << "--gif";
    std::istringstream delays(back.out);
    std::vector<int> gifDelays;
    for (int centiseconds = 0; delays >> centiseconds;) {
        gifDelays.push_back(centiseconds * 10);
    }
    EXPECT_EQ(gifDelays, expected.delays) << "--gif";

    // One frame: to the terminal, and as a picture of it.
    const Ran second = Shell(folder, "$CLI show --frame 1 anim.c && $CLI show --frame 1 --png "
                                     "one.png --scale 1 anim.c && convert one.png -depth 8 "
                                     "rgb:one.rgb");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const Expected one = ShownFrames(second.out);
    EXPECT_EQ(one.frames, std::vector<Bytes>{expected.frames[1]});
    EXPECT_EQ(one.delays, std::vector<int>{expected.delays[1]});
    EXPECT_EQ(ReadFile(folder / "one.rgb"),
              rgb.substr(rgb.size() / expected.frames.size(), rgb.size() / expected.frames.size()));
    const Ran missing = Shell(folder, "$CLI show --frame 99 anim.c");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no frame 99"), std::string::npos) << missing.err;
}

INSTANTIATE_TEST_SUITE_P(Gifs, FramesOfGif, testing::ValuesIn(kGifCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Frames, MergeRepeatsDropsEqualFramesAndAddsTheirDelays) {
    ScratchFolder folder;
    const std::string a = "\\( -size 32x16 xc:white -fill black -draw 'rectangle 0,0 9,9' \\) ";
    const std::string b = "\\( -size 32x16 xc:white -fill black -draw 'rectangle 20,4 29,13' \\) ";
    ASSERT_EQ(Shell(folder, "convert -dispose none -delay 1 " + a + "-delay 2 " + a + "-delay 3 " +
                                b + "-delay 4 " + b + "-delay 5 " + b + "-delay 6 " + a +
                                "anim.gif")
                  .exitCode,
              0);
    const Expected all = ImageMagickFrames(folder, "anim.gif");
    ASSERT_EQ(all.frames.size(), 6U);
    const Ran ran = Shell(folder, "$CLI convert --frames --merge-repeats --quiet --name anim "
                                  "--format c" +
                                      kPanel + "-o anim.h anim.gif");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const Expected merged = CompiledFrames(folder, "anim.h");
    EXPECT_EQ(merged.frames, (std::vector<Bytes>{all.frames[0], all.frames[2], all.frames[5]}));
    EXPECT_EQ(merged.delays, (std::vector<int>{30, 120, 60}));
}

// A GIF of 1 x 1 frames, two colours, its frames each one pixel of colour 0 (or said to be
// frameWidth x frameHeight, their data still one pixel); a graphic control block of
// centiseconds before each, where given.
std::string TinyGif(int width, int height, int frames, int left = 0, int top = 0,
                    int frameWidth = 1, int frameHeight = 1, int centiseconds = -1) {
    std::string gif = "GIF89a";
    const auto word = [&gif](int value) {
        gif += static_cast<char>(value & 0xFF);
        gif += static_cast<char>(value >> 8 & 0xFF);
    };
    word(width);
    word(height);
    gif += std::string("\x80\x00\x00", 3);
    gif += std::string("\x00\x00\x00\xff\xff\xff", 6);
    for (int i = 0; i < frames; ++i) {
        if (centiseconds >= 0) {
            gif += std::string("\x21\xf9\x04\x00", 4);
            word(centiseconds);
            gif += std::string("\x00\x00", 2);
        }
        gif += '\x2c';
        word(left);
        word(top);
        word(frameWidth);
        word(frameHeight);
        gif += std::string("\x00\x02\x02\x44\x01\x00", 6);
    }
    return gif + ';';
}

// Frames equal but for one byte are never merged, wherever that byte is; equal ones are.
TEST(Frames, MergeRepeatsKeepsFramesThatDifferInAnyByte) {
    const struct {
        const char* name;
        const char* draw; // on the second frame; the first is white
        std::size_t frames;
    } cases[] = {
        {"the first byte", "-draw 'point 0,0'", 2},
        {"the last byte", "-draw 'point 31,15'", 2},
        {"a middle byte", "-draw 'point 17,9'", 2},
        {"none", "", 1},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        ASSERT_EQ(Shell(folder, "convert -delay 10 \\( -size 32x16 xc:white \\) \\( -size 32x16 "
                                "xc:white -fill black " +
                                    std::string(row.draw) + " \\) anim.gif")
                      .exitCode,
                  0);
        const Expected all = ImageMagickFrames(folder, "anim.gif");
        const Ran ran = Shell(folder, "$CLI convert --frames --merge-repeats --quiet --name anim "
                                      "--format c" +
                                          kPanel + "-o anim.h anim.gif");
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        const Expected merged = CompiledFrames(folder, "anim.h");
        ASSERT_EQ(merged.frames.size(), row.frames);
        EXPECT_EQ(merged.frames.back(), all.frames.back());
        EXPECT_EQ(merged.delays.back(), row.frames == 2 ? 100 : 200);
    }
}

// A GIF's frame that gives no delay is stored as long as browsers show it, 100 ms; any
// other delay as it is given, in centiseconds x 10.
TEST(Frames, AFrameOfNoDelayIsStoredAsTheHundredMillisecondsBrowsersShow) {
    const struct {
        const char* name;
        int centiseconds; // -1: no graphic control block at all
        int stored;
    } cases[] = {
        {"no control block", -1, 100}, {"a delay of 0", 0, 100},           {"a delay of 1", 1, 10},
        {"a delay of 7", 7, 70},       {"the longest delay", 6553, 65530},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        WriteFile(folder / "anim.gif", TinyGif(32, 16, 2, 0, 0, 1, 1, row.centiseconds));
        const Ran ran = Shell(folder, "$CLI convert --frames --quiet --name anim --format c" +
                                          kPanel + "-o anim.h anim.gif");
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        EXPECT_EQ(CompiledFrames(folder, "anim.h").delays,
                  (std::vector<int>{row.stored, row.stored}));
    }
}

// A frame wholly off the screen draws nothing there and is still a frame, as in browsers.
TEST(Frames, AFrameWhollyOffTheScreenIsAFrameOfNothingNew) {
    ScratchFolder folder;
    WriteFile(folder / "off.gif", TinyGif(32, 16, 2, 40, 20));
    const Ran ran = Shell(folder, "$CLI convert --frames --quiet --name anim --format c" + kPanel +
                                      "-o anim.h off.gif");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const Expected read = CompiledFrames(folder, "anim.h");
    EXPECT_EQ(read.frames, std::vector<Bytes>(2, Bytes(kFrameBytes, 0)));
}

// An animated GIF given as a sheet: every frame cut in turn, each cell a frame of --delay.
TEST(Frames, AnAnimatedSheetIsCutFrameByFrame) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder, "convert -delay 30 \\( -size 64x16 xc:white -fill black "
                            "-draw 'rectangle 0,0 5,5' -draw 'rectangle 40,8 50,15' \\) "
                            "\\( -size 64x16 xc:white -fill black -draw 'line 0,15 63,0' \\) "
                            "sheet.gif && convert sheet.gif -coalesce -crop 32x16 +repage "
                            "-depth 8 gray:cells.raw")
                  .exitCode,
              0);
    const std::vector<Bytes> cells = PackGreyFrames(ReadFile(folder / "cells.raw"), 32, 16);
    ASSERT_EQ(cells.size(), 4U);
    const Ran ran = Shell(folder, "$CLI convert --frames --sheet 32x16 --delay 40 --quiet --name "
                                  "anim --format c --layout pages --dither threshold -o anim.h "
                                  "sheet.gif");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const Expected cut = CompiledFrames(folder, "anim.h");
    EXPECT_EQ(cut.frames, cells);
    EXPECT_EQ(cut.delays, std::vector<int>(4, 40));
    const std::string header = ReadFile(folder / "anim.h");
    EXPECT_NE(header.find("sheet.gif frame 1 cell 1"), std::string::npos);
}

TEST(Frames, SheetIsCutLeftToRightThenTopToBottom) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder, "convert -size 96x32 xc:white -fill black "
                            "-draw 'rectangle 0,0 3,3' -draw 'rectangle 36,4 45,9' "
                            "-draw 'line 64,0 95,15' -draw 'rectangle 8,20 20,30' "
                            "-draw 'circle 48,24 52,24' -draw 'rectangle 90,16 95,31' sheet.png "
                            "&& convert sheet.png -crop 32x16 +repage -depth 8 gray:cells.raw")
                  .exitCode,
              0);
    const std::vector<Bytes> cells = PackGreyFrames(ReadFile(folder / "cells.raw"), 32, 16);
    ASSERT_EQ(cells.size(), 6U);
    // --size comes from the sheet.
    const Ran ran = Shell(folder, "$CLI convert --frames --sheet 32x16 --delay 40 --quiet --name "
                                  "anim --format c --layout pages --dither threshold -o anim.h "
                                  "sheet.png");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const Expected cut = CompiledFrames(folder, "anim.h");
    EXPECT_EQ(cut.frames, cells);
    EXPECT_EQ(cut.delays, std::vector<int>(6, 40));

    const Ran uneven =
        Shell(folder, "$CLI convert --frames --sheet 40x16 --layout pages sheet.png");
    EXPECT_EQ(uneven.exitCode, 2);
    EXPECT_NE(uneven.err.find("no whole number"), std::string::npos) << uneven.err;
}

TEST(Frames, StillPicturesFollowInTheOrderGiven) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder, "convert -size 32x16 xc:white -fill black -draw 'rectangle 0,0 7,7' "
                            "one.png && convert -size 32x16 xc:white -fill black "
                            "-draw 'rectangle 24,8 31,15' two.png && "
                            "convert -delay 5 one.png two.png anim.gif && "
                            "convert two.png one.png -depth 8 gray:stills.raw")
                  .exitCode,
              0);
    const std::vector<Bytes> stills = PackGreyFrames(ReadFile(folder / "stills.raw"), 32, 16);
    const Ran ran = Shell(folder, "$CLI convert --frames --delay 250 --quiet --name anim "
                                  "--format c" +
                                      kPanel + "two.png anim.gif one.png");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    // Named after the first picture.
    const Expected sequence = CompiledFrames(folder, "lcd_two.h");
    EXPECT_EQ(sequence.frames, (std::vector<Bytes>{stills[0], stills[1], stills[0], stills[1]}));
    EXPECT_EQ(sequence.delays, (std::vector<int>{250, 50, 50, 250}));
}

// The hex values of a C text, in order.
std::vector<std::string> HexValues(const std::string& text) {
    std::vector<std::string> values;
    for (std::size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 4)) {
        values.push_back(text.substr(at, 4));
    }
    return values;
}

TEST(Frames, OneStillPictureHoldsTheBytesOfPlainConvert) {
    ScratchFolder folder;
    ASSERT_EQ(
        Shell(folder, "convert -size 200x90 gradient:black-white -swirl 90 photo.png").exitCode, 0);
    // Frames are always prepared; with no preparation option given, as prepare's defaults.
    for (const std::string preparation :
         {"--fit contain", "--dither atkinson --fit cover", "--inverse --dither bayer"}) {
        const Ran frames = Shell(folder, "$CLI convert --frames --stdout --format c " +
                                             preparation + " photo.png");
        const Ran plain =
            Shell(folder, "$CLI convert --stdout --format c " + preparation + " photo.png");
        ASSERT_EQ(frames.exitCode, 0) << frames.err;
        ASSERT_EQ(plain.exitCode, 0) << plain.err;
        EXPECT_EQ(HexValues(frames.out), HexValues(plain.out)) << preparation;
        EXPECT_EQ(HexValues(frames.out).size(), 1024U);
    }
    const Ran defaults = Shell(folder, "$CLI convert --frames --stdout --format c photo.png");
    const Ran prepared = Shell(folder, "$CLI convert --stdout --format c --dither "
                                       "floyd-steinberg photo.png");
    EXPECT_EQ(HexValues(defaults.out), HexValues(prepared.out));
}

// The peak memory a bad GIF may cost pelmora-cli, in kilobytes. AddressSanitizer's
// shadow memory and quarantine of freed blocks raise it several times over.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMaxPeakKb = 200000;
#else
constexpr long kMaxPeakKb = 40000;
#endif

struct BadGif {
    const char* name;
    std::string bytes;
    const char* reason;
};

TEST(Frames, BadGifsEndInOneLineAndWriteNothing) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder,
                    "convert -delay 10 \\( -size 32x16 xc:white \\) \\( -size 32x16 xc:black \\) "
                    "whole.gif")
                  .exitCode,
              0);
    const std::string whole = ReadFile(folder / "whole.gif");
    const BadGif cases[] = {
        {"cut", whole.substr(0, whole.size() / 2), "cut short"},
        {"noframes", TinyGif(4, 4, 0), "no frame"},
        {"hugescreen", TinyGif(60000, 60000, 1), "screen"},
        {"manyframes", TinyGif(2, 2, 100000), "more than 10000 frames"},
        // A frame far larger than its screen costs its decoding: refused before it.
        {"hugeframe", TinyGif(16, 16, 1, 0, 0, 65535, 65535), "frame 0 takes the GIF past"},
    };
    for (const BadGif& bad : cases) {
        const std::string name = std::string(bad.name) + ".gif";
        WriteFile(folder / name, bad.bytes);
        const Ran ran = Shell(folder, "/usr/bin/time -f '%M' -o rss $CLI convert --frames "
                                      "--format c " +
                                          kPanel + name);
        EXPECT_EQ(ran.exitCode, 1) << bad.name;
        EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << bad.name << ran.err;
        EXPECT_NE(ran.err.find(bad.reason), std::string::npos) << bad.name << ": " << ran.err;
        EXPECT_FALSE(std::filesystem::exists(folder / ("lcd_" + std::string(bad.name) + ".h")));
        // Kilobytes: far below what holding every frame or the whole screen would take.
        std::string rss = ReadFile(folder / "rss"); // "Command exited with ...", then the figure
        rss.erase(0, rss.find_last_of('\n', rss.size() - 2) + 1);
        EXPECT_LT(std::stol(rss), kMaxPeakKb) << bad.name;
    }
}

// Within every limit of memory, a GIF can still ask for long work: 60 screens of 4096 x 4096
// from a few hundred bytes. Its frames count their screens' pixels, and the one that goes
// past 2^28 is refused, long before the end; one frame fewer is taken.
TEST(Frames, AGifIsRefusedAtTheFrameThatTakesItPastItsPixels) {
    ScratchFolder folder;
    WriteFile(folder / "long.gif", TinyGif(4096, 4096, 60));
    WriteFile(folder / "within.gif", TinyGif(4096, 4096, 15));
    const Ran refused = Shell(folder, "$CLI convert --frames --format c" + kPanel + "long.gif");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "pelmora-cli: long.gif: frame 15 takes the GIF past 268435456 pixels "
                           "to decode and prepare (each frame's screen and its own rectangle "
                           "counted)\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "lcd_long.h"));
    const Ran taken = Shell(folder, "$CLI convert --frames --quiet --name anim --format c" +
                                        kPanel + "-o anim.h within.gif");
    ASSERT_EQ(taken.exitCode, 0) << taken.err;
    EXPECT_EQ(CompiledFrames(folder, "anim.h").frames.size(), 15U);
}

TEST(Frames, RefusedUses) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder, "convert -size 32x16 xc:white still.png").exitCode, 0);
    struct Use {
        const char* arguments;
        int exitCode;
        const char* says;
    };
    const Use uses[] = {
        {"--frames --format xbm still.png", 2, "one picture only"},
        {"--sheet 8x8 still.png", 2, "goes with --frames"},
        {"--frames --delay 65536 still.png", 2, "0 to 65535"},
        {"--frames --delay 40000 --merge-repeats still.png still.png", 1, "over 65535"},
        {"--frames -o a.h --output-dir . still.png", 2, "exclude"},
        {"--frames -o still.png still.png", 1, "still.png"},
        {"--frames --sheet 16x16 still.png", 2, "needs --layout pages or --layout rows"},
        {"--frames --sheet 16x16 --layout halves still.png", 2, "needs --layout pages"},
    };
    for (const Use& use : uses) {
        const Ran ran = Shell(folder, std::string("$CLI convert ") + use.arguments);
        EXPECT_EQ(ran.exitCode, use.exitCode) << use.arguments << ": " << ran.err;
        EXPECT_NE(ran.err.find(use.says), std::string::npos) << use.arguments << ": " << ran.err;
    }
    EXPECT_EQ(ReadFile(folder / "still.png").substr(1, 3), "PNG");
}

} // namespace
} // namespace pelmora::test
