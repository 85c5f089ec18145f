// The PNG reader that runs without Qt: the very pixels Qt decodes for every depth and
// colour type, transparency, interlacing, gamma and orientation; the dots prepared from
// it the same as from Qt's decoding; and the PNGs it must refuse or leave to Qt.

#include "core/io/png_writer.h"
#include "core/prepare/resample.h"
#include "png/plain_png.h"
#include "png/png_picture.h"
#include "support/shell.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::Ran;
using test::ReadFile;
using test::ScratchFolder;
using test::Shell;
using test::WriteFile;

// What Qt's own PNG reader makes of the file, as straight RGBA: what the Qt helper hands on.
RgbaPicture QtDecoded(const std::filesystem::path& path) {
    QImageReader reader(QString::fromStdString(path.string()));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    image.convertTo(QImage::Format_RGBA8888);
    RgbaPicture picture{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        picture.rgba.insert(picture.rgba.end(), line, line + image.width() * 4);
    }
    return picture;
}

std::string Big32(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16 & 0xFF),
            static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)};
}

// A chunk as the format lays it out: length, type, data, CRC of type and data.
std::string Chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return Big32(static_cast<std::uint32_t>(data.size())) + body +
           Big32(static_cast<std::uint32_t>(crc));
}

// Where the first chunk of the type starts (its length field), or npos.
std::size_t FindChunk(const std::string& png, const std::string& type) {
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const auto length = static_cast<std::size_t>(static_cast<unsigned char>(png[at]) << 24 |
                                                     static_cast<unsigned char>(png[at + 1]) << 16 |
                                                     static_cast<unsigned char>(png[at + 2]) << 8 |
                                                     static_cast<unsigned char>(png[at + 3]));
        if (png.compare(at + 4, 4, type) == 0) {
            return at;
        }
        at += 12 + length;
    }
    return std::string::npos;
}

// png with chunk put just after its header, and every chunk of the same type before gone.
std::string WithChunk(std::string png, const std::string& type, const std::string& data) {
    for (std::size_t at; (at = FindChunk(png, type)) != std::string::npos;) {
        const auto length = static_cast<std::size_t>(static_cast<unsigned char>(png[at + 2]) << 8 |
                                                     static_cast<unsigned char>(png[at + 3]));
        png.erase(at, 12 + length);
    }
    return png.insert(33, Chunk(type, data));
}

// An eXIf payload stating only the orientation, little-endian.
std::string ExifPayload(int orientation) {
    return std::string("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) +
           std::string{static_cast<char>(orientation), '\0', '\0', '\0'};
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class PngPictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new ScratchFolder;
        // Every 16-bit grey value once, to hold the narrowing to 8 bits to Qt's.
        std::string every;
        for (int value = 0; value < 65536; ++value) {
            every += static_cast<char>(value >> 8);
            every += static_cast<char>(value & 0xFF);
        }
        WriteFile(*folder_ / "every.gray", every);
        const std::string alpha = "\\( -size 61x37 gradient: \\) -alpha off -compose CopyOpacity "
                                  "-composite";
        const char* commands[] = {
            "convert -size 61x37 -seed 3 plasma:fractal PNG24:rgb8.png",
            "convert -size 61x37 -seed 5 plasma:fractal -depth 16 PNG48:rgb16.png",
            "convert rgb8.png ALPHA PNG32:rgba8.png",
            "convert -size 61x37 -seed 5 plasma:fractal ALPHA -depth 16 PNG64:rgba16.png",
            "convert rgba16.png -interlace PNG PNG64:rgba16-interlaced.png",
            "convert rgb8.png -interlace PNG rgb8-interlaced.png",
            "convert rgb16.png -colorspace Gray -define png:color-type=0 -depth 16 grey16.png",
            "convert -size 256x256 -depth 16 gray:every.gray every16.png",
            "convert rgb8.png -colorspace Gray -define png:color-type=0 -depth 8 grey8.png",
            "convert rgb8.png -colorspace Gray -define png:color-type=0 -define png:bit-depth=4 "
            "-depth 4 grey4.png",
            "convert rgb8.png -colorspace Gray -define png:color-type=0 -define png:bit-depth=2 "
            "-depth 2 grey2.png",
            "convert rgb8.png -monochrome -define png:color-type=0 -define png:bit-depth=1 "
            "grey1.png",
            "convert rgba8.png -colorspace Gray -define png:color-type=4 -depth 8 greyalpha8.png",
            "convert rgba16.png -colorspace Gray -define png:color-type=4 -depth 16 "
            "greyalpha16.png",
            "convert rgba8.png -colors 40 PNG8:palette.png",
            "convert palette.png -interlace PNG palette-interlaced.png",
            "convert rgb8.png -fill red -draw 'rectangle 5,5 20,20' -transparent red "
            "-define png:color-type=2 rgb-trns.png",
            "convert grey8.png -fill white -draw 'rectangle 5,5 20,20' -transparent white "
            "-define png:color-type=0 grey-trns.png",
            "convert rgb16.png -fill red -draw 'rectangle 5,5 20,20' -transparent red "
            "-define png:color-type=2 -depth 16 rgb16-trns.png",
            "convert rgb16-trns.png -depth 8 rgba:rgb16-trns.rgba",
            "convert -size 1x1 xc:teal one.png",
            "convert rgb8.png -resize 3x200! tall.png",
            "convert -size 640x480 -seed 7 plasma:fractal photo.png",
        };
        std::string script;
        for (std::string command : commands) {
            if (const std::size_t at = command.find("ALPHA"); at != std::string::npos) {
                command.replace(at, 5, alpha);
            }
            script += (script.empty() ? "" : " && ") + command;
        }
        ASSERT_EQ(Shell(*folder_, script).exitCode, 0);
        // Gamma far from the usual, which Qt leaves alone unless asked to apply it.
        const std::string rgb = ReadFile(*folder_ / "rgb8.png");
        WriteFile(*folder_ / "gamma.png", WithChunk(rgb, "gAMA", Big32(100000)));
        WriteFile(*folder_ / "gamma-palette.png",
                  WithChunk(ReadFile(*folder_ / "palette.png"), "gAMA", Big32(20000)));
        // Qt's PNG reader leaves an EXIF orientation alone, and so must this one.
        for (int orientation = 1; orientation <= 8; ++orientation) {
            WriteFile(*folder_ / ("turned" + std::to_string(orientation) + ".png"),
                      WithChunk(rgb, "eXIf", ExifPayload(orientation)));
        }
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static std::vector<std::string> Names() {
        std::vector<std::string> names{"rgb8.png",
                                       "rgb16.png",
                                       "rgba8.png",
                                       "rgba16.png",
                                       "rgba16-interlaced.png",
                                       "rgb8-interlaced.png",
                                       "grey16.png",
                                       "every16.png",
                                       "grey8.png",
                                       "grey4.png",
                                       "grey2.png",
                                       "grey1.png",
                                       "greyalpha8.png",
                                       "greyalpha16.png",
                                       "palette.png",
                                       "palette-interlaced.png",
                                       "rgb-trns.png",
                                       "grey-trns.png",
                                       "one.png",
                                       "tall.png",
                                       "gamma.png",
                                       "gamma-palette.png"};
        for (int orientation = 1; orientation <= 8; ++orientation) {
            names.push_back("turned" + std::to_string(orientation) + ".png");
        }
        return names;
    }
    static ScratchFolder* folder_;
};

ScratchFolder* PngPictures::folder_ = nullptr;

TEST_F(PngPictures, DecodeToTheVeryPixelsQtDecodes) {
    for (const std::string& name : Names()) {
        const PngDecoded decoded = ReadPngFile((*folder_ / name).string());
        ASSERT_TRUE(decoded.handled && decoded.ok()) << name << ": " << decoded.error;
        const RgbaPicture qt = QtDecoded(*folder_ / name);
        ASSERT_EQ(decoded.picture.width, qt.width) << name;
        ASSERT_EQ(decoded.picture.height, qt.height) << name;
        std::size_t differ = 0;
        for (std::size_t i = 0; i < qt.rgba.size(); ++i) {
            differ += decoded.picture.rgba[i] != qt.rgba[i] ? 1 : 0;
        }
        EXPECT_EQ(differ, 0U) << name;
    }
}

// What the helper makes today: Qt's decoding, turned, placed and scaled by the core, then
// prepared; beside the same picture decoded here, row by row where it can be.
TEST_F(PngPictures, PreparedDotsAreTheDotsOfQtsDecoding) {
    const PanelFit panels[] = {
        {128, 64, Fit::Contain, 0, Mirror::None},
        {128, 64, Fit::Cover, 0, Mirror::None},
        {84, 48, Fit::Stretch, 0, Mirror::None},
        {128, 64, Fit::None, 0, Mirror::None},
        {96, 96, Fit::Contain, 270, Mirror::Vertical},
        {32, 320, Fit::Stretch, 90, Mirror::Horizontal},
    };
    PrepareOptions options;
    for (const std::string& name : Names()) {
        const RgbaPicture qt = QtDecoded(*folder_ / name);
        for (const PanelFit& panel : panels) {
            const TurnedView turned = TurnedView(qt).turned(panel.rotate, panel.mirror);
            const Placement placement =
                PlacePicture(turned.width(), turned.height(), panel.width, panel.height, panel.fit);
            const RgbaPicture expected = ShownPart(turned, placement);
            const PngShown shown = ReadPngShown((*folder_ / name).string(), panel);
            const std::string where = name + " on " + std::to_string(panel.width) + "x" +
                                      std::to_string(panel.height) + " fit " +
                                      std::string(NameOfFit(panel.fit)) + " turned " +
                                      std::to_string(panel.rotate);
            ASSERT_TRUE(shown.handled && shown.ok()) << where << ": " << shown.error;
            EXPECT_EQ(shown.placement.sourceX, placement.sourceX) << where;
            EXPECT_EQ(shown.placement.sourceY, placement.sourceY) << where;
            EXPECT_EQ(shown.placement.sourceWidth, placement.sourceWidth) << where;
            EXPECT_EQ(shown.placement.sourceHeight, placement.sourceHeight) << where;
            EXPECT_EQ(shown.placement.width, placement.width) << where;
            EXPECT_EQ(shown.placement.height, placement.height) << where;
            EXPECT_TRUE(shown.shown.rgba == expected.rgba) << where;
            EXPECT_TRUE(
                PreparePanel(shown.shown, shown.placement, panel.width, panel.height, options)
                    .dots ==
                PreparePanel(expected, placement, panel.width, panel.height, options).dots)
                << where;
        }
    }
}

// Qt 6.4 garbles a 16-bit colour picture with a tRNS colour; it is decoded as ImageMagick
// reads it instead.
TEST_F(PngPictures, SixteenBitColourWithATransparentColourAsImageMagickReadsIt) {
    const PngDecoded decoded = ReadPngFile((*folder_ / "rgb16-trns.png").string());
    ASSERT_TRUE(decoded.handled && decoded.ok()) << decoded.error;
    const std::string magick = ReadFile(*folder_ / "rgb16-trns.rgba");
    // ImageMagick narrows 16 bits to 8 rounding down, Qt (and this reader) to nearest.
    EXPECT_TRUE(std::equal(magick.begin(), magick.end(), decoded.picture.rgba.begin(),
                           decoded.picture.rgba.end(), [](char a, std::uint8_t b) {
                               const int below = b - static_cast<std::uint8_t>(a);
                               return below == 0 || below == 1;
                           }));
    EXPECT_EQ(decoded.picture.rgba[(6 * 61 + 6) * 4 + 3], 0); // in the transparent square
}

TEST_F(PngPictures, CutDamagedAndHugeOnesAreRefusedInOneLine) {
    const std::string png = ReadFile(*folder_ / "photo.png");
    const std::size_t data = FindChunk(png, "IDAT");
    const std::size_t end = FindChunk(png, "IEND");
    ASSERT_NE(data, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    const auto length = static_cast<std::size_t>(static_cast<unsigned char>(png[data + 1]) << 16 |
                                                 static_cast<unsigned char>(png[data + 2]) << 8 |
                                                 static_cast<unsigned char>(png[data + 3]));
    const std::string pixels = png.substr(data + 8, length);
    // The first data chunk's checksum wrong, its data whole.
    std::string badCrc = png;
    badCrc[data + 8 + length] = static_cast<char>(badCrc[data + 8 + length] ^ 0x01);
    // Data changed under a checksum made right: a zlib header that fails its check, and a
    // bit flipped in the middle of the compressed rows.
    std::string badHeader = pixels;
    badHeader[1] = static_cast<char>(badHeader[1] ^ 0x01);
    std::string flipped = pixels;
    flipped[5000] = static_cast<char>(flipped[5000] ^ 0x10);
    const auto withData = [&](const std::string& changed) {
        return png.substr(0, data) + Chunk("IDAT", changed) + png.substr(data + 12 + length);
    };
    const std::string huge = png.substr(0, 8) +
                             Chunk("IHDR", Big32(20000) + Big32(20000) + png.substr(24, 5)) +
                             png.substr(33);
    struct Case {
        std::string name;
        std::string bytes;
        std::string error;
    };
    const Case cases[] = {
        {"cut in half", png.substr(0, png.size() / 2),
         "the picture is cut short (its PNG data ends early)"},
        {"cut in the last chunk", png.substr(0, end - 100),
         "the picture is cut short (its PNG data ends early)"},
        {"every row whole, the closing chunk missing", png.substr(0, end),
         "the picture is cut short (its PNG data ends early)"},
        {"signature only", png.substr(0, 8), "the picture is cut short (its PNG data ends early)"},
        {"a checksum wrong", badCrc, "the picture is damaged (a PNG chunk fails its checksum)"},
        {"a zlib header wrong", withData(badHeader),
         "the picture is damaged (its PNG data does not decompress)"},
        {"a bit flipped in the rows", withData(flipped),
         "the picture is damaged (its PNG data does not decompress)"},
        {"20000 x 20000", huge,
         "the picture is 20000 x 20000 pixels, more than the 100 million prepared"},
        {"no header", png.substr(0, 8) + png.substr(33), "the picture could not be read ("},
    };
    for (const Case& c : cases) {
        const PngShown shown = DecodePngShown(Bytes(c.bytes), {128, 64});
        const PngDecoded whole = DecodePng(Bytes(c.bytes));
        EXPECT_TRUE(shown.handled && whole.handled) << c.name;
        EXPECT_EQ(shown.error, whole.error) << c.name;
        EXPECT_EQ(whole.error.substr(0, c.error.size()), c.error) << c.name << ": " << whole.error;
        EXPECT_EQ(whole.error.find('\n'), std::string::npos) << c.name;
    }
    EXPECT_TRUE(DecodePng(Bytes(png)).ok());
    // A JPEG, an empty file or none at all is no PNG: Qt gives its own reason.
    WriteFile(*folder_ / "empty.png", "");
    WriteFile(*folder_ / "jpeg.png", "\xff\xd8\xff\xe0");
    for (const char* name : {"empty.png", "jpeg.png", "missing.png"}) {
        EXPECT_FALSE(ReadPngFile((*folder_ / name).string()).handled) << name;
        EXPECT_FALSE(ReadPngShown((*folder_ / name).string(), {128, 64}).handled) << name;
    }
}

// Damage to a chunk is one reason whichever reader meets it (the plain one, libspng's rows
// or its whole interlaced picture, libspng looking for a grey's tRNS) in every kind of
// picture: a length far past the file (0x7fffffff) in any chunk is the file cut short,
// never libspng's state or its rule for that chunk; a chunk out of place after the image
// data is refused, interlaced or not.
TEST_F(PngPictures, DamageToAnyChunkGivesOneReasonInEveryKindOfPicture) {
    const std::string cutShort = "the picture is cut short (its PNG data ends early)";
    std::map<std::string, std::set<std::string>> reasons; // the damage to the reasons met
    const auto judge = [&](const std::string& name, const std::string& damage,
                           const std::string& damaged) {
        WriteFile(*folder_ / "damaged.png", damaged);
        const PngDecoded whole = DecodePng(Bytes(damaged));
        const PngDecoded read = ReadPngFile((*folder_ / "damaged.png").string());
        const PngShown shown = DecodePngShown(Bytes(damaged), {128, 64});
        EXPECT_EQ(read.error, whole.error) << name << ", " << damage;
        EXPECT_EQ(shown.error, whole.error) << name << ", " << damage;
        reasons[damage].insert(whole.error);
    };
    for (const std::string& name : Names()) {
        const std::string png = ReadFile(*folder_ / name);
        for (std::size_t at = 8; at + 12 <= png.size();) {
            const auto length =
                static_cast<std::size_t>(static_cast<unsigned char>(png[at]) << 24 |
                                         static_cast<unsigned char>(png[at + 1]) << 16 |
                                         static_cast<unsigned char>(png[at + 2]) << 8 |
                                         static_cast<unsigned char>(png[at + 3]));
            judge(name, "the length of " + png.substr(at + 4, 4),
                  std::string(png).replace(at, 4, Big32(0x7fffffff)));
            at += 12 + length;
        }
        const std::size_t end = FindChunk(png, "IEND");
        judge(name, "a second header after the image data",
              std::string(png).insert(end, png.substr(8, 25)));
    }
    for (const char* type : {"IHDR", "IDAT", "IEND", "gAMA", "PLTE", "tEXt", "eXIf"}) {
        EXPECT_EQ(reasons["the length of " + std::string(type)], std::set<std::string>{cutShort})
            << type;
    }
    for (const auto& [damage, met] : reasons) {
        EXPECT_EQ(met.size(), 1U) << damage;
        EXPECT_EQ(met.begin()->find("state"), std::string::npos) << damage;
    }
    const std::set<std::string> second = reasons["a second header after the image data"];
    ASSERT_EQ(second.size(), 1U);
    EXPECT_NE(*second.begin(), "");
}

// The plain PNGs (8-bit grey, grey and alpha, RGB, RGBA, not interlaced) have their rows
// inflated by libdeflate; each must decode as libspng alone decodes it, to the same pixels
// or the same refusal, from its bytes and from its file (read into memory shared with
// the rows).
void ExpectAsLibspng(const std::string& png, const std::string& name) {
    const PngDecoded libspng = DecodePngByLibspng(Bytes(png));
    ScratchFolder folder;
    WriteFile(folder / "file.png", png);
    for (const PngDecoded& decoded :
         {DecodePng(Bytes(png)), ReadPngFile((folder / "file.png").string())}) {
        EXPECT_TRUE(decoded.handled) << name;
        EXPECT_EQ(decoded.error, libspng.error) << name;
        EXPECT_EQ(decoded.picture.width, libspng.picture.width) << name;
        EXPECT_EQ(decoded.picture.height, libspng.picture.height) << name;
        EXPECT_TRUE(decoded.picture.rgba == libspng.picture.rgba) << name;
    }
    const PanelFit panel{128, 64};
    const PngShown shown = DecodePngShown(Bytes(png), panel);
    const PngShown read = ReadPngShown((folder / "file.png").string(), panel);
    EXPECT_EQ(read.error, libspng.error) << name;
    EXPECT_TRUE(read.shown.rgba == shown.shown.rgba) << name;
}

// Whether the plain reader takes png itself rather than leaving it to libspng.
bool ReadPlain(const std::string& png) {
    const std::vector<std::uint8_t> bytes = Bytes(png);
    const std::optional<PlainLayout> layout = FindPlainLayout(bytes, kMaxPicturePixels, 1 << 26);
    return layout && PlainRows::Inflate(bytes, *layout).has_value();
}

TEST_F(PngPictures, PlainOnesOfEveryKindAndFilterDecodeAsLibspngDecodesThem) {
    // ImageMagick's encoder, each filter alone and chosen row by row (5), on every kind.
    const char* kinds[] = {"-colorspace Gray -define png:color-type=0", "-define png:color-type=2",
                           "-colorspace Gray -define png:color-type=4", "-define png:color-type=6"};
    std::string script;
    for (int kind = 0; kind < 4; ++kind) {
        for (int filter = 0; filter <= 5; ++filter) {
            script += std::string(script.empty() ? "" : " && ") + "convert rgba8.png " +
                      (kind < 2 ? "-alpha off " : "") + kinds[kind] +
                      " -depth 8 -define png:compression-filter=" + std::to_string(filter) +
                      " plain" + std::to_string(kind) + std::to_string(filter) + ".png";
        }
    }
    script += " && convert photo.png -depth 8 PNG24:photo8.png";
    ASSERT_EQ(Shell(*folder_, script).exitCode, 0);
    for (int kind = 0; kind < 4; ++kind) {
        for (int filter = 0; filter <= 5; ++filter) {
            const std::string name =
                "plain" + std::to_string(kind) + std::to_string(filter) + ".png";
            const std::string png = ReadFile(*folder_ / name);
            EXPECT_TRUE(ReadPlain(png)) << name;
            EXPECT_TRUE(DecodePng(Bytes(png)).ok()) << name;
            ExpectAsLibspng(png, name);
        }
    }
    // A photo in many data chunks, and the plain files of the other tests.
    for (const char* name : {"photo8.png", "rgb8.png", "rgba8.png", "grey8.png", "greyalpha8.png",
                             "tall.png", "gamma.png", "turned6.png"}) {
        const std::string png = ReadFile(*folder_ / name);
        EXPECT_TRUE(ReadPlain(png)) << name;
        ExpectAsLibspng(png, name);
    }
}

// A plain PNG made here: its rows filtered with each filter in turn and deflated by zlib;
// the file then put together as a case needs.
struct MadePng {
    int width;
    int height;
    int type;
    std::vector<std::uint8_t> raw; // each row its filter byte, then its bytes filtered

    MadePng(int type_, int width_ = 23, int height_ = 9)
        : width(width_), height(height_), type(type_) {
        const std::size_t n = type == 0 ? 1 : type == 2 ? 3 : type == 4 ? 2 : 4;
        const std::size_t bytes = static_cast<std::size_t>(width) * n;
        std::vector<int> above(bytes, 0);
        for (int y = 0; y < height; ++y) {
            std::vector<int> row(bytes);
            for (std::size_t i = 0; i < bytes; ++i) {
                row[i] = static_cast<int>((i * 7 + y * 13 + (i * y) % 11) * 5 % 256);
            }
            const int filter = y % 5;
            raw.push_back(static_cast<std::uint8_t>(filter));
            for (std::size_t i = 0; i < bytes; ++i) {
                const int a = i >= n ? row[i - n] : 0;
                const int b = above[i];
                const int c = i >= n ? above[i - n] : 0;
                const int p = a + b - c;
                const int pa = std::abs(p - a);
                const int pb = std::abs(p - b);
                const int pc = std::abs(p - c);
                const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                const int predicted[] = {0, a, b, (a + b) / 2, paeth};
                raw.push_back(static_cast<std::uint8_t>(row[i] - predicted[filter]));
            }
            above = row;
        }
    }
    std::string stream() const { return Deflated(raw); }
    static std::string Deflated(const std::vector<std::uint8_t>& rows) {
        std::string out(compressBound(static_cast<uLong>(rows.size())), '\0');
        uLongf size = static_cast<uLongf>(out.size());
        compress2(reinterpret_cast<Bytef*>(out.data()), &size, rows.data(),
                  static_cast<uLong>(rows.size()), 9);
        out.resize(size);
        return out;
    }
    std::string header() const {
        return Chunk("IHDR", Big32(static_cast<std::uint32_t>(width)) +
                                 Big32(static_cast<std::uint32_t>(height)) +
                                 std::string{8, static_cast<char>(type), 0, 0, 0});
    }
    // The stream in data chunks: the sizes asked for, then the rest in one.
    static std::string Data(const std::string& z, const std::vector<std::size_t>& pieces = {}) {
        std::string out;
        std::size_t at = 0;
        for (const std::size_t piece : pieces) {
            out += Chunk("IDAT", z.substr(at, piece));
            at += piece;
        }
        return out + Chunk("IDAT", z.substr(at));
    }
    std::string file(const std::string& before, const std::string& data,
                     const std::string& after = "") const {
        return std::string("\x89PNG\r\n\x1a\n", 8) + header() + before + data + after +
               Chunk("IEND", "");
    }
};

TEST(PlainPngs, ChunksAroundTheDataAndTheDataInPiecesReadAsLibspngReadsThem) {
    const std::string text = Chunk("tEXt", std::string("Comment\0made here", 17));
    for (const int type : {0, 2, 4, 6}) {
        const MadePng made(type);
        const std::string z = made.stream();
        const std::string name = "type " + std::to_string(type);
        struct Case {
            std::string what;
            std::string png;
        };
        const Case cases[] = {
            {"alone", made.file("", MadePng::Data(z))},
            {"in pieces of 1, 7 and 0 bytes, an empty chunk last",
             made.file("", MadePng::Data(z, {1, 7, 0, 30, 0}) + Chunk("IDAT", ""))},
            {"chunks before and after",
             made.file(Chunk("gAMA", Big32(45455)) + Chunk("sRGB", "\x01") +
                           Chunk("pHYs", Big32(2835) + Big32(2835) + "\x01") + text,
                       MadePng::Data(z), Chunk("tIME", "\x07\xe6\x0c\x08\x0c\x00\x00") + text)},
            {"a gAMA of 0, which libspng passes over",
             made.file(Chunk("gAMA", Big32(0)), MadePng::Data(z))},
            {"bytes after IEND", made.file("", MadePng::Data(z)) + "trailing"},
            {"one pixel",
             MadePng(type, 1, 1).file("", MadePng::Data(MadePng(type, 1, 1).stream()))},
        };
        for (const Case& c : cases) {
            EXPECT_TRUE(ReadPlain(c.png)) << name << ", " << c.what;
            EXPECT_TRUE(DecodePng(Bytes(c.png)).ok()) << name << ", " << c.what;
            ExpectAsLibspng(c.png, name + ", " + c.what);
        }
    }
}

// What the plain reader does not take, or finds wrong, libspng reads: the same pixels or
// the same refusal as before there was a plain reader.
TEST(PlainPngs, WhatTheyLeaveToLibspngIsReadOrRefusedAsLibspngDoes) {
    const MadePng made(6);
    const std::string z = made.stream();
    const std::string data = MadePng::Data(z);
    const std::string text = Chunk("tEXt", std::string("Comment\0made here", 17));
    const auto withByte = [](std::string bytes, std::size_t at, int value) {
        bytes[at] = static_cast<char>(value);
        return bytes;
    };
    const auto withHeader = [](const std::string& png, int depth, int interlace) {
        return png.substr(0, 8) +
               Chunk("IHDR", png.substr(16, 8) + std::string{static_cast<char>(depth), png[25], 0,
                                                             0, static_cast<char>(interlace)}) +
               png.substr(33);
    };
    const std::size_t stride = 1 + 23 * 4;
    std::vector<std::uint8_t> shortRows(made.raw.begin(), made.raw.end() - stride);
    std::vector<std::uint8_t> longRows = made.raw;
    longRows.insert(longRows.end(), made.raw.end() - stride, made.raw.end());
    std::vector<std::uint8_t> badFilter = made.raw;
    badFilter[4 * stride] = 5;
    std::string badCrc = data;
    badCrc[badCrc.size() - 1] = static_cast<char>(badCrc.back() ^ 1);
    const std::string badAdler = withByte(z, z.size() - 1, z.back() ^ 1);
    struct Case {
        std::string what;
        std::string png;
    };
    const Case cases[] = {
        {"a data chunk's CRC wrong", made.file("", badCrc)},
        {"the Adler-32 wrong", made.file("", MadePng::Data(badAdler))},
        {"the Adler-32 wrong in a chunk of its own",
         made.file("", MadePng::Data(badAdler, {badAdler.size() - 4}))},
        {"the stream one row short", made.file("", MadePng::Data(MadePng::Deflated(shortRows)))},
        {"the stream one row long", made.file("", MadePng::Data(MadePng::Deflated(longRows)))},
        {"bytes after the stream", made.file("", MadePng::Data(z + "more"))},
        {"a filter of 5", made.file("", MadePng::Data(MadePng::Deflated(badFilter)))},
        {"the stream cut before its end", made.file("", MadePng::Data(z.substr(0, z.size() - 9)))},
        {"a zlib header asking for a dictionary",
         made.file("", MadePng::Data(withByte(z, 1, 0x20)))},
        {"text between the data chunks", made.file("", MadePng::Data(z, {20}).insert(32, text))},
        {"a data chunk after the text", made.file("", data, text + Chunk("IDAT", ""))},
        {"no data, but an empty chunk", made.file("", Chunk("IDAT", ""))},
        {"a transparent colour",
         MadePng(2).file(Chunk("tRNS", std::string(6, '\0')), MadePng::Data(MadePng(2).stream()))},
        {"a tRNS chunk where there is alpha", made.file(Chunk("tRNS", std::string(6, '\0')), data)},
        {"an unknown critical chunk", made.file(Chunk("ABCD", "x"), data)},
        {"a second header", made.file(made.header(), data)},
        {"a CRC wrong after the data",
         withByte(made.file("", data, text), made.file("", data, text).size() - 13,
                  made.file("", data, text)[made.file("", data, text).size() - 13] ^ 1)},
        {"IEND holding a byte",
         made.file("", data).substr(0, made.file("", data).size() - 12) + Chunk("IEND", "x")},
        {"no IEND", made.file("", data).substr(0, made.file("", data).size() - 12)},
        {"interlaced", withHeader(made.file("", data), 8, 1)},
        {"16 bits a sample", withHeader(made.file("", data), 16, 0)},
    };
    for (const Case& c : cases) {
        ExpectAsLibspng(c.png, c.what);
    }
}

// The PNG the core writes (show --png), read back by ImageMagick, dot for dot: every
// palette index at every position in a byte, on an odd width and many rows.
TEST(PngWriter, ImageMagickReadsEveryDotCompressed) {
    ScratchFolder folder;
    PngPicture picture;
    picture.width = 517;
    picture.height = 300;
    picture.palette = {0xFFFFFF, 0x102030, 0xA0B0C0, 0x00FF00};
    const auto index = [](int x, int y) {
        return (x / 7 + y / 5 + (x * y) % 3) % 4;
    };
    picture.row = [&](int y, std::uint8_t* indices) {
        for (int x = 0; x < picture.width; ++x) {
            indices[x] = static_cast<std::uint8_t>(index(x, y));
        }
    };
    std::string file;
    ASSERT_TRUE(WritePng(picture, [&](std::string_view piece) {
        file += piece;
        return true;
    }));
    WriteFile(folder / "out.png", file);
    ASSERT_EQ(Shell(folder, "convert out.png -depth 8 rgb:out.rgb").exitCode, 0);
    const std::string rgb = ReadFile(folder / "out.rgb");
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(picture.width) * picture.height * 3);
    std::size_t differ = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t colour = picture.palette[static_cast<std::size_t>(index(x, y))];
            const std::size_t at = (static_cast<std::size_t>(y) * picture.width + x) * 3;
            const std::uint32_t read = static_cast<std::uint8_t>(rgb[at]) << 16 |
                                       static_cast<std::uint8_t>(rgb[at + 1]) << 8 |
                                       static_cast<std::uint8_t>(rgb[at + 2]);
            differ += read != colour ? 1 : 0;
        }
    }
    EXPECT_EQ(differ, 0U);
    // Two bits a pixel stored would be 39,000 bytes; the pattern repeats, so far less.
    EXPECT_LT(file.size(), 10000U);
    // A writer that stops at the first piece refused.
    int pieces = 0;
    EXPECT_FALSE(WritePng(picture, [&](std::string_view) { return ++pieces < 2; }));
    EXPECT_EQ(pieces, 2);
}

// show --png of the example logo, four times its size: a few hundred bytes of data, read by
// ImageMagick as the same picture as the BMP scaled.
TEST(PngWriter, ShowWritesTheLogoSmall) {
    ScratchFolder folder;
    const Ran ran =
        Shell(folder, "\"$CLI\" convert --quiet --output-dir . " PELMORA_EXAMPLES
                      "/logo.bmp && \"$CLI\" show --png logo.png --scale 4 lcd_logo.txt && "
                      "identify -format '%w %h' logo.png");
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.out, "512 256");
    EXPECT_LT(ReadFile(folder / "logo.png").size(), 2048U);
}

} // namespace
} // namespace pelmora
