// picture_input's shared steps: an animated GIF's frames held only whole and within their
// bound, as the window takes them; and a picture placed once dotted for its own panel only.

#include "picture_input/picture_input.h"
#include "support/shell.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pelmora {
namespace {

using test::ScratchFolder;
using test::Shell;

// Three frames of 40 x 30 at 70, 300 and 0 ms (0 is shown as a browser shows none); a
// PNG of one; and the GIF cut short in its last frame.
void MakePictures(const ScratchFolder& folder) {
    const test::Ran made =
        Shell(folder, "convert -size 40x30 -delay 7 xc:white -delay 30 xc:black -delay 0 "
                      "xc:gray50 -loop 0 spin.gif && convert -size 40x30 xc:white still.png && "
                      "head -c $(($(stat -c %s spin.gif) - 12)) spin.gif > cut.gif");
    ASSERT_EQ(made.exitCode, 0) << made.err;
}

TEST(PictureInput, HoldsAGifsFramesOnlyWholeAndWithinTheirBound) {
    ScratchFolder folder;
    MakePictures(folder);
    const std::size_t frameBytes = 40 * 30 * 4;
    struct Row {
        const char* name;
        const char* file;
        std::size_t bound;
        bool gif;
        std::size_t frames; // 0: none held, and why said
    };
    const Row rows[] = {
        {"every frame within the bound", "spin.gif", 3 * frameBytes, true, 3},
        {"one byte short of the last frame", "spin.gif", 3 * frameBytes - 1, true, 0},
        {"cut short", "cut.gif", 3 * frameBytes, true, 0},
        {"no GIF", "still.png", 3 * frameBytes, false, 0},
        {"no file", "missing.gif", 3 * frameBytes, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const HeldGifFrames held = HoldGifFrames((folder / row.file).string(), row.bound);
        EXPECT_EQ(held.gif, row.gif);
        ASSERT_EQ(held.frames.size(), row.frames);
        EXPECT_EQ(held.error.empty(), row.frames > 0 || !row.gif) << held.error;
    }
    const HeldGifFrames held = HoldGifFrames((folder / "spin.gif").string(), 3 * frameBytes);
    ASSERT_EQ(held.frames.size(), 3U);
    EXPECT_EQ(held.frames[0].delayMs, 70);
    EXPECT_EQ(held.frames[1].delayMs, 300);
    EXPECT_EQ(held.frames[2].delayMs, kUntimedGifFrameMs);
    EXPECT_EQ(held.frames[1].screen.rgba[0], 0); // black
    EXPECT_EQ(held.frames[0].screen.rgba[0], 255);
}

TEST(PictureInput, AStopAnswerEndsTheFramesThere) {
    ScratchFolder folder;
    MakePictures(folder);
    int seen = 0;
    const GifFramesRead read =
        ReadGifFrames((folder / "spin.gif").string(), [&seen](GifFrame&& frame) {
            ++seen;
            return frame.number == 1 ? std::string("enough") : std::string();
        });
    EXPECT_TRUE(read.gif);
    EXPECT_EQ(read.error, "enough");
    EXPECT_EQ(seen, 2);
}

// The panel a picture was placed on is the only one its dots are made for.
TEST(PictureInput, PlacedDotsAreRefusedForAnotherPanel) {
    RgbaPicture picture;
    picture.width = 20;
    picture.height = 10;
    picture.rgba.assign(20 * 10 * 4, 0);
    Preparation preparation;
    preparation.width = 16;
    preparation.height = 8;
    preparation.layout = PanelLayout{.width = 16, .height = 8, .arrangement = Arrangement::Pages};
    preparation.layout.depth = 2;
    const PlacedPicture placed = PlaceRgba(picture, preparation);
    const PreparedDots dots = PreparePlacedDots(placed, preparation);
    ASSERT_TRUE(dots.ok()) << dots.error;
    EXPECT_EQ(dots.dots.width, 16);
    EXPECT_EQ(PreparePlacedPanel(placed, preparation).width, 16);

    Preparation other = preparation;
    other.layout.width = 32;
    const PreparedDots refused = PreparePlacedDots(placed, other);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.dots.levels.empty());
}

} // namespace
} // namespace pelmora
