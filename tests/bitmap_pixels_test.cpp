#include "core/conversion/intake.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::BmpLayout;
using test::EncodeBmp;
using test::Picture;
using test::ScratchFolder;
using test::WriteFile;

// Reads and decodes a file written with layout, as the window and the command line do.
TakenIn Load(const ScratchFolder& folder, const std::string& bytes) {
    const auto path = folder / "p.bmp";
    WriteFile(path, bytes);
    TakenIn taken = TakeInBitmapFile(path.string());
    EXPECT_TRUE(taken.check.accepted());
    return taken;
}

TEST(DecodeBitmapPixels, GivesEachPixelItsPaletteColourForEveryHeaderSize) {
    const Picture picture = test::RandomPicture(9);
    for (std::uint32_t headerSize : {40U, 108U, 124U}) {
        SCOPED_TRACE(headerSize);
        ScratchFolder folder;
        BmpLayout layout{.headerSize = headerSize};
        layout.entry0 = RGBQUAD{10, 20, 30, 0};
        layout.entry1 = RGBQUAD{40, 50, 60, 0};
        const TakenIn loaded = Load(folder, EncodeBmp(picture, layout));
        ASSERT_TRUE(loaded.usable()) << loaded.error;
        const BitmapPixels& surface = loaded.pixels;
        int mismatches = 0;
        for (int y = 0; y < kPanelHeight; ++y) {
            for (int x = 0; x < kPanelWidth; ++x) {
                const RGBQUAD entry = picture.at(x, y) ? layout.entry1 : layout.entry0;
                mismatches += surface.colourAt(x, y) != ColourOf(entry);
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

} // namespace
} // namespace pelmora
