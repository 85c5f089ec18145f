// Turning and scaling in the core: every pixel where it belongs, every average exact.

#include "core/prepare/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pelmora {
namespace {

// Pixels of made-up values, a few of them fully transparent.
RgbaPicture Noise(int width, int height, std::uint32_t seed) {
    RgbaPicture picture{width, height, {}};
    for (int i = 0; i < width * height * 4; ++i) {
        seed = seed * 1664525U + 1013904223U;
        picture.rgba.push_back(static_cast<std::uint8_t>(seed >> 24));
    }
    for (std::size_t i = 3; i < picture.rgba.size(); i += 28) {
        picture.rgba[i] = 0;
    }
    return picture;
}

// The average as a person works it out, pixel by pixel in two dimensions: the picture
// laid on a grid fine enough that both the source and the output pixels are whole cells.
RgbaPicture Averaged(const RgbaPicture& picture, const Placement& p) {
    RgbaPicture out{p.width, p.height, {}};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            std::uint64_t a = 0;
            std::uint64_t c[3] = {};
            for (int sy = 0; sy < p.sourceHeight; ++sy) {
                const long long oy =
                    std::min<long long>((y + 1LL) * p.sourceHeight, (sy + 1LL) * p.height) -
                    std::max<long long>(1LL * y * p.sourceHeight, 1LL * sy * p.height);
                for (int sx = 0; sx < p.sourceWidth && oy > 0; ++sx) {
                    const long long ox =
                        std::min<long long>((x + 1LL) * p.sourceWidth, (sx + 1LL) * p.width) -
                        std::max<long long>(1LL * x * p.sourceWidth, 1LL * sx * p.width);
                    if (ox <= 0) {
                        continue;
                    }
                    const std::uint8_t* px =
                        &picture.rgba[((sy + p.sourceY) * picture.width + sx + p.sourceX) * 4];
                    const auto w = static_cast<std::uint64_t>(ox * oy) * px[3];
                    a += w;
                    for (int k = 0; k < 3; ++k) {
                        c[k] += w * px[k];
                    }
                }
            }
            const std::uint64_t area = 1ULL * p.sourceWidth * p.sourceHeight;
            for (int k = 0; k < 3; ++k) {
                out.rgba.push_back(a == 0 ? 0
                                          : static_cast<std::uint8_t>((2 * c[k] + a) / (2 * a)));
            }
            out.rgba.push_back(static_cast<std::uint8_t>((2 * a + area) / (2 * area)));
        }
    }
    return out;
}

TEST(Scaling, EachPixelIsTheExactAverageOfTheAreaItCovers) {
    struct Case {
        int width, height; // of the picture
        Placement placement;
    };
    const Case cases[] = {
        {640, 480, {0, 0, 640, 480, 21, 0, 85, 64}}, // a photo, contained
        {300, 200, {50, 0, 200, 200, 0, 0, 64, 64}}, // cropped to cover
        {7, 5, {0, 0, 7, 5, 0, 0, 3, 2}},
        {3, 2, {0, 0, 3, 2, 0, 0, 7, 5}},     // grown
        {1, 1, {0, 0, 1, 1, 0, 0, 4, 4}},     // one pixel filling the panel
        {100, 1, {0, 0, 100, 1, 0, 0, 3, 7}}, // shrunk one way, grown the other
        {9, 9, {2, 3, 5, 4, 0, 0, 5, 4}},     // cut out, not resampled
    };
    std::uint32_t seed = 1;
    for (const Case& c : cases) {
        // Transparent pixels in every row, in none (a row without any is summed apart), and
        // in every third, so that output pixels mix the two kinds of row.
        for (const int transparentRows : {1, 0, 3}) {
            RgbaPicture picture = Noise(c.width, c.height, seed++);
            for (int y = 0; y < c.height; ++y) {
                for (int x = 0; transparentRows != 1 && x < c.width; ++x) {
                    if (transparentRows == 0 || y % transparentRows != 1) {
                        picture.rgba[(static_cast<std::size_t>(y) * c.width + x) * 4 + 3] = 255;
                    }
                }
            }
            const RgbaPicture shown = ShownPart(picture, c.placement);
            const std::string label = std::to_string(c.placement.sourceWidth) + "x" +
                                      std::to_string(c.placement.sourceHeight) + " to " +
                                      std::to_string(c.placement.width) + "x" +
                                      std::to_string(c.placement.height) + ", transparent rows " +
                                      std::to_string(transparentRows);
            ASSERT_EQ(shown.width, c.placement.width) << label;
            ASSERT_EQ(shown.height, c.placement.height) << label;
            if (c.placement.resampled()) {
                EXPECT_EQ(shown.rgba, Averaged(picture, c.placement).rgba) << label;
            } else {
                for (int y = 0; y < shown.height; ++y) {
                    const auto* from =
                        &picture
                             .rgba[((y + c.placement.sourceY) * c.width + c.placement.sourceX) * 4];
                    EXPECT_TRUE(
                        std::equal(from, from + shown.width * 4,
                                   &shown.rgba[static_cast<std::size_t>(y) * shown.width * 4]))
                        << label << " row " << y;
                }
            }
        }
    }
}

TEST(Scaling, ATransparentPixelLendsNoColourAndAFlatPictureStaysFlat) {
    // Opaque blue beside fully transparent red: the average is blue, half covered.
    const RgbaPicture pair{2, 1, {255, 0, 0, 0, 0, 0, 255, 255}};
    EXPECT_EQ(ShownPart(pair, {0, 0, 2, 1, 0, 0, 1, 1}).rgba,
              (std::vector<std::uint8_t>{0, 0, 255, 128}));
    const RgbaPicture flat{33, 17, std::vector<std::uint8_t>(33 * 17 * 4, 77)};
    const RgbaPicture shown = ShownPart(flat, {0, 0, 33, 17, 0, 0, 128, 64});
    EXPECT_TRUE(std::all_of(shown.rgba.begin(), shown.rgba.end(), [](auto v) { return v == 77; }));
}

// A 3 x 2 picture whose pixels are numbered in their red byte, row by row.
RgbaPicture Numbered() {
    RgbaPicture picture{3, 2, {}};
    for (std::uint8_t i = 0; i < 6; ++i) {
        picture.rgba.insert(picture.rgba.end(), {i, 0, 0, 255});
    }
    return picture;
}

RgbaPicture Turned(const RgbaPicture& picture, int rotate, Mirror mirror) {
    return TurnedView(picture).turned(rotate, mirror).picture();
}

std::vector<int> Order(const RgbaPicture& picture) {
    std::vector<int> order{picture.width, picture.height};
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
        order.push_back(picture.rgba[i]);
    }
    return order;
}

TEST(Turning, QuarterTurnsMirrorsAndExifOrientationsMoveEachPixelWhereItBelongs) {
    // 0 1 2      clockwise: 3 0      mirrored left to right: 2 1 0
    // 3 4 5                 4 1                              5 4 3
    //                       5 2
    const RgbaPicture p = Numbered();
    EXPECT_EQ(Order(Turned(p, 90, Mirror::None)), (std::vector<int>{2, 3, 3, 0, 4, 1, 5, 2}));
    EXPECT_EQ(Order(Turned(p, 180, Mirror::None)), (std::vector<int>{3, 2, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(Order(Turned(p, 270, Mirror::None)), (std::vector<int>{2, 3, 2, 5, 1, 4, 0, 3}));
    EXPECT_EQ(Order(Turned(p, -90, Mirror::None)), Order(Turned(p, 270, Mirror::None)));
    EXPECT_EQ(Order(Turned(p, 360, Mirror::None)), Order(p));
    EXPECT_EQ(Order(Turned(p, 0, Mirror::Horizontal)), (std::vector<int>{3, 2, 2, 1, 0, 5, 4, 3}));
    EXPECT_EQ(Order(Turned(p, 0, Mirror::Vertical)), (std::vector<int>{3, 2, 3, 4, 5, 0, 1, 2}));
    // The eight EXIF orientations say how the stored picture is to be turned to be seen.
    const std::vector<int> upright[] = {
        {3, 2, 0, 1, 2, 3, 4, 5}, {3, 2, 2, 1, 0, 5, 4, 3}, {3, 2, 5, 4, 3, 2, 1, 0},
        {3, 2, 3, 4, 5, 0, 1, 2}, {2, 3, 0, 3, 1, 4, 2, 5}, {2, 3, 3, 0, 4, 1, 5, 2},
        {2, 3, 5, 2, 4, 1, 3, 0}, {2, 3, 2, 5, 1, 4, 0, 3},
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        EXPECT_EQ(Order(Upright(p, orientation)), upright[orientation - 1]) << orientation;
    }
    EXPECT_EQ(Order(Upright(p, 0)), Order(p));
}

std::vector<std::uint8_t> Exif(const std::string& tiff) {
    const std::string app1 = std::string("Exif\0\0", 6) + tiff;
    return {app1.begin(), app1.end()};
}

// A decoder's rows scaled as they come, for any turn, give what the turned picture gives
// when made whole first: every orientation, turn and mirror, each fit, shrunk and grown.
TEST(Turning, RowsScaledAsTurnedGiveWhatTheTurnedPictureGives) {
    std::uint32_t seed = 7;
    for (const auto& [width, height] : {std::pair{7, 5}, std::pair{23, 11}}) {
        const RgbaPicture picture = Noise(width, height, seed++);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            for (const int rotate : {0, 90, 180, 270}) {
                for (const Mirror mirror : {Mirror::None, Mirror::Horizontal, Mirror::Vertical}) {
                    const TurnedView view =
                        TurnedView(picture).upright(orientation).turned(rotate, mirror);
                    for (const Fit fit : {Fit::Contain, Fit::Cover, Fit::Stretch, Fit::None}) {
                        for (const auto& [panelWidth, panelHeight] :
                             {std::pair{5, 3}, std::pair{13, 17}}) {
                            const Placement placement = PlacePicture(view.width(), view.height(),
                                                                     panelWidth, panelHeight, fit);
                            TurnedAreaScaler scaler(view, placement);
                            for (int y = 0; y < height; ++y) {
                                scaler.add(y, width,
                                           picture.rgba.data() +
                                               static_cast<std::size_t>(y) * width * 4);
                            }
                            EXPECT_EQ(scaler.take().rgba, ShownPart(view, placement).rgba)
                                << width << "x" << height << " orientation " << orientation
                                << " turned " << rotate << " mirror " << static_cast<int>(mirror)
                                << " fit " << NameOfFit(fit) << " on " << panelWidth << "x"
                                << panelHeight;
                        }
                    }
                }
            }
        }
    }
}

TEST(Exif, OrientationIsReadInEitherByteOrderAndAnythingElseIsUpright) {
    using namespace std::string_literals;
    // One IFD entry, tag 0x0112, type SHORT, count 1.
    EXPECT_EQ(ExifOrientation(Exif("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"s)), 6);
    EXPECT_EQ(ExifOrientation(Exif("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x08\0\0"s)), 8);
    // Another tag first, then the orientation.
    EXPECT_EQ(ExifOrientation(Exif("II*\0\x08\0\0\0\x02\0\x0f\x01\x02\0\x01\0\0\0\0\0\0\0"
                                   "\x12\x01\x03\0\x01\0\0\0\x03\0\0\0"s)),
              3);
    const std::string refused[] = {
        "II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x09\0\0\0"s, // no such orientation
        "II*\0\x08\0\0\0\x01\0\x12\x01\x04\0\x01\0\0\0\x06\0\0\0"s, // not a SHORT
        "II*\0\x08\0\0\0\x01\0\x12\x01\x03\0"s,                     // cut in the entry
        "II*\0\xff\xff\0\0\x01\0"s,                                 // the IFD past the end
        "II*\0\x08\0\0\0\xff\xff"s,                                 // more entries than bytes
        "XX*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0"s, // no byte order
        ""s,
    };
    for (const std::string& tiff : refused) {
        EXPECT_EQ(ExifOrientation(Exif(tiff)), 1) << tiff.size();
    }
    const std::vector<std::uint8_t> notExif{'X', 'M', 'P', 0, 0, 0, 'I', 'I', '*', 0, 8, 0, 0, 0};
    EXPECT_EQ(ExifOrientation(notExif), 1);
}

} // namespace
} // namespace pelmora
