// pelmora-cli prepare, and convert with preparation, on pictures that ImageMagick makes
// here: every format, EXIF orientation, transparency, the refusals.

#include "core/bmp/bitmap_header.h"
#include "support/shell.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace pelmora {
namespace {

using test::Ran;
using test::ReadFile;
using test::ScratchFolder;
using test::Shell;
using test::WriteFile;

// The on dots of a prepared BMP, as show prints them.
std::string Dots(const ScratchFolder& folder, const std::string& bmp) {
    const Ran ran = Shell(folder, "$CLI convert --stdout '" + bmp + "' | $CLI show -");
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    return ran.out;
}

char DotAt(const std::string& dots, int x, int y, int width = 128) {
    return dots[static_cast<std::size_t>(y * (width + 1) + x)];
}

TEST(Prepare, EveryFormatBecomesABitmapThatConvertTakes) {
    ScratchFolder folder;
    // Left half black, right half white, in each format Qt reads here.
    const std::string make =
        "convert -size 320x160 xc:white -fill black -draw 'rectangle 0,0 159,159' ";
    ASSERT_EQ(Shell(folder, make + "photo.jpg && " + make + "logo.png && " + make +
                                "-type truecolor deep.bmp && " + make + "still.gif && " + make +
                                "scan.tiff && " + make + "web.webp")
                  .exitCode,
              0);
    const Ran ran = Shell(folder, "$CLI prepare photo.jpg logo.png deep.bmp still.gif scan.tiff "
                                  "web.webp");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.out, "./photo_128x64.bmp\n./logo_128x64.bmp\n./deep_128x64.bmp\n"
                       "./still_128x64.bmp\n./scan_128x64.bmp\n./web_128x64.bmp\n");
    for (const char* name : {"photo", "logo", "deep", "still", "scan", "web"}) {
        SCOPED_TRACE(name);
        const std::string bmp = std::string(name) + "_128x64.bmp";
        const std::string bytes = ReadFile(folder / bmp);
        ASSERT_EQ(bytes.size(), 62U + 16U * 64U);
        EXPECT_EQ(bytes.substr(14, 4), std::string("\x28\0\0\0", 4)); // a 40-byte header
        const std::string dots = Dots(folder, bmp);
        EXPECT_EQ(DotAt(dots, 10, 32), '#');  // black: on
        EXPECT_EQ(DotAt(dots, 117, 32), '.'); // white: off
    }
    // Of a wrong size, at another size.
    const Ran small = Shell(folder, "$CLI prepare --size 84x48 --quiet photo.jpg");
    EXPECT_EQ(small.exitCode, 0) << small.err;
    EXPECT_EQ(ReadFile(folder / "photo_84x48.bmp").substr(18, 8),
              std::string("\x54\0\0\0\x30\0\0\0", 8));
}

TEST(Prepare, ConvertWithPreparationGivesWhatPrepareThenConvertGive) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder, "convert -size 200x100 gradient:black-white ramp.png").exitCode, 0);
    for (const char* options :
         {"--dither atkinson", "--dither bayer --invert", "--threshold auto --fit cover",
          "--fit stretch --brightness 20 --contrast 30 --rotate 90 --mirror vertical"}) {
        SCOPED_TRACE(options);
        const std::string o = options;
        ASSERT_EQ(Shell(folder, "$CLI prepare " + o +
                                    " -o two.bmp ramp.png && $CLI convert "
                                    "--format c --name logo --stdout two.bmp > two.h && $CLI "
                                    "convert " +
                                    o + " --format c --name logo ramp.png")
                      .exitCode,
                  0);
        EXPECT_EQ(ReadFile(folder / "lcd_ramp.h"), ReadFile(folder / "two.h"));
    }
    // A picture already at the panel's size is never resampled: a threshold keeps it exact.
    ASSERT_EQ(Shell(folder, "convert -size 128x64 xc:white -fill black -draw 'point 5,7' "
                            "dot.png && $CLI prepare --threshold 128 -o dot.bmp dot.png")
                  .exitCode,
              0);
    const std::string dots = Dots(folder, "dot.bmp");
    EXPECT_EQ(std::count(dots.begin(), dots.end(), '#'), 1);
    EXPECT_EQ(DotAt(dots, 5, 7), '#');
}

TEST(Prepare, TurnsThePictureAsItsExifSaysThenAsAsked) {
    ScratchFolder folder;
    // Stored 200 x 100 with its left half black; the tag says to turn it 90 degrees
    // clockwise for viewing, so it shows 100 x 200 with the black half on top.
    ASSERT_EQ(Shell(folder, "convert -size 200x100 xc:white -fill black -draw 'rectangle "
                            "0,0 99,99' plain.jpg")
                  .exitCode,
              0);
    // An EXIF segment with Orientation 6 alone, right after the start marker.
    const std::string exif(
        "\xff\xe1\x00\x22"
        "Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0",
        36);
    WriteFile(folder / "turned.jpg", ReadFile(folder / "plain.jpg").insert(2, exif));
    ASSERT_EQ(Shell(folder, "$CLI prepare --fit stretch -o shown.bmp turned.jpg && $CLI "
                            "prepare --fit stretch --rotate 180 -o back.bmp turned.jpg && $CLI "
                            "prepare --fit stretch --mirror vertical -o mirrored.bmp turned.jpg")
                  .exitCode,
              0);
    const std::string shown = Dots(folder, "shown.bmp");
    EXPECT_EQ(DotAt(shown, 64, 5), '#');
    EXPECT_EQ(DotAt(shown, 64, 58), '.');
    for (const char* name : {"back.bmp", "mirrored.bmp"}) {
        const std::string dots = Dots(folder, name);
        EXPECT_EQ(DotAt(dots, 64, 5), '.') << name;
        EXPECT_EQ(DotAt(dots, 64, 58), '#') << name;
    }
    // The same turns for a picture the Qt helper decodes.
    ASSERT_EQ(Shell(folder, "convert plain.jpg plain.png && $CLI prepare --fit stretch --rotate "
                            "90 -o png-turned.bmp plain.png && $CLI prepare --mirror horizontal "
                            "--fit stretch -o png-mirrored.bmp plain.png")
                  .exitCode,
              0);
    const std::string pngTurned = Dots(folder, "png-turned.bmp");
    EXPECT_EQ(DotAt(pngTurned, 64, 5), '#');
    EXPECT_EQ(DotAt(pngTurned, 64, 58), '.');
    const std::string pngMirrored = Dots(folder, "png-mirrored.bmp");
    EXPECT_EQ(DotAt(pngMirrored, 5, 30), '.');
    EXPECT_EQ(DotAt(pngMirrored, 120, 30), '#');
}

TEST(Prepare, TransparencyShowsTheBackground) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder, "convert -size 128x64 xc:none -fill black -draw 'rectangle 0,0 "
                            "63,63' clear.png")
                  .exitCode,
              0);
    ASSERT_EQ(Shell(folder, "$CLI prepare -o white.bmp clear.png && $CLI prepare --background "
                            "black -o black.bmp clear.png")
                  .exitCode,
              0);
    EXPECT_EQ(DotAt(Dots(folder, "white.bmp"), 100, 30), '.');
    EXPECT_EQ(DotAt(Dots(folder, "black.bmp"), 100, 30), '#');
    EXPECT_EQ(DotAt(Dots(folder, "white.bmp"), 10, 30), '#');
}

TEST(Prepare, BadPicturesAndTheInputItselfAreRefused) {
    ScratchFolder folder;
    ASSERT_EQ(
        Shell(folder,
              "convert -size 256x256 xc:gray +noise Random photo.jpg && head -c "
              "3000 photo.jpg > cut.jpg && printf 'not a picture' > note.png && : > empty.png")
            .exitCode,
        0);
    // A PNG whose header claims 60000 x 60000 pixels.
    const std::string ihdr("\0\0\0\x0dIHDR\0\0\xea\x60\0\0\xea\x60\x08\x02\0\0\0"
                           "\x0f\xb0\xe2\x15",
                           25);
    const std::string idat("\0\0\0\x0bIDATx\x9c"
                           "c`\x80\x01\0\0\n\0\x01\x7f\x80t^",
                           23);
    const std::string iend("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    WriteFile(folder / "huge.png", std::string("\x89PNG\r\n\x1a\n", 8) + ihdr + idat + iend);
    const std::string photo = ReadFile(folder / "photo.jpg");
    for (const char* name : {"cut.jpg", "note.png", "empty.png", "huge.png", "missing.png"}) {
        SCOPED_TRACE(name);
        const Ran ran = Shell(folder, std::string("$CLI prepare ") + name);
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(ran.err.rfind(std::string("pelmora-cli: ") + name + ": ", 0), 0U) << ran.err;
        EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << "one line";
        if (std::string(name) == "huge.png") {
            EXPECT_NE(ran.err.find("60000 x 60000 pixels"), std::string::npos) << ran.err;
        }
    }
    const Ran self = Shell(folder, "$CLI prepare -o ./photo.jpg photo.jpg");
    EXPECT_EQ(self.exitCode, 1);
    EXPECT_NE(self.err.find("would replace the picture itself"), std::string::npos);
    EXPECT_EQ(ReadFile(folder / "photo.jpg"), photo);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"cut.jpg", "empty.png", "huge.png",
                                                        "note.png", "photo.jpg"}));

    // Without preparation, convert keeps its rule and says which option prepares the picture.
    const Ran convert = Shell(folder, "$CLI convert photo.jpg");
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_EQ(convert.err, "pelmora-cli: photo.jpg: " + RejectionTextOneLine() +
                               "\npelmora-cli: photo.jpg: to convert any picture, prepare it: "
                               "add --dither floyd-steinberg (or any other preparation option)\n");
    for (const char* usage :
         {"$CLI prepare --dither none x.png", "$CLI prepare --threshold 300 x.png",
          "$CLI prepare --rotate 45 x.png", "$CLI prepare -o a.bmp x.png y.png",
          "$CLI prepare --dither bayer --threshold 9 x.png",
          "$CLI convert --brightness 101 x.png"}) {
        EXPECT_EQ(Shell(folder, usage).exitCode, 2) << usage;
    }
}

TEST(Prepare, ALargePhotoIsScaledAsItIsDecodedAndOneThatCannotFitIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit here";
#endif
    ScratchFolder folder;
    // 12 million pixels, 48 MB as RGBA: more than the 40 MB of address space given below.
    ASSERT_EQ(
        Shell(folder, "convert -size 4000x3000 gradient:white-black -quality 50 big.jpg").exitCode,
        0);
    const Ran plain = Shell(folder, "ulimit -v 40000 && $CLI prepare --quiet big.jpg");
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    const std::string dots = Dots(folder, "big_128x64.bmp");
    EXPECT_EQ(DotAt(dots, 64, 2), '.'); // white at the top, black at the bottom
    EXPECT_EQ(DotAt(dots, 64, 61), '#');
    // Turned, it must be held whole first: refused in one line, nothing written, no crash.
    const Ran turned =
        Shell(folder, "ulimit -v 40000 && $CLI prepare --rotate 90 -o t.bmp big.jpg");
    EXPECT_EQ(turned.exitCode, 1);
    EXPECT_EQ(turned.err,
              "pelmora-cli: big.jpg: the picture needs more memory than this machine gives\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"big.jpg", "big_128x64.bmp"}));
}

} // namespace
} // namespace pelmora
