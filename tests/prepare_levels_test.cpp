// Preparing pictures for panels beyond one bit: grey levels, tri-colour e-paper, masks,
// and the level greys a user writes.

#include "core/prepare/prepare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using Pixel = std::array<std::uint8_t, 4>;

RgbaPicture MakeRgba(int width, int height, const std::function<Pixel(int x, int y)>& pixel) {
    RgbaPicture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Pixel p = pixel(x, y);
            picture.rgba.insert(picture.rgba.end(), p.begin(), p.end());
        }
    }
    return picture;
}

Pixel Grey(int grey) {
    const auto g = static_cast<std::uint8_t>(grey);
    return {g, g, g, 255};
}

// The picture covering the whole panel, unscaled.
Placement Whole(const RgbaPicture& picture) {
    return PlacePicture(picture.width, picture.height, picture.width, picture.height, Fit::None);
}

PanelLayout Layout(int width, int height, int depth, Arrangement arrangement = Arrangement::Rows,
                   Colours colours = Colours::None, MaskForm mask = MaskForm::None) {
    PanelLayout layout;
    layout.width = width;
    layout.height = height;
    layout.arrangement = arrangement;
    layout.bitOrder = BitOrder::Msb;
    layout.depth = depth;
    layout.colours = colours;
    layout.mask = mask;
    EXPECT_EQ(CheckLayout(layout), "");
    return layout;
}

struct NamedDither {
    const char* name;
    Dither dither;
    std::optional<int> threshold = 128;
};

const NamedDither kEveryDither[] = {
    {"floyd-steinberg", Dither::FloydSteinberg},
    {"atkinson", Dither::Atkinson},
    {"bayer", Dither::Bayer},
    {"threshold 128", Dither::Threshold},
    {"threshold 0", Dither::Threshold, 0},
    {"threshold 256", Dither::Threshold, 256},
    {"threshold otsu", Dither::Threshold, {}},
};

TEST(PrepareLevels, ALevelsOwnGreyStaysThatLevelInEveryDither) {
    struct Row {
        const char* name;
        int depth;
        std::vector<int> levelGreys;
        bool invert;
    };
    const std::vector<int> uneven16{250, 240, 228, 215, 200, 185, 170, 150,
                                    131, 110, 90,  70,  50,  33,  16,  3};
    const Row rows[] = {
        {"2 bits, even", 2, {}, false},
        {"4 bits, even", 4, {}, false},
        {"2 bits, table", 2, {255, 200, 120, 0}, false},
        {"2 bits, table inside the ends", 2, {230, 180, 60, 20}, false},
        {"4 bits, table", 4, uneven16, false},
        {"2 bits, even, inverted", 2, {}, true},
        {"4 bits, table, inverted", 4, uneven16, true},
    };
    for (const Row& row : rows) {
        const int top = (1 << row.depth) - 1;
        const std::vector<int> greys = LevelGreys(row.depth, row.levelGreys);
        ASSERT_EQ(greys.size(), static_cast<std::size_t>(top + 1)) << row.name;
        // Every level next to every other, so that a stray error would show.
        const auto levelAt = [top](int x, int y) {
            return (x * 7 + y * 3 + x * y) % (top + 1);
        };
        const RgbaPicture picture = MakeRgba(37, 23, [&](int x, int y) {
            return Grey(greys[static_cast<std::size_t>(levelAt(x, y))]);
        });
        for (const NamedDither& dither : kEveryDither) {
            SCOPED_TRACE(std::string(row.name) + ", " + dither.name);
            PrepareOptions options;
            options.dither = dither.dither;
            options.threshold = dither.threshold;
            options.levelGreys = row.levelGreys;
            options.invert = row.invert;
            const PanelDots dots =
                PreparePanelDots(picture, Whole(picture), Layout(37, 23, row.depth), options);
            ASSERT_EQ(dots.width, 37);
            ASSERT_EQ(dots.height, 23);
            for (int y = 0; y < 23; ++y) {
                for (int x = 0; x < 37; ++x) {
                    const int level = levelAt(x, y);
                    ASSERT_EQ(dots.level(x, y), row.invert ? top - level : level)
                        << "at " << x << "," << y;
                }
            }
        }
    }
}

TEST(PrepareLevels, EvenlySpacedGreys) {
    EXPECT_EQ(LevelGreys(1, {}), (std::vector<int>{255, 0}));
    EXPECT_EQ(LevelGreys(2, {}), (std::vector<int>{255, 170, 85, 0}));
    const std::vector<int> four = LevelGreys(4, {});
    ASSERT_EQ(four.size(), 16U);
    for (std::size_t level = 0; level < 16; ++level) {
        EXPECT_EQ(four[level], 255 - 17 * static_cast<int>(level));
    }
    EXPECT_EQ(LevelGreys(2, {255, 200, 120, 0}), (std::vector<int>{255, 200, 120, 0}));
    EXPECT_EQ(LevelGreys(2, {0, 120, 200, 255}), LevelGreys(2, {})) << "a refused table";
    EXPECT_TRUE(LevelGreys(3, {}).empty());
}

TEST(PrepareLevels, OneBitIsPreparePanelsDots) {
    struct Row {
        const char* name;
        PanelLayout layout;
    };
    PanelLayout ram = Layout(40, 24, 1, Arrangement::Pages);
    ram.ramWidth = 44;
    ram.xOffset = 2;
    const Row rows[] = {
        {"rows", Layout(40, 24, 1)},
        {"pages with a mask",
         Layout(40, 24, 1, Arrangement::Pages, Colours::None, MaskForm::Plane)},
        {"bit planes", Layout(40, 24, 1, Arrangement::BitPlanes)},
        {"pages in a wider RAM", ram},
    };
    std::mt19937 random(11);
    for (int seed = 0; seed < 3; ++seed) {
        // Under the panel, so that margins are prepared too.
        const RgbaPicture picture = MakeRgba(30, 20, [&](int, int) {
            return Pixel{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                         static_cast<std::uint8_t>(random()),
                         static_cast<std::uint8_t>(random() % 3 == 0 ? random() : 255)};
        });
        const Placement placement = PlacePicture(30, 20, 40, 24, Fit::None);
        for (const Row& row : rows) {
            for (const NamedDither& dither : kEveryDither) {
                for (const bool invert : {false, true}) {
                    SCOPED_TRACE(std::string(row.name) + ", " + dither.name +
                                 (invert ? ", inverted" : "") + ", seed " + std::to_string(seed));
                    PrepareOptions options;
                    options.dither = dither.dither;
                    options.threshold = dither.threshold;
                    options.invert = invert;
                    options.blackBackground = seed == 1;
                    options.brightness = seed == 2 ? 20 : 0;
                    options.contrast = seed == 2 ? -30 : 0;
                    EXPECT_EQ(PreparePanelDots(picture, placement, row.layout, options).levels,
                              PreparePanel(picture, placement, 40, 24, options).dots);
                }
            }
        }
    }
}

// The mean grey the levels show, against the picture's.
TEST(PrepareLevels, ErrorDiffusionKeepsTheMeanGrey) {
    struct Row {
        const char* name;
        int depth;
        std::vector<int> levelGreys;
        Dither dither;
        double tolerance;
    };
    const Row rows[] = {
        {"2 bits, floyd-steinberg", 2, {}, Dither::FloydSteinberg, 1.0},
        {"4 bits, floyd-steinberg", 4, {}, Dither::FloydSteinberg, 1.0},
        {"2 bits, table, floyd-steinberg", 2, {255, 200, 120, 0}, Dither::FloydSteinberg, 1.0},
        {"2 bits, bayer", 2, {}, Dither::Bayer, 3.0},
        {"4 bits, bayer", 4, {}, Dither::Bayer, 3.0},
        // Atkinson passes on only 6/8 of the error, in eighths cut short: small errors die
        // out, and a flat grey may show as its nearest level, half a step away.
        {"2 bits, atkinson", 2, {}, Dither::Atkinson, 85.0 / 2},
    };
    for (const Row& row : rows) {
        const std::vector<int> greys = LevelGreys(row.depth, row.levelGreys);
        for (const int flat : {10, 60, 100, 128, 140, 190, 230, -1}) {
            SCOPED_TRACE(std::string(row.name) + ", grey " + std::to_string(flat));
            // -1: a ramp, every grey along each row.
            const RgbaPicture picture =
                MakeRgba(256, 48, [flat](int x, int) { return Grey(flat < 0 ? x : flat); });
            PrepareOptions options;
            options.dither = row.dither;
            options.levelGreys = row.levelGreys;
            const PanelDots dots =
                PreparePanelDots(picture, Whole(picture), Layout(256, 48, row.depth), options);
            double shown = 0;
            for (const std::uint8_t level : dots.levels) {
                shown += greys[level];
            }
            EXPECT_NEAR(shown / static_cast<double>(dots.levels.size()), flat < 0 ? 127.5 : flat,
                        row.tolerance);
        }
    }
}

TEST(PrepareLevels, TriColourTakesTheNearestColour) {
    struct Row {
        const char* name;
        Colours colours;
        Pixel pixel;
        int level;
        bool invert = false;
        bool blackBackground = false;
        int brightness = 0;
    };
    const Row rows[] = {
        {"light grey is white", Colours::BlackRed, {200, 200, 200, 255}, 0},
        {"dark grey is black", Colours::BlackRed, {40, 40, 40, 255}, 1},
        {"dull red is red", Colours::BlackRed, {190, 40, 30, 255}, 2},
        {"pale yellow on black-red is white", Colours::BlackRed, {250, 250, 120, 255}, 0},
        {"yellow is yellow", Colours::BlackYellow, {230, 220, 20, 255}, 2},
        {"red on black-yellow is black", Colours::BlackYellow, {200, 0, 0, 255}, 1},
        {"blue is black", Colours::BlackYellow, {0, 0, 255, 255}, 1},
        {"light grey inverted is black", Colours::BlackRed, {200, 200, 200, 255}, 1, true},
        {"dark grey inverted is white", Colours::BlackRed, {40, 40, 40, 255}, 0, true},
        {"red stays red inverted", Colours::BlackRed, {255, 0, 0, 255}, 2, true},
        {"clear over white", Colours::BlackRed, {255, 0, 0, 0}, 0},
        {"clear over black", Colours::BlackRed, {255, 0, 0, 0}, 1, false, true},
        {"dark red is black", Colours::BlackRed, {120, 0, 0, 255}, 1},
        // Brightness lifts each channel: 171, 51, 51 lies nearest red.
        {"dark red made brighter is red", Colours::BlackRed, {120, 0, 0, 255}, 2, false, false, 20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const RgbaPicture picture = MakeRgba(5, 3, [&row](int, int) { return row.pixel; });
        PrepareOptions options;
        options.dither = Dither::Threshold;
        options.invert = row.invert;
        options.blackBackground = row.blackBackground;
        options.brightness = row.brightness;
        // The margins show the background: white, or black where inverted or asked.
        const PanelDots dots =
            PreparePanelDots(picture, PlacePicture(5, 3, 9, 3, Fit::None),
                             Layout(9, 3, 1, Arrangement::Rows, row.colours), options);
        const int margin = row.blackBackground != row.invert ? 1 : 0;
        ASSERT_EQ(dots.levels.size(), 27U);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 9; ++x) {
                EXPECT_EQ(dots.level(x, y), x >= 2 && x < 7 ? row.level : margin)
                    << "at " << x << "," << y;
            }
        }
    }
}

// Random colours, diffused: every dot white, black or the colour, so that the packed
// planes never both hold ink; and a flat pink shows as white and red in its proportions.
TEST(PrepareLevels, TriColourDiffusionGivesOneInkADot) {
    std::mt19937 random(5);
    const RgbaPicture noise = MakeRgba(64, 40, [&random](int, int) {
        return Pixel{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                     static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())};
    });
    for (const Colours colours : {Colours::BlackRed, Colours::BlackYellow}) {
        for (const NamedDither& dither : kEveryDither) {
            for (const bool invert : {false, true}) {
                SCOPED_TRACE(std::string(NameOf(colours)) + ", " + dither.name +
                             (invert ? ", inverted" : ""));
                PrepareOptions options;
                options.dither = dither.dither;
                options.threshold = dither.threshold;
                options.invert = invert;
                const PanelLayout layout = Layout(64, 40, 1, Arrangement::Rows, colours);
                const PanelDots dots = PreparePanelDots(noise, Whole(noise), layout, options);
                ASSERT_EQ(dots.levels.size(), 64U * 40U);
                int used[3] = {0, 0, 0};
                for (const std::uint8_t level : dots.levels) {
                    ASSERT_LE(level, 2);
                    ++used[level];
                }
                EXPECT_GT(used[0] * used[1] * used[2], 0);
                const std::vector<std::uint8_t> bytes = PackDots(dots, layout);
                ASSERT_EQ(bytes.size(), layout.byteCount());
                const std::size_t plane = layout.planeBytes();
                for (std::size_t i = 0; i < plane; ++i) {
                    ASSERT_EQ(bytes[i] & bytes[plane + i], 0) << "byte " << i;
                }
            }
        }
    }

    const RgbaPicture pink = MakeRgba(64, 64, [](int, int) { return Pixel{255, 128, 128, 255}; });
    PrepareOptions options;
    const PanelDots dots = PreparePanelDots(
        pink, Whole(pink), Layout(64, 64, 1, Arrangement::Rows, Colours::BlackRed), options);
    const auto count = [&dots](int level) {
        return std::count(dots.levels.begin(), dots.levels.end(), level);
    };
    EXPECT_EQ(count(1), 0);
    EXPECT_NEAR(static_cast<double>(count(2)) / (64.0 * 64.0), 127.0 / 255.0, 0.02);
}

TEST(PrepareLevels, TheMaskIsWhereThePictureIsOpaque) {
    struct Row {
        const char* name;
        int depth;
        Colours colours;
        Arrangement arrangement;
    };
    const Row rows[] = {
        {"one bit", 1, Colours::None, Arrangement::Pages},
        {"four bits", 4, Colours::None, Arrangement::Rows},
        {"tri-colour", 1, Colours::BlackRed, Arrangement::Rows},
    };
    // Alpha by column, either side of 128; the picture sits in the middle of a wider panel.
    const int alphas[] = {0, 1, 127, 128, 129, 255};
    const RgbaPicture picture = MakeRgba(6, 4, [&alphas](int x, int) {
        return Pixel{0, 0, 0, static_cast<std::uint8_t>(alphas[x])};
    });
    for (const Row& row : rows) {
        for (const bool blackBackground : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (blackBackground ? ", on black" : ""));
            PrepareOptions options;
            options.blackBackground = blackBackground;
            options.dither = Dither::Threshold;
            const PanelDots dots = PreparePanelDots(
                picture, PlacePicture(6, 4, 10, 8, Fit::None),
                Layout(10, 8, row.depth, row.arrangement, row.colours, MaskForm::Plane), options);
            ASSERT_EQ(dots.opaque.size(), 80U);
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 10; ++x) {
                    const bool inside = x >= 2 && x < 8 && y >= 2 && y < 6;
                    EXPECT_EQ(dots.opaque[dots.index(x, y)], inside && alphas[x - 2] >= 128 ? 1 : 0)
                        << "at " << x << "," << y;
                }
            }
        }
    }
    PrepareOptions options;
    EXPECT_TRUE(PreparePanelDots(picture, Whole(picture), Layout(6, 4, 2), options).opaque.empty());
}

TEST(PrepareLevels, LevelListsAreReadOrRefused) {
    struct Row {
        const char* name;
        const char* text;
        int depth;
        std::vector<int> greys; // empty: refused
    };
    const Row rows[] = {
        {"four greys", "255,200,120,0", 2, {255, 200, 120, 0}},
        {"spaces around the values", " 250 , 170,85 ,5 ", 2, {250, 170, 85, 5}},
        {"sixteen greys", "255,238,221,204,187,170,153,136,119,102,85,68,51,34,17,0", 4,
         LevelGreys(4, {})},
        {"nothing", "", 2, {}},
        {"a value missing", "255,,120,0", 2, {}},
        {"a comma at the end", "255,170,85,0,", 2, {}},
        {"too few for the depth", "255,200,120", 2, {}},
        {"four for four bits", "255,200,120,0", 4, {}},
        {"one bit", "255,0", 1, {}},
        {"depth 3", "255,200,150,120,90,60,30,0", 3, {}},
        {"a grey repeated", "255,200,200,0", 2, {}},
        {"lighter with the level", "0,85,170,255", 2, {}},
        {"above 255", "256,200,120,0", 2, {}},
        {"far above 255", "99999999999999999999,200,120,0", 2, {}},
        {"negative", "255,200,120,-1", 2, {}},
        {"a sign", "+255,200,120,0", 2, {}},
        {"hexadecimal", "0xff,200,120,0", 2, {}},
        {"a unit", "255,200,120,0%", 2, {}},
        {"semicolons", "255;200;120;0", 2, {}},
        {"a fraction", "255,200.5,120,0", 2, {}},
    };
    EXPECT_EQ(ReadLevelGreys("255,,120,0", 2).error, "grey 2 of the list is missing");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LevelGreysRead read = ReadLevelGreys(row.text, row.depth);
        EXPECT_EQ(read.greys, row.greys);
        EXPECT_EQ(read.error.empty(), !row.greys.empty()) << read.error;
        if (!row.greys.empty()) {
            EXPECT_EQ(CheckLevelGreys(row.greys, row.depth), "");
        }
    }
}

// Values PreparePanelDots cannot honour give no dots rather than a guess.
TEST(PrepareLevels, InconsistentValuesGiveNoDots) {
    struct Row {
        const char* name;
        PanelLayout layout;
        std::vector<int> levelGreys;
        int brightness = 0;
    };
    PanelLayout badDepth = Layout(8, 8, 2);
    badDepth.depth = 3;
    PanelLayout greyColours = Layout(8, 8, 1, Arrangement::Rows, Colours::BlackRed);
    greyColours.depth = 2;
    const Row rows[] = {
        {"depth 3", badDepth, {}},
        {"tri-colour at two bits", greyColours, {}},
        {"greys for another depth", Layout(8, 8, 4), {255, 170, 85, 0}},
        {"greys at one bit", Layout(8, 8, 1), {255, 0}},
        {"greys for tri-colour", Layout(8, 8, 1, Arrangement::Rows, Colours::BlackRed), {255, 0}},
        {"greys growing lighter", Layout(8, 8, 2), {0, 85, 170, 255}},
        {"brightness beyond 100", Layout(8, 8, 2), {}, 101},
    };
    const RgbaPicture picture = MakeRgba(8, 8, [](int, int) { return Grey(100); });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PrepareOptions options;
        options.levelGreys = row.levelGreys;
        options.brightness = row.brightness;
        const PanelDots dots = PreparePanelDots(picture, Whole(picture), row.layout, options);
        EXPECT_EQ(dots.width, 0);
        EXPECT_TRUE(dots.levels.empty());
    }
}

// A placement that reaches past the panel or the picture draws what both hold.
TEST(PrepareLevels, APlacementBeyondThePanelIsCut) {
    const RgbaPicture picture = MakeRgba(6, 6, [](int, int) { return Grey(0); });
    Placement placement = Whole(picture);
    placement.panelX = 5;
    placement.panelY = -3;
    placement.width = 9;
    placement.height = 9;
    PrepareOptions options;
    options.dither = Dither::Threshold;
    const PanelDots dots = PreparePanelDots(picture, placement, Layout(8, 8, 2), options);
    ASSERT_EQ(dots.levels.size(), 64U);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(dots.level(x, y), x >= 5 && y < 3 ? 3 : 0) << "at " << x << "," << y;
        }
    }
}

} // namespace
} // namespace pelmora
