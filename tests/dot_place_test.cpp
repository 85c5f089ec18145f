// DotPlace against the walk that packs and unpacks: every dot of every byte, in every
// arrangement and bit order, must come back to that byte and bit.

#include "core/panel/dot_place.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

struct LayoutRow {
    const char* name;
    PanelLayout layout;
};

const LayoutRow kLayouts[] = {
    {"two halves, lsb", {128, 64, Arrangement::Halves, 64, BitOrder::Lsb}},
    {"three blocks, msb", {192, 64, Arrangement::Halves, 64, BitOrder::Msb}},
    {"pages, a short last page", {84, 45, Arrangement::Pages, 84, BitOrder::Lsb}},
    {"pages, msb", {128, 32, Arrangement::Pages, 128, BitOrder::Msb}},
    {"rows, padded", {13, 7, Arrangement::Rows, 64, BitOrder::Lsb}},
    {"rows, msb", {128, 64, Arrangement::Rows, 64, BitOrder::Msb}},
    {"one dot", {1, 1, Arrangement::Pages, 1, BitOrder::Lsb}},
};

TEST(DotPlace, IsTheInverseOfTheWalkForEveryDot) {
    for (const LayoutRow& row : kLayouts) {
        SCOPED_TRACE(row.name);
        const PanelLayout& layout = row.layout;
        std::size_t seen = 0;
        ByteWalk walk(layout, 0);
        for (std::size_t index = 0; index < layout.byteCount(); ++index, walk.next()) {
            const ByteDots& dots = walk.dots();
            for (int i = 0; i < dots.count; ++i) {
                const auto place = DotPlace(layout, dots.x + i * dots.dx, dots.y + i * dots.dy);
                ASSERT_TRUE(place.has_value());
                ASSERT_EQ(place->byte, index) << "dot " << i;
                ASSERT_EQ(place->bit, BitOfDot(layout, i)) << "byte " << index;
                ++seen;
            }
        }
        EXPECT_EQ(seen,
                  static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height));
    }
}

TEST(DotPlace, NamesBlockPageAndColumnAsThePanelDoes) {
    const PanelLayout halves;
    const PanelLayout rows{128, 64, Arrangement::Rows, 64, BitOrder::Msb};
    struct Case {
        const char* name;
        PanelLayout layout;
        int x, y;
        DotAddress expected;
    };
    for (const Case& c : {
             Case{"left half, page 1", halves, 37, 12, {101, 4, 0, 1, 37}},
             Case{"right half, last page", halves, 127, 63, {1023, 7, 1, 7, 63}},
             Case{"right half, first page", halves, 64, 0, {512, 0, 1, 0, 0}},
             Case{"rows msb: the leftmost dot is bit 7", rows, 8, 2, {33, 7, 0, 2, 1}},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DotPlace(c.layout, c.x, c.y), c.expected);
    }
}

TEST(DotPlace, NothingOutsideThePanelOrForALayoutThatCannotBe) {
    const PanelLayout halves;
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {128, 0}, {0, 64}}) {
        EXPECT_FALSE(DotPlace(halves, x, y).has_value()) << x << "," << y;
    }
    EXPECT_FALSE(DotPlace(PanelLayout{100, 64, Arrangement::Halves, 64}, 0, 0).has_value());
}

} // namespace
} // namespace pelmora
