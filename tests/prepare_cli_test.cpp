// pelmora-cli prepare, and convert with preparation, on pictures that ImageMagick makes
// here: every format, EXIF orientation, transparency, the refusals, pictures cut short,
// the Qt helper's answer and its end with pelmora-cli.

#include "core/bmp/bitmap_header.h"
#include "core/prepare/picture_handoff.h"
#include "support/shell.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

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

// A folder named as a picture is no picture: every command that reads one gives the
// system's reason, whatever the name says the picture is, and writes nothing.
TEST(Prepare, AFolderGivenAsAPictureIsADirectory) {
    ScratchFolder folder;
    for (const char* name : {"dir.png", "dir.jpg", "dir.gif", "dir.tga", "dir.bmp"}) {
        std::filesystem::create_directory(folder / name);
        for (const std::string line :
             {"prepare -o a.bmp", "convert --dither threshold", "convert --frames",
              "convert --frames --sheet 8x8 --layout pages", "show"}) {
            SCOPED_TRACE(line + " " + name);
            const Ran ran = Shell(folder, "$CLI " + line + " " + name);
            EXPECT_EQ(ran.exitCode, 1);
            EXPECT_EQ(ran.err, std::string("pelmora-cli: ") + name + ": Is a directory\n");
        }
    }
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"dir.bmp", "dir.gif", "dir.jpg", "dir.png", "dir.tga"}));
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
    // Turned, it is scaled row by row as well.
    const Ran turned =
        Shell(folder, "ulimit -v 40000 && $CLI prepare --quiet --rotate 90 -o t.bmp big.jpg");
    EXPECT_EQ(turned.exitCode, 0) << turned.err;
    const std::string turnedDots = Dots(folder, "t.bmp");
    EXPECT_EQ(DotAt(turnedDots, 44, 32), '#'); // black on the left once turned, white right
    EXPECT_EQ(DotAt(turnedDots, 83, 32), '.');
    // On a panel nearly as large as the photo, the part shown cannot fit. Refused in one
    // line, nothing written, no crash.
    const Ran whole = Shell(
        folder, "ulimit -v 40000 && $CLI prepare --rotate 90 --size 2048x2048 -o w.bmp big.jpg");
    EXPECT_EQ(whole.exitCode, 1);
    EXPECT_EQ(whole.err,
              "pelmora-cli: big.jpg: the picture needs more memory than this machine gives\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"big.jpg", "big_128x64.bmp", "t.bmp"}));
}

// Every format, whole, then cut at its middle and just before its end (as a download or a
// copy to a full disk leaves it): the whole one is prepared, each cut one refused in the
// words a cut JPEG gets, and nothing is written for it. (PNGs are pelmora-cli's own, with
// tests of their own.)
TEST(Prepare, APictureCutShortIsRefusedInEveryFormat) {
    struct Case {
        const char* label;
        const char* make; // ImageMagick's options and output, after the drawing
        const char* file;
        const char* format;
        std::size_t endCut; // bytes taken off the end: the last ones the picture needs
    };
    const Case cases[] = {
        {"JPEG", "photo.jpg", "photo.jpg", "JPEG", 1},
        {"GIF", "still.gif", "still.gif", "GIF", 1},
        {"GIF animation, the last frame cut", "\\( +clone -negate \\) -set delay 10 moving.gif",
         "moving.gif", "GIF", 1},
        {"BMP, 1 bit", "-type bilevel one.bmp", "one.bmp", "BMP", 1},
        {"BMP, 8 bits", "-type palette -compress none eight.bmp", "eight.bmp", "BMP", 1},
        {"BMP, 8 bits in RLE", "-type palette -compress RLE rle.bmp", "rle.bmp", "BMP", 1},
        {"BMP, 24 bits", "-type truecolor deep.bmp", "deep.bmp", "BMP", 1},
        {"BMP, 32 bits with bit fields", "-type truecolormatte -alpha on alpha.bmp", "alpha.bmp",
         "BMP", 1},
        {"BMP of OS/2, 12-byte header", "BMP2:os2.bmp", "os2.bmp", "BMP", 1},
        {"TIFF", "scan.tiff", "scan.tiff", "TIFF", 1},
        {"TIFF, big-endian, LZW", "-define tiff:endian=msb -compress lzw msb.tiff", "msb.tiff",
         "TIFF", 1},
        {"BigTIFF", "TIFF64:big.tiff", "big.tiff", "TIFF", 1},
        {"WebP", "web.webp", "web.webp", "WebP", 1},
        {"WebP, lossless", "-define webp:lossless=true lossless.webp", "lossless.webp", "WebP", 1},
        {"XBM", "-type bilevel bits.xbm", "bits.xbm", "XBM", 4},
        {"XPM", "-colors 2 pixmap.xpm", "pixmap.xpm", "XPM", 4},
    };
    const std::string draw =
        "convert -size 320x160 xc:white -fill black -draw 'rectangle 0,0 159,159' ";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScratchFolder folder;
        ASSERT_EQ(Shell(folder, draw + c.make).exitCode, 0);
        const std::string whole = ReadFile(folder / c.file);
        const Ran ran = Shell(folder, std::string("$CLI prepare --quiet -o whole.bmp ") + c.file);
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        const std::string dots = Dots(folder, "whole.bmp");
        EXPECT_EQ(DotAt(dots, 10, 32), '#');
        EXPECT_EQ(DotAt(dots, 117, 32), '.');

        const std::string extension = std::string(c.file).substr(std::string(c.file).find('.'));
        const std::string half = "half" + extension;
        const std::string end = "end" + extension;
        WriteFile(folder / half, whole.substr(0, whole.size() / 2));
        WriteFile(folder / end, whole.substr(0, whole.size() - c.endCut));
        for (const std::string& name : {half, end}) {
            SCOPED_TRACE(name);
            const Ran cut = Shell(folder, "$CLI prepare " + name);
            EXPECT_EQ(cut.exitCode, 1);
            EXPECT_EQ(cut.err, "pelmora-cli: " + name + ": the picture is cut short (its " +
                                   c.format + " data has no end)\n");
        }
        std::vector<std::string> names{end, c.file, half, "whole.bmp"};
        std::sort(names.begin(), names.end());
        EXPECT_EQ(folder.names(), names);
    }
}

// Whole pictures that a stricter reading would take for cut ones.
TEST(Prepare, APictureThatLacksNothingIsNotTakenForACutOne) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder, "convert -size 320x160 xc:white -fill black -draw 'rectangle "
                            "0,0 159,159' -type palette -compress RLE rle.bmp && convert "
                            "rle.bmp -type bilevel bits.xbm && convert rle.bmp still.gif")
                  .exitCode,
              0);
    const std::string rle = ReadFile(folder / "rle.bmp");
    ASSERT_EQ(rle.substr(rle.size() - 4),
              std::string("\0\0\0\1", 4)); // the last row's end, the end
    // RLE data that stops after its last row's end-of-line mark, without the end mark.
    WriteFile(folder / "no-end-mark.bmp", rle.substr(0, rle.size() - 2));
    // Text after the closing brace, and bytes after a GIF's trailer.
    WriteFile(folder / "spaced.xbm", ReadFile(folder / "bits.xbm") + "\n\n  \n");
    WriteFile(folder / "padded.gif", ReadFile(folder / "still.gif") + std::string(64, '\0'));
    for (const char* name : {"no-end-mark.bmp", "spaced.xbm", "padded.gif"}) {
        SCOPED_TRACE(name);
        const Ran ran = Shell(folder, std::string("$CLI prepare --quiet -o out.bmp ") + name);
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        const std::string dots = Dots(folder, "out.bmp");
        EXPECT_EQ(DotAt(dots, 10, 32), '#');
        EXPECT_EQ(DotAt(dots, 117, 32), '.');
    }
}

// The state of a process as /proc tells it ('T' stopped, 'Z' ended but not yet reaped), or
// nothing once it is gone.
const char* const kStateOf = "state() { sed 's/.*) //' /proc/$1/stat 2>/dev/null | cut -c1; }; ";

// Killing pelmora-cli ends the Qt helper it started, which would otherwise decode on for no
// one. The helper is held stopped first, so that it cannot have finished by itself, once it
// has the picture open: from then on, it is past the point where it ties itself to its
// parent (before that, it would still see its parent gone on its own).
TEST(Prepare, TheHelperEndsWithPelmoraCli) {
    ScratchFolder folder;
    // 10000 x 10000 pixels at 1 bit, written here: ImageMagick's own limits refuse it.
    const int side = 10000;
    const std::uint32_t rowBytes = (side + 31) / 32 * 4;
    const std::uint32_t pixels = rowBytes * side;
    std::string bmp(62, '\0');
    auto put = [&bmp](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            bmp[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        }
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, 62 + pixels, 4);
    put(10, 62, 4);
    put(14, 40, 4);
    put(18, side, 4);
    put(22, side, 4);
    put(26, 1, 2);
    put(28, 1, 2);
    put(58, 0xFFFFFF, 4); // colour 1 white, colour 0 black
    bmp.append(pixels, '\x0F');
    WriteFile(folder / "huge.bmp", bmp);

    const Ran ran = Shell(
        folder,
        std::string(kStateOf) +
            "$CLI prepare --quiet huge.bmp & cli=$!; "
            "for i in $(seq 1000); do helper=$(pgrep -x -P $cli pelmora-picture) && "
            "ls -l /proc/$helper/fd | grep -q huge.bmp && break; helper=; sleep 0.005; done; "
            "[ -n \"$helper\" ] || exit 3; "
            "kill -STOP $helper; for i in $(seq 100); do [ \"$(state $helper)\" = T ] && break; "
            "sleep 0.01; done; [ \"$(state $helper)\" = T ] || exit 4; "
            "kill -TERM $cli; wait $cli; "
            "for i in $(seq 100); do case $(state $helper) in ''|Z) exit 0;; esac; sleep 0.05; "
            "done; kill -KILL $helper; exit 5");
    switch (ran.exitCode) {
    case 3:
        FAIL() << "pelmora-cli started no helper: " << ran.err;
        break;
    case 4:
        FAIL() << "the helper ended before it could be held";
        break;
    case 5:
        FAIL() << "the helper ran on after pelmora-cli ended";
        break;
    default:
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
    }
    EXPECT_EQ(folder.names(), std::vector<std::string>{"huge.bmp"});
}

// A helper whose reader is gone before it starts (its parent killed at once) gives up
// before decoding anything, rather than decode the whole picture and die writing it.
TEST(Prepare, TheHelperDoesNotStartForAParentAlreadyGone) {
    ScratchFolder folder;
    ASSERT_EQ(Shell(folder, "convert -size 320x160 xc:white still.gif").exitCode, 0);
    const Ran ran = Shell(folder, "helper=$(dirname \"$CLI\")/pelmora-picture; "
                                  "(sleep 0.2; \"$helper\" still.gif 128 64 contain 0 none; "
                                  "echo $? > status) | true; "
                                  "cat status");
    EXPECT_EQ(ran.out, "1\n") << "128 + 13 is SIGPIPE: the picture was decoded and written";
    EXPECT_EQ(ran.err, "");
}

// The helper's answer: what it writes is read back, and anything else is refused.
TEST(PictureHandoff, ReadsWhatItWritesAndRefusesAnythingElse) {
    const Placement placement{3, 4, 200, 100, 8, 2, 100, 50};
    const std::string pixels(100 * 50 * 4, '\x7f');
    const std::string header = PictureHandoffHeader(placement);
    EXPECT_EQ(header, "PELMORA-RGBA 1\n3 4 200 100 8 2 100 50\n");
    const std::optional<PictureHandoff> back = ParsePictureHandoff(header + pixels, 128, 64);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(PictureHandoffHeader(back->placement), header);
    EXPECT_EQ(back->shown.width, 100);
    EXPECT_EQ(back->shown.height, 50);
    EXPECT_EQ(std::string(back->shown.rgba.begin(), back->shown.rgba.end()), pixels);
    // Nothing shown (a picture entirely off the panel) is an answer too.
    EXPECT_TRUE(ParsePictureHandoff("PELMORA-RGBA 1\n0 0 1 1 0 0 0 0\n", 128, 64).has_value());

    struct Case {
        const char* label;
        std::string answer;
    };
    const std::string first = "PELMORA-RGBA 1\n";
    const Case refused[] = {
        {"nothing", ""},
        {"cut in the first line", "PELMORA-RG"},
        {"another version", "PELMORA-RGBA 2\n3 4 200 100 8 2 100 50\n" + pixels},
        {"no numbers line", first},
        {"numbers line not ended", first + "3 4 200 100 8 2 100 50"},
        {"seven numbers", first + "3 4 200 100 8 2 100\n" + pixels},
        {"nine numbers", first + "3 4 200 100 8 2 100 50 1\n" + pixels},
        {"two spaces", first + "3 4 200 100 8 2  100 50\n" + pixels},
        {"a space at the end", first + "3 4 200 100 8 2 100 50 \n" + pixels},
        {"not a number", first + "3 4 200 100 8 2 1e2 50\n" + pixels},
        {"a sign", first + "3 4 200 100 8 2 +100 50\n" + pixels},
        {"negative", first + "-3 4 200 100 8 2 100 50\n" + pixels},
        {"beyond int", first + "3 4 200 100 8 2 4294967396 50\n" + pixels},
        {"pixels one byte short", first + "3 4 200 100 8 2 100 50\n" + pixels.substr(1)},
        {"pixels one byte over", first + "3 4 200 100 8 2 100 50\n" + pixels + "x"},
        {"past the right edge", first + "3 4 200 100 29 2 100 50\n" + pixels},
        {"past the bottom", first + "3 4 200 100 8 15 100 50\n" + pixels},
        {"sizes whose product wraps", first + "0 0 1 1 0 0 2147483647 2147483647\n" + pixels},
        {"a shown part larger than the panel", first + "0 0 1 1 0 0 256 64\n" + pixels},
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(ParsePictureHandoff(c.answer, 128, 64).has_value()) << c.label;
    }
}

} // namespace
} // namespace pelmora
