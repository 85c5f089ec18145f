// Dots at their levels packed into every layout and read back: the one-bit layouts against
// the walk that has always packed them, the new ones against bytes worked by hand, and
// every syntax carrying several planes back to the same bytes.

#include "core/panel/panel_bytes.h"
#include "core/panel/panel_dots.h"
#include "core/panel/presets.h"
#include "core/syntax/syntax.h"
#include "core/syntax/text_values.h"

#include <gtest/gtest.h>

#include <random>

namespace pelmora {
namespace {

PanelDots RandomDots(const PanelLayout& layout, unsigned seed) {
    std::mt19937 random(seed);
    PanelDots dots(layout.width, layout.height, layout.mask != MaskForm::None);
    std::uniform_int_distribution<int> level(0, TopLevel(layout));
    for (std::uint8_t& dot : dots.levels) {
        dot = static_cast<std::uint8_t>(level(random));
    }
    for (std::uint8_t& dot : dots.opaque) {
        dot = static_cast<std::uint8_t>(random() & 1U);
    }
    return dots;
}

PanelLayout Layout(int width, int height, Arrangement arrangement, BitOrder order, int depth = 1) {
    // Blocks of 8 columns in halves; the other arrangements keep the default block width.
    PanelLayout layout{width, height, arrangement,
                       arrangement == Arrangement::Halves ? 8 : kBlockWidth, order};
    layout.depth = depth;
    return layout;
}

// Every kind of layout, odd sizes included so that partial bytes and pages are exercised.
std::vector<PanelLayout> EveryKind() {
    std::vector<PanelLayout> layouts;
    for (const Arrangement arrangement :
         {Arrangement::Halves, Arrangement::Pages, Arrangement::Rows, Arrangement::BitPlanes}) {
        for (const BitOrder order : {BitOrder::Lsb, BitOrder::Msb}) {
            for (const int depth : {1, 2, 4}) {
                layouts.push_back(Layout(24, 13, arrangement, order, depth));
            }
        }
    }
    for (const PanelPreset& preset : PanelPresets()) {
        layouts.push_back(preset.layout);
    }
    PanelLayout masked = Layout(21, 11, Arrangement::Rows, BitOrder::Msb, 4);
    masked.mask = MaskForm::Plane;
    layouts.push_back(masked);
    masked = Layout(21, 11, Arrangement::Pages, BitOrder::Lsb);
    masked.mask = MaskForm::Interleaved;
    layouts.push_back(masked);
    PanelLayout ram = Layout(256, 4, Arrangement::Rows, BitOrder::Msb, 4);
    ram.ramWidth = 480;
    ram.xOffset = 112;
    layouts.push_back(ram);
    PanelLayout yellow = Layout(19, 7, Arrangement::Rows, BitOrder::Msb);
    yellow.colours = Colours::BlackYellow;
    yellow.mask = MaskForm::Plane;
    layouts.push_back(yellow);
    return layouts;
}

TEST(PanelDots, EveryLayoutPacksItsByteCountAndUnpacksToTheSameDots) {
    unsigned seed = 1;
    for (const PanelLayout& layout : EveryKind()) {
        SCOPED_TRACE(GeometryText(layout));
        ASSERT_EQ(CheckLayout(layout), "");
        const PanelDots dots = RandomDots(layout, seed++);
        const std::vector<std::uint8_t> bytes = PackDots(dots, layout);
        ASSERT_EQ(bytes.size(), layout.byteCount());
        const PanelDots back = UnpackDots(layout, bytes);
        EXPECT_EQ(back.levels, dots.levels);
        EXPECT_EQ(back.opaque, dots.opaque);
    }
}

TEST(PanelDots, OneBitLayoutsPackAsTheWalkAndBitPlanesOfOneBitAsPages) {
    for (const PanelLayout& layout : EveryKind()) {
        if (!layout.plain()) {
            continue;
        }
        SCOPED_TRACE(GeometryText(layout));
        const PanelDots dots = RandomDots(layout, 7);
        EXPECT_EQ(PackDots(dots, layout), PackPanel(MonoOf(dots), layout));
        // The general packing, reached through a layout the walk does not take.
        if (layout.arrangement == Arrangement::Pages) {
            PanelLayout planes = layout;
            planes.arrangement = Arrangement::BitPlanes;
            EXPECT_EQ(PackDots(dots, planes), PackPanel(MonoOf(dots), layout));
        }
    }
}

TEST(PanelDots, BytesWorkedByHand) {
    const auto preset = [](std::string_view name) {
        return FindPanelPreset(name)->layout;
    };
    const struct {
        const char* name;
        PanelLayout layout;
        std::vector<std::pair<std::pair<int, int>, int>> levels; // (x, y) -> level
        std::vector<std::pair<std::size_t, std::uint8_t>> bytes; // byte -> value
    } cases[] = {
        {"ssd1322: the leftmost dot in the high nibble",
         preset("ssd1322"),
         {{{0, 0}, 15}, {{1, 0}, 1}, {{3, 1}, 9}},
         {{0, 0xF1}, {1, 0x00}, {128 + 1, 0x09}}},
        {"uc1610: a page of 4 rows, the top dot in bits 1..0",
         preset("uc1610"),
         {{{0, 0}, 1}, {{0, 1}, 2}, {{0, 2}, 3}, {{1, 4}, 3}},
         {{0, 0x39}, {160 + 1, 0x03}}},
        {"st7528: a column's 4 bytes from the top bit of its levels",
         preset("st7528"),
         {{{0, 0}, 8}, {{0, 7}, 1}, {{1, 2}, 6}},
         {{0, 0x01}, {1, 0x00}, {2, 0x00}, {3, 0x80}, {4, 0x00}, {5, 0x04}, {6, 0x04}, {7, 0x00}}},
        {"sh1106-ram: the picture from column 2 of 132",
         preset("sh1106-ram"),
         {{{0, 0}, 1}, {{127, 9}, 1}},
         {{0, 0x00}, {2, 0x01}, {132 + 129, 0x02}, {130, 0x00}}},
        {"gxepd2-3c: 0 is ink in both planes, padding white",
         preset("gxepd2-3c"),
         {{{0, 0}, 1}, {{1, 0}, 2}},
         {{0, 0x7F}, {1, 0xFF}, {25 * 200, 0xBF}, {25 * 200 + 1, 0xFF}}},
        {"adafruit-epd-3c: 1 is ink",
         preset("adafruit-epd-3c"),
         {{{0, 0}, 1}, {{1, 0}, 2}},
         {{0, 0x80}, {25 * 200, 0x40}}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        PanelDots dots(row.layout.width, row.layout.height);
        for (const auto& [at, level] : row.levels) {
            dots.levels[dots.index(at.first, at.second)] = static_cast<std::uint8_t>(level);
        }
        const std::vector<std::uint8_t> bytes = PackDots(dots, row.layout);
        ASSERT_EQ(bytes.size(), row.layout.byteCount());
        for (const auto& [at, value] : row.bytes) {
            EXPECT_EQ(bytes[at], value) << "byte " << at;
        }
    }
}

TEST(PanelDots, InterleavedMaskIsSizeThenEachByteWithItsMask) {
    PanelLayout layout = Layout(3, 9, Arrangement::Pages, BitOrder::Lsb);
    layout.mask = MaskForm::Interleaved;
    PanelDots dots(3, 9, true);
    dots.levels[dots.index(0, 0)] = 1;
    dots.levels[dots.index(2, 8)] = 1;
    dots.opaque[dots.index(1, 0)] = 0;
    const std::vector<std::uint8_t> expected{3,    9,    0x01, 0xFF, 0x00, 0xFE, 0x00,
                                             0xFF, 0x00, 0x01, 0x00, 0x01, 0x01, 0x01};
    EXPECT_EQ(PackDots(dots, layout), expected);
}

TEST(PanelDots, RefusesLevelsAboveTheTopMasksMissingAndLayoutsThatCannotBe) {
    PanelLayout grey = Layout(8, 8, Arrangement::Rows, BitOrder::Msb, 2);
    PanelDots dots(8, 8);
    dots.levels[5] = 4;
    EXPECT_TRUE(PackDots(dots, grey).empty());
    PanelLayout masked = grey;
    masked.mask = MaskForm::Plane;
    EXPECT_TRUE(PackDots(PanelDots(8, 8), masked).empty()); // no opaque dots given
    const struct {
        const char* name;
        PanelLayout layout;
    } refused[] = {
        {"depth 3",
         [] {
             PanelLayout l;
             l.depth = 3;
             return l;
         }()},
        {"RAM in halves",
         [] {
             PanelLayout l;
             l.ramWidth = 132;
             return l;
         }()},
        {"picture past the RAM",
         [] {
             PanelLayout l = Layout(128, 64, Arrangement::Pages, BitOrder::Lsb);
             l.ramWidth = 130;
             l.xOffset = 3;
             return l;
         }()},
        {"grey tri-colour",
         [] {
             PanelLayout l = Layout(8, 8, Arrangement::Rows, BitOrder::Msb, 2);
             l.colours = Colours::BlackRed;
             return l;
         }()},
        {"interleaved rows",
         [] {
             PanelLayout l = Layout(8, 8, Arrangement::Rows, BitOrder::Msb);
             l.mask = MaskForm::Interleaved;
             return l;
         }()},
        {"interleaved 256 wide",
         [] {
             PanelLayout l = Layout(256, 8, Arrangement::Pages, BitOrder::Lsb);
             l.mask = MaskForm::Interleaved;
             return l;
         }()},
    };
    for (const auto& row : refused) {
        EXPECT_NE(CheckLayout(row.layout), "") << row.name;
    }
}

TEST(PanelDots, EverySyntaxCarriesSeveralPlanesAndItsGeometryBack) {
    for (const PanelLayout& layout : EveryKind()) {
        const PanelDots dots = RandomDots(layout, 3);
        const std::vector<std::uint8_t> bytes = PackDots(dots, layout);
        for (const Syntax* syntax : Syntaxes()) {
            if (!SyntaxLayoutProblem(*syntax, layout).empty()) {
                continue;
            }
            SCOPED_TRACE(std::string(syntax->name) + " " + GeometryText(layout));
            const std::string text = syntax->write(layout, bytes, "art");
            const SyntaxText read = syntax->read(text);
            ASSERT_EQ(read.error, "");
            EXPECT_EQ(read.bytes, bytes);
            if (read.layout) {
                EXPECT_EQ(*read.layout, layout);
            }
            if (syntax->name == "c" && PlaneRuns(layout).size() > 1) {
                EXPECT_NE(text.find(layout.colours != Colours::None ? "art_colour[" : "art_mask["),
                          std::string::npos);
            }
        }
    }
}

} // namespace
} // namespace pelmora
