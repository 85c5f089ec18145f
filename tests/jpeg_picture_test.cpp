// The JPEG reader that runs without Qt: the very pixels Qt decodes, EXIF orientation
// included; the part the panel shows the same whether scaled row by row or from the whole
// picture; and the JPEGs it must refuse or leave to Qt.

#include "core/prepare/resample.h"
#include "jpeg/jpeg_picture.h"
#include "support/shell.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::ReadFile;
using test::ScratchFolder;
using test::Shell;
using test::WriteFile;

// What Qt's own JPEG plugin makes of the file, as straight RGBA.
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

// An APP1 segment stating only the orientation, in the given byte order.
std::string ExifSegment(int orientation, bool little) {
    std::string tiff = little ? std::string("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18)
                              : std::string("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18);
    tiff += little ? std::string{static_cast<char>(orientation), '\0', '\0', '\0'}
                   : std::string{'\0', static_cast<char>(orientation), '\0', '\0'};
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const auto length = static_cast<int>(payload.size() + 2);
    return std::string("\xff\xe1", 2) + static_cast<char>(length >> 8) +
           static_cast<char>(length & 0xFF) + payload;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// A progressive JPEG cut into its header and its scans, each scan with the tables that come
// just before it, so that scans of two files made from one photo can be put together.
struct Scans {
    std::string head;
    std::vector<std::string> scans;
};

Scans SplitScans(const std::string& jpeg) {
    const auto byte = [&jpeg](std::size_t at) {
        return static_cast<unsigned char>(jpeg[at]);
    };
    Scans split;
    std::size_t scanStart = std::string::npos;
    bool framed = false;
    for (std::size_t at = 2; at + 4 <= jpeg.size() && byte(at + 1) != 0xD9;) {
        const unsigned char marker = byte(at + 1);
        const std::size_t next = at + 2 + (byte(at + 2) << 8 | byte(at + 3));
        framed = framed || marker == 0xC2;
        if (framed && scanStart == std::string::npos && (marker == 0xC4 || marker == 0xDA)) {
            scanStart = at;
            if (split.scans.empty()) {
                split.head = jpeg.substr(0, at);
            }
        }
        at = next;
        if (marker == 0xDA) { // the scan's data runs to the next marker
            while (at + 1 < jpeg.size() &&
                   !(byte(at) == 0xFF && byte(at + 1) != 0 && (byte(at + 1) & 0xF8) != 0xD0)) {
                ++at;
            }
            split.scans.push_back(jpeg.substr(scanStart, at - scanStart));
            scanStart = std::string::npos;
        }
    }
    return split;
}

// A scan script: DC in 11 steps of precision, the luma coefficients first to last (up to
// 14) one at a time in 11 steps each, the rest in bands: 1 to 7 and 8 to 14 (where not
// sent one at a time), 15 to 63, and each chroma component's.
std::string ScanScript(int first, int last) {
    std::string script;
    const auto steps = [&script](const std::string& part) {
        for (int al = 10; al >= 0; --al) {
            script += part + " " + std::to_string(al == 10 ? 0 : al + 1) + " " +
                      std::to_string(al) + ";\n";
        }
    };
    steps("0 1 2: 0 0");
    for (int k = 1; k < first; k += 7) {
        script += "0: " + std::to_string(k) + " " + std::to_string(std::min(k + 6, first - 1)) +
                  " 0 0;\n";
    }
    for (int k = first; k <= last; ++k) {
        steps("0: " + std::to_string(k) + " " + std::to_string(k));
    }
    if (last < 14) {
        script += "0: " + std::to_string(last + 1) + " 14 0 0;\n";
    }
    script += "0: 15 63 0 0;\n1: 1 63 0 0;\n2: 1 63 0 0;\n";
    return script;
}

class JpegPictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new ScratchFolder;
        // A photo-like field, chroma halved and not, grey, progressive, an odd size; large
        // ones, of sharp edges among them.
        ASSERT_EQ(Shell(*folder_, "convert -size 320x240 -seed 3 plasma:fractal -quality 85 "
                                  "photo.jpg && convert photo.jpg -sampling-factor 1x1 full.jpg "
                                  "&& convert photo.jpg -colorspace Gray grey.jpg && convert "
                                  "photo.jpg -interlace JPEG progressive.jpg && convert "
                                  "photo.jpg -resize 37x19! odd.jpg && convert photo.jpg "
                                  "-colorspace CMYK cmyk.jpg && convert -size 1600x1200 "
                                  "-seed 4 plasma:fractal -quality 90 big.jpg && "
                                  "convert -size 1283x967 pattern:checkerboard -quality 95 "
                                  "bigsharp.jpg && convert big.jpg -resize 1283x967! bigodd.jpg "
                                  "&& convert photo.jpg -resize 300x200! small.jpg")
                      .exitCode,
                  0);
        WriteFile(*folder_ / "bigturned.jpg",
                  ReadFile(*folder_ / "bigodd.jpg").insert(2, ExifSegment(6, true)));
        const std::string photo = ReadFile(*folder_ / "odd.jpg");
        for (int orientation = 1; orientation <= 8; ++orientation) {
            for (const bool little : {true, false}) {
                std::string turned = photo;
                turned.insert(2, ExifSegment(orientation, little));
                WriteFile(*folder_ / ("turned" + std::to_string(orientation) +
                                      (little ? "ii" : "mm") + ".jpg"),
                          turned);
            }
        }
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static std::vector<std::string> Names() {
        std::vector<std::string> names{"photo.jpg", "full.jpg", "grey.jpg", "progressive.jpg",
                                       "odd.jpg"};
        for (int orientation = 1; orientation <= 8; ++orientation) {
            names.push_back("turned" + std::to_string(orientation) + "ii.jpg");
            names.push_back("turned" + std::to_string(orientation) + "mm.jpg");
        }
        return names;
    }
    static ScratchFolder* folder_;
};

ScratchFolder* JpegPictures::folder_ = nullptr;

TEST_F(JpegPictures, DecodeToTheVeryPixelsQtDecodes) {
    for (const std::string& name : Names()) {
        const JpegPicture decoded = ReadJpegFile((*folder_ / name).string());
        ASSERT_TRUE(decoded.handled && decoded.ok()) << name << ": " << decoded.error;
        const RgbaPicture qt = QtDecoded(*folder_ / name);
        EXPECT_EQ(decoded.picture.width, qt.width) << name;
        EXPECT_EQ(decoded.picture.height, qt.height) << name;
        EXPECT_TRUE(decoded.picture.rgba == qt.rgba) << name;
    }
}

TEST_F(JpegPictures, ScaledRowByRowGiveWhatTheWholePictureGives) {
    const PanelFit panels[] = {
        {128, 64, Fit::Contain, 0, Mirror::None},
        {128, 64, Fit::Cover, 0, Mirror::None},
        {84, 48, Fit::Stretch, 0, Mirror::None},
        {128, 64, Fit::None, 0, Mirror::None},
        {128, 64, Fit::Cover, 90, Mirror::None},
        {96, 96, Fit::Contain, 270, Mirror::Vertical},
        {32, 320, Fit::Stretch, 0, Mirror::Horizontal},
        {200, 150, Fit::Contain, 0, Mirror::None},
        {64, 128, Fit::Cover, 90, Mirror::None},
    };
    // Large ones too, far larger than the part shown: every pixel decoded, not a smaller
    // picture from libjpeg's scaled inverse DCT, whose dots on the checkerboard's edges
    // would be many grey levels off.
    for (const char* name : {"photo.jpg", "odd.jpg", "turned6ii.jpg", "turned5mm.jpg", "big.jpg",
                             "bigsharp.jpg", "bigturned.jpg"}) {
        const JpegPicture whole = ReadJpegFile((*folder_ / name).string());
        for (const PanelFit& panel : panels) {
            const RgbaPicture turned =
                TurnedView(whole.picture).turned(panel.rotate, panel.mirror).picture();
            const Placement placement =
                PlacePicture(turned.width, turned.height, panel.width, panel.height, panel.fit);
            const JpegShown shown = ReadJpegShown((*folder_ / name).string(), panel);
            ASSERT_TRUE(shown.handled && shown.ok()) << name;
            EXPECT_EQ(shown.placement.sourceX, placement.sourceX);
            EXPECT_EQ(shown.placement.sourceWidth, placement.sourceWidth);
            EXPECT_EQ(shown.placement.panelY, placement.panelY);
            EXPECT_EQ(shown.placement.height, placement.height);
            EXPECT_TRUE(shown.shown.rgba == ShownPart(turned, placement).rgba)
                << name << " on " << panel.width << "x" << panel.height << " fit "
                << static_cast<int>(panel.fit) << " turned " << panel.rotate;
        }
    }
}

TEST_F(JpegPictures, CutHugeAndBrokenOnesAreRefusedAndOthersLeftToQt) {
    const std::string photo = ReadFile(*folder_ / "photo.jpg");
    // The size stated in the frame header: 60000 x 60000, far past the limit.
    std::string huge = photo;
    const std::size_t frame = huge.find("\xff\xc0");
    ASSERT_NE(frame, std::string::npos);
    huge.replace(frame + 5, 4, "\xea\x60\xea\x60");
    std::string broken = photo;
    broken.replace(frame, 2, "\xff\xc3"); // a lossless frame, which libjpeg does not decode
    // 10000 x 10000 stated (as many pixels as are prepared) on 300 x 200 of data.
    std::string claims = ReadFile(*folder_ / "small.jpg");
    const std::size_t smallFrame = claims.find("\xff\xc0");
    ASSERT_NE(smallFrame, std::string::npos);
    claims.replace(smallFrame + 5, 4, "\x27\x10\x27\x10");
    // Scans of two files made from one photo, put together: 168 scans of a progression
    // libjpeg-turbo's own decoder takes without a warning, every one of them needed.
    WriteFile(*folder_ / "first.txt", ScanScript(1, 7));
    WriteFile(*folder_ / "second.txt", ScanScript(8, 14));
    ASSERT_EQ(Shell(*folder_, "jpegtran -scans first.txt photo.jpg > first.jpg && jpegtran -scans "
                              "second.txt photo.jpg > second.jpg")
                  .exitCode,
              0);
    const Scans first = SplitScans(ReadFile(*folder_ / "first.jpg"));
    const Scans second = SplitScans(ReadFile(*folder_ / "second.jpg"));
    ASSERT_EQ(first.scans.size(), 92U);
    ASSERT_EQ(second.scans.size(), 92U);
    std::string flood = first.head;
    for (std::size_t i = 0; i < 88; ++i) { // DC, then coefficients 1 to 7 in steps
        flood += first.scans[i];
    }
    for (std::size_t i = 12; i < 89; ++i) { // coefficients 8 to 14 in steps
        flood += second.scans[i];
    }
    for (std::size_t i = 89; i < 92; ++i) { // the rest of the luma, the two chroma components
        flood += first.scans[i];
    }
    flood += "\xff\xd9";
    WriteFile(*folder_ / "flood.jpg", flood);
    ASSERT_EQ(Shell(*folder_, "djpeg -strict -maxscans 1000 flood.jpg > /dev/null").exitCode, 0);
    EXPECT_TRUE(ReadJpegShown((*folder_ / "first.jpg").string(), {128, 64}).ok());
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        std::string error;
    };
    const Case cases[] = {
        {"cut in half, its end marker put back",
         Bytes(photo.substr(0, photo.size() / 2) + "\xff\xd9"), "the picture is damaged ("},
        {"more pixels stated than there is data for", Bytes(claims), "the picture is damaged ("},
        {"168 scans", Bytes(flood), "the picture could not be read (more than 100 scans)"},
        {"cut", Bytes(photo.substr(0, photo.size() / 2)),
         "the picture is cut short (its JPEG data has no end)"},
        {"huge", Bytes(huge),
         "the picture is 60000 x 60000 pixels, more than the 100 million "
         "prepared"},
        {"broken", Bytes(broken), "the picture could not be read ("},
        {"start only", Bytes(std::string("\xff\xd8\xff\xd9", 4)),
         "the picture could not be read ("},
    };
    for (const Case& c : cases) {
        const JpegShown shown = DecodeJpegShown(c.bytes, {128, 64});
        const JpegPicture whole = DecodeJpeg(c.bytes);
        EXPECT_TRUE(shown.handled && whole.handled) << c.name;
        EXPECT_EQ(shown.error, whole.error) << c.name;
        EXPECT_EQ(whole.error.substr(0, c.error.size()), c.error) << c.name;
        EXPECT_EQ(whole.error.find('\n'), std::string::npos) << c.name;
    }
    // What cameras append after the end marker is no part of the picture.
    std::string appended = photo;
    for (int i = 0; i < 8192; ++i) {
        appended += static_cast<char>(i * 7 % 256);
    }
    const JpegPicture withTail = DecodeJpeg(Bytes(appended));
    ASSERT_TRUE(withTail.ok()) << withTail.error;
    EXPECT_TRUE(withTail.picture.rgba == DecodeJpeg(Bytes(photo)).picture.rgba);
    EXPECT_TRUE(DecodeJpegShown(Bytes(appended), {128, 64}).ok());
    // CMYK is Qt's to convert; a PNG or an empty file is no JPEG at all.
    EXPECT_FALSE(ReadJpegFile((*folder_ / "cmyk.jpg").string()).handled);
    EXPECT_FALSE(ReadJpegShown((*folder_ / "cmyk.jpg").string(), {128, 64}).handled);
    WriteFile(*folder_ / "empty.jpg", "");
    WriteFile(*folder_ / "png.jpg", "\x89PNG\r\n\x1a\n");
    for (const char* name : {"empty.jpg", "png.jpg", "missing.jpg"}) {
        EXPECT_FALSE(ReadJpegFile((*folder_ / name).string()).handled) << name;
    }
}

} // namespace
} // namespace pelmora
