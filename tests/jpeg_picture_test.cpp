// The JPEG reader that runs without Qt: the very pixels Qt decodes, EXIF orientation
// included; the part the panel shows the same whether scaled row by row or from the whole
// picture; and the JPEGs it must refuse or leave to Qt.

#include "core/prepare/resample.h"
#include "jpeg/jpeg_picture.h"
#include "support/shell.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstring>
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

class JpegPictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new ScratchFolder;
        // A photo-like field, chroma halved and not, grey, progressive, an odd size.
        ASSERT_EQ(Shell(*folder_, "convert -size 320x240 plasma:fractal -seed 3 -quality 85 "
                                  "photo.jpg && convert photo.jpg -sampling-factor 1x1 full.jpg "
                                  "&& convert photo.jpg -colorspace Gray grey.jpg && convert "
                                  "photo.jpg -interlace JPEG progressive.jpg && convert "
                                  "photo.jpg -resize 37x19! odd.jpg && convert photo.jpg "
                                  "-colorspace CMYK cmyk.jpg")
                      .exitCode,
                  0);
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
    };
    for (const char* name : {"photo.jpg", "odd.jpg", "turned6ii.jpg", "turned5mm.jpg"}) {
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
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        std::string error;
    };
    const Case cases[] = {
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
