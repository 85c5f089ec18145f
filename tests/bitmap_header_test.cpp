// The header reader's own rules. Which files it accepts or refuses, and with what
// reason, runs through every entry point in bad_input_test.cpp.

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

BitmapCheck Check(const std::string& bytes, ConversionState& state, Palette& palette) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", bytes);
    return ReadAndCheckBitmap(state, (folder / "p.bmp").string(), palette);
}

TEST(ReadAndCheckBitmap, OnlyWidthHeightAndBitCountDecide) {
    ConversionState state;
    Palette palette{};
    EXPECT_TRUE(Check(EncodeBmp(Picture{}, {.planes = 7}), state, palette).accepted());
    EXPECT_TRUE(Check(EncodeBmp(Picture{}, {.type = {'X', 'Y'}}), state, palette).accepted());
    EXPECT_EQ(state.fileHeader.bfType, 'X' | 'Y' << 8);
}

TEST(ReadAndCheckBitmap, FindsThePaletteAfterHeadersOfAnySize) {
    for (std::uint32_t headerSize : {40U, 108U, 124U}) {
        SCOPED_TRACE(headerSize);
        BmpLayout layout{.headerSize = headerSize};
        layout.entry0 = RGBQUAD{1, 2, 3, 0};
        layout.entry1 = RGBQUAD{4, 5, 6, 0};
        ConversionState state;
        Palette palette{};
        ASSERT_TRUE(Check(EncodeBmp(Picture{}, layout), state, palette).accepted());
        EXPECT_EQ(ColourOf(palette[0]), MakeColour(3, 2, 1));
        EXPECT_EQ(ColourOf(palette[1]), MakeColour(6, 5, 4));
    }
}

TEST(ReadAndCheckBitmap, AnAcceptedFileReplacesWhatARejectedOneLeft) {
    BmpLayout portrait{.width = 64, .height = 128};
    portrait.entry0 = RGBQUAD{9, 9, 9, 0};
    ConversionState state;
    Palette palette{};
    EXPECT_FALSE(Check(EncodeBmp(Picture{}, portrait), state, palette).accepted());
    EXPECT_EQ(state.infoHeader.biWidth, 64);
    EXPECT_EQ(ColourOf(palette[0]), MakeColour(9, 9, 9));

    EXPECT_TRUE(Check(EncodeBmp(Picture{}), state, palette).accepted());
    EXPECT_EQ(state.infoHeader.biWidth, 128);
    EXPECT_EQ(state.infoHeader.biHeight, 64);
    EXPECT_EQ(ColourOf(palette[0]), ColourOf(test::kBlack));
    EXPECT_EQ(ColourDepthText(state.infoHeader), "1 Bits  (2 Colors)");
}

TEST(ReadAndCheckBitmap, AFileShorterThanItsHeadersChangesNothing) {
    const std::string whole = EncodeBmp(Picture{}, BmpLayout{.headerSize = 124});
    for (std::size_t length = 0; length < 14 + 124 + 8; ++length) {
        SCOPED_TRACE(length);
        ConversionState state;
        state.infoHeader.biWidth = 77;
        Palette palette{RGBQUAD{7, 7, 7, 0}, RGBQUAD{8, 8, 8, 0}};
        EXPECT_EQ(Check(whole.substr(0, length), state, palette).verdict, BitmapVerdict::Rejected);
        EXPECT_EQ(state.infoHeader.biWidth, 77);
        EXPECT_EQ(ColourOf(palette[0]), MakeColour(7, 7, 7));
    }
}

TEST(RejectionMessage, NamesThePanelSizeAskedFor) {
    EXPECT_EQ(RejectionText(kPanelWidth, kPanelHeight), kRejectionText);
    EXPECT_EQ(
        RejectionTextOneLine(84, 48),
        "Picture Resolution is limit to 84 x 48 pixels (Width x Height) and 2 Colors Bitmap.");
}

} // namespace
} // namespace pelmora
