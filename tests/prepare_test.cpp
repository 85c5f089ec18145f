// Preparing a picture in the core: where it lands, its greys, and each way of dithering.

#include "core/prepare/prepare.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

namespace pelmora {
namespace {

double OnShare(const MonoPicture& picture) {
    return static_cast<double>(std::accumulate(picture.dots.begin(), picture.dots.end(), 0)) /
           static_cast<double>(picture.dots.size());
}

MonoPicture Flat(int grey, Dither dither, int width = 128, int height = 64) {
    PrepareOptions options;
    options.dither = dither;
    return DitherGrey(std::vector<std::uint8_t>(static_cast<std::size_t>(width * height),
                                                static_cast<std::uint8_t>(grey)),
                      width, height, options);
}

TEST(Dithering, FlatGreysGiveTheirDarknessInOnDots) {
    for (const int grey : {16, 32, 64, 100, 128, 160, 192, 224, 240}) {
        const double darkness = (255.0 - grey) / 255.0;
        for (const Dither dither : {Dither::FloydSteinberg, Dither::Bayer}) {
            SCOPED_TRACE("grey " + std::to_string(grey) + ", dither " +
                         std::to_string(static_cast<int>(dither)));
            EXPECT_NEAR(OnShare(Flat(grey, dither)), darkness, 0.02);
        }
        // Atkinson keeps only 6/8 of the error, so it drifts at the ends, not in the middle.
        if (grey >= 100 && grey <= 160) {
            EXPECT_NEAR(OnShare(Flat(grey, Dither::Atkinson)), darkness, 0.06) << grey;
        }
    }
    EXPECT_EQ(OnShare(Flat(0, Dither::FloydSteinberg)), 1.0);
    EXPECT_EQ(OnShare(Flat(255, Dither::Atkinson)), 0.0);
}

TEST(Dithering, BayerRepeatsEveryEightDotsEachWay) {
    const MonoPicture picture = Flat(150, Dither::Bayer, 40, 24);
    for (int y = 0; y + 8 < picture.height; ++y) {
        for (int x = 0; x + 8 < picture.width; ++x) {
            ASSERT_EQ(picture.at(x, y), picture.at(x + 8, y));
            ASSERT_EQ(picture.at(x, y), picture.at(x, y + 8));
        }
    }
}

TEST(Dithering, ThresholdIsExactAndOtsuSplitsTwoLevels) {
    std::vector<std::uint8_t> ramp(256);
    std::iota(ramp.begin(), ramp.end(), 0);
    for (const int n : {0, 1, 100, 128, 255, 256}) {
        PrepareOptions options;
        options.dither = Dither::Threshold;
        options.threshold = n;
        const MonoPicture picture = DitherGrey(ramp, 256, 1, options);
        for (int x = 0; x < 256; ++x) {
            ASSERT_EQ(picture.at(x, 0), x < n) << "N " << n << ", grey " << x;
        }
        options.invert = true;
        EXPECT_EQ(DitherGrey(ramp, 256, 1, options).at(0, 0), !(0 < n));
    }

    std::vector<std::uint8_t> twoLevels(1000, 200);
    std::fill(twoLevels.begin(), twoLevels.begin() + 300, 40);
    const int otsu = OtsuThreshold(twoLevels);
    EXPECT_GT(otsu, 40);
    EXPECT_LE(otsu, 200);
    PrepareOptions automatic;
    automatic.dither = Dither::Threshold;
    automatic.threshold.reset();
    EXPECT_EQ(OnShare(DitherGrey(twoLevels, 1000, 1, automatic)), 0.3);
}

// The same picture, the same dots: a checksum of each dither's result, fixed here, catches
// any change in the arithmetic on any machine.
TEST(Dithering, GivesTheSameDotsEverywhere) {
    std::vector<std::uint8_t> grey(128 * 64);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        grey[i] = static_cast<std::uint8_t>((i * 37 + i / 128 * 11) % 256);
    }
    const auto checksum = [&grey](Dither dither) {
        PrepareOptions options;
        options.dither = dither;
        std::uint32_t hash = 2166136261U; // FNV-1a
        for (const std::uint8_t dot : DitherGrey(grey, 128, 64, options).dots) {
            hash = (hash ^ dot) * 16777619U;
        }
        return hash;
    };
    const std::uint32_t expected[] = {85266250U, 1587875604U, 747225476U, 3299191477U};
    const Dither dithers[] = {Dither::FloydSteinberg, Dither::Atkinson, Dither::Bayer,
                              Dither::Threshold};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(checksum(dithers[i]), expected[i]) << i;
    }
}

struct FitCase {
    int sourceWidth;
    int sourceHeight;
    Fit fit;
    Placement expected;
};

TEST(Placing, EachFitPutsThePictureWhereItBelongs) {
    const FitCase cases[] = {
        // The whole picture, as large as fits, centred.
        {256, 64, Fit::Contain, {0, 0, 256, 64, 0, 16, 128, 32}},
        {64, 64, Fit::Contain, {0, 0, 64, 64, 32, 0, 64, 64}},
        {640, 480, Fit::Contain, {0, 0, 640, 480, 21, 0, 85, 64}},
        {128, 64, Fit::Contain, {0, 0, 128, 64, 0, 0, 128, 64}},
        // The panel filled, the middle kept.
        {256, 256, Fit::Cover, {0, 64, 256, 128, 0, 0, 128, 64}},
        {100, 20, Fit::Cover, {30, 0, 40, 20, 0, 0, 128, 64}},
        // 64 panel rows from half a source row: the two rows it lies across.
        {1, 4000, Fit::Cover, {0, 1999, 1, 2, 0, 0, 128, 64}},
        // The panel filled, whatever the shape.
        {30, 90, Fit::Stretch, {0, 0, 30, 90, 0, 0, 128, 64}},
        // No scaling: centred, cropped where larger.
        {300, 100, Fit::None, {86, 18, 128, 64, 0, 0, 128, 64}},
        {20, 10, Fit::None, {0, 0, 20, 10, 54, 27, 20, 10}},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.sourceWidth) + "x" + std::to_string(c.sourceHeight) + " " +
                     std::string(NameOfFit(c.fit)));
        const Placement p = PlacePicture(c.sourceWidth, c.sourceHeight, 128, 64, c.fit);
        const Placement& e = c.expected;
        EXPECT_EQ(std::vector<int>({p.sourceX, p.sourceY, p.sourceWidth, p.sourceHeight, p.panelX,
                                    p.panelY, p.width, p.height}),
                  std::vector<int>({e.sourceX, e.sourceY, e.sourceWidth, e.sourceHeight, e.panelX,
                                    e.panelY, e.width, e.height}));
    }
    EXPECT_FALSE(PlacePicture(128, 64, 128, 64, Fit::Cover).resampled());
    EXPECT_FALSE(PlacePicture(64, 64, 128, 64, Fit::Contain).resampled());
    EXPECT_TRUE(PlacePicture(640, 480, 128, 64, Fit::Contain).resampled());
}

TEST(Greys, AlphaLiesOverTheBackgroundAndToneMovesIt) {
    RgbaPicture shown{3, 1, {0, 0, 0, 128, 255, 0, 0, 255, 0, 0, 0, 0}};
    const Placement placement{0, 0, 3, 1, 1, 0, 3, 1};
    PrepareOptions options;
    std::vector<std::uint8_t> grey = PanelGrey(shown, placement, 5, 1, options);
    // Margins and the transparent pixel show the background; red's luma is 76.
    EXPECT_EQ(grey, (std::vector<std::uint8_t>{255, 127, 76, 255, 255}));
    options.blackBackground = true;
    EXPECT_EQ(PanelGrey(shown, placement, 5, 1, options),
              (std::vector<std::uint8_t>{0, 0, 76, 0, 0}));
    options.blackBackground = false;
    options.brightness = 100;
    EXPECT_EQ(PanelGrey(shown, placement, 5, 1, options),
              (std::vector<std::uint8_t>{255, 255, 255, 255, 255}));
    options.brightness = 0;
    options.contrast = -100;
    EXPECT_EQ(PanelGrey(shown, placement, 5, 1, options),
              (std::vector<std::uint8_t>{128, 128, 128, 128, 128}));
    options.contrast = 100;
    EXPECT_EQ(PanelGrey(shown, placement, 5, 1, options),
              (std::vector<std::uint8_t>{255, 126, 24, 255, 255}));
}

} // namespace
} // namespace pelmora
