#include "core/bitmap_header.h"
#include "platform/bitmap_image.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::BmpLayout;
using test::EncodeBmp;
using test::Picture;
using test::ScratchFolder;
using test::WriteFile;

// Reads and loads a file written with layout, as the window and the command line do.
LoadedBitmap Load(const ScratchFolder& folder, const std::string& bytes) {
    const auto path = folder / "p.bmp";
    WriteFile(path, bytes);
    ConversionState state;
    Palette palette{};
    EXPECT_TRUE(ReadAndCheckBitmap(state, path.string(), palette).accepted());
    return LoadBitmapImage(QString::fromStdString(path.string()), state);
}

TEST(LoadBitmapImage, GivesEachPixelItsPaletteColourForEveryHeaderSize) {
    const Picture picture = test::RandomPicture(9);
    for (std::uint32_t headerSize : {40U, 108U, 124U}) {
        SCOPED_TRACE(headerSize);
        ScratchFolder folder;
        BmpLayout layout{.headerSize = headerSize};
        layout.entry0 = RGBQUAD{10, 20, 30, 0};
        layout.entry1 = RGBQUAD{40, 50, 60, 0};
        const LoadedBitmap loaded = Load(folder, EncodeBmp(picture, layout));
        ASSERT_FALSE(loaded.image.isNull()) << loaded.error.toStdString();
        const ImageSurface surface(loaded.image);
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
