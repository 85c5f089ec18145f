#include "core/bitmap_header.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::BmpLayout;
using test::EncodeBmp;
using test::Picture;
using test::ScratchFolder;
using test::WriteFile;

struct AcceptanceCase {
    const char* name;
    BmpLayout layout;
    bool accepted;
};

BmpLayout With(void (*change)(BmpLayout&)) {
    BmpLayout layout;
    change(layout);
    return layout;
}

void PrintTo(const AcceptanceCase& c, std::ostream* out) {
    *out << c.name;
}

class AcceptanceTest : public testing::TestWithParam<AcceptanceCase> {};

TEST_P(AcceptanceTest, OnlyWidthHeightAndBitCountDecide) {
    ScratchFolder folder;
    const auto path = folder / "picture.bmp";
    WriteFile(path, EncodeBmp(Picture{}, GetParam().layout));
    ConversionState state;
    Palette palette{};
    const BitmapCheck check = ReadAndCheckBitmap(state, path.string(), palette);
    EXPECT_EQ(check.accepted(), GetParam().accepted);
    EXPECT_NE(check.verdict, BitmapVerdict::Unreadable);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, AcceptanceTest,
    testing::Values(
        AcceptanceCase{"Plain", {}, true},
        AcceptanceCase{"V4Header", With([](BmpLayout& l) { l.headerSize = 108; }), true},
        AcceptanceCase{"V5Header", With([](BmpLayout& l) { l.headerSize = 124; }), true},
        AcceptanceCase{"SevenPlanes", With([](BmpLayout& l) { l.planes = 7; }), true},
        AcceptanceCase{"NoSignature", With([](BmpLayout& l) { l.type[0] = 'X'; }), true},
        AcceptanceCase{"FourBits", With([](BmpLayout& l) { l.bitCount = 4; }), false},
        AcceptanceCase{"EightBits", With([](BmpLayout& l) { l.bitCount = 8; }), false},
        AcceptanceCase{"TwentyFourBits", With([](BmpLayout& l) { l.bitCount = 24; }), false},
        AcceptanceCase{"BitCount65535", With([](BmpLayout& l) { l.bitCount = -1; }), false},
        AcceptanceCase{"Portrait", With([](BmpLayout& l) { l.width = 64, l.height = 128; }), false},
        AcceptanceCase{"TopDown", With([](BmpLayout& l) { l.height = -64; }), false},
        AcceptanceCase{"Wider", With([](BmpLayout& l) { l.width = 129; }), false}),
    [](const testing::TestParamInfo<AcceptanceCase>& info) { return info.param.name; });

TEST(ReadAndCheckBitmap, FindsThePaletteAfterHeadersOfAnySize) {
    for (std::uint32_t headerSize : {40U, 108U, 124U}) {
        SCOPED_TRACE(headerSize);
        ScratchFolder folder;
        BmpLayout layout;
        layout.headerSize = headerSize;
        layout.entry0 = RGBQUAD{1, 2, 3, 0};
        layout.entry1 = RGBQUAD{4, 5, 6, 0};
        WriteFile(folder / "p.bmp", EncodeBmp(Picture{}, layout));
        ConversionState state;
        Palette palette{};
        ASSERT_TRUE(ReadAndCheckBitmap(state, (folder / "p.bmp").string(), palette).accepted());
        EXPECT_EQ(ColourOf(palette[0]), MakeColour(3, 2, 1));
        EXPECT_EQ(ColourOf(palette[1]), MakeColour(6, 5, 4));
        EXPECT_EQ(state.infoHeader.biSize, headerSize);
    }
}

TEST(ReadAndCheckBitmap, AnAcceptedFileReplacesWhatARejectedOneLeft) {
    ScratchFolder folder;
    BmpLayout portrait;
    portrait.width = 64;
    portrait.height = 128;
    portrait.entry0 = RGBQUAD{9, 9, 9, 0};
    WriteFile(folder / "rejected.bmp", EncodeBmp(Picture{}, portrait));
    WriteFile(folder / "accepted.bmp", EncodeBmp(Picture{}));

    ConversionState state;
    Palette palette{};
    EXPECT_FALSE(ReadAndCheckBitmap(state, (folder / "rejected.bmp").string(), palette).accepted());
    EXPECT_EQ(state.infoHeader.biWidth, 64);
    EXPECT_EQ(ColourOf(palette[0]), MakeColour(9, 9, 9));

    EXPECT_TRUE(ReadAndCheckBitmap(state, (folder / "accepted.bmp").string(), palette).accepted());
    EXPECT_EQ(state.infoHeader.biWidth, 128);
    EXPECT_EQ(state.infoHeader.biHeight, 64);
    EXPECT_EQ(ColourOf(palette[0]), ColourOf(test::kBlack));
    EXPECT_EQ(ColourOf(palette[1]), ColourOf(test::kWhite));
    EXPECT_EQ(ColourDepthText(state), "1 Bits  (2 Colors)");
}

TEST(ReadAndCheckBitmap, AFileShorterThanItsHeadersIsRejectedAndChangesNothing) {
    ScratchFolder folder;
    const std::string whole = EncodeBmp(Picture{}, BmpLayout{.headerSize = 124});
    // Every cut before the end of the palette: 14 + 124 + 8 bytes.
    for (std::size_t length = 0; length < 146; ++length) {
        SCOPED_TRACE(length);
        WriteFile(folder / "cut.bmp", whole.substr(0, length));
        ConversionState state;
        state.infoHeader.biWidth = 77;
        Palette palette{RGBQUAD{7, 7, 7, 0}, RGBQUAD{8, 8, 8, 0}};
        const BitmapCheck check = ReadAndCheckBitmap(state, (folder / "cut.bmp").string(), palette);
        EXPECT_EQ(check.verdict, BitmapVerdict::Rejected);
        EXPECT_EQ(state.infoHeader.biWidth, 77);
        EXPECT_EQ(ColourOf(palette[0]), MakeColour(7, 7, 7));
    }
}

TEST(ReadAndCheckBitmap, AFileThatCannotBeOpenedIsUnreadableWithTheSystemsReason) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "folder.bmp");
    ConversionState state;
    Palette palette{};

    const BitmapCheck missing = ReadAndCheckBitmap(state, (folder / "gone.bmp").string(), palette);
    EXPECT_EQ(missing.verdict, BitmapVerdict::Unreadable);
    EXPECT_EQ(missing.reason, "No such file or directory");

    const BitmapCheck directory =
        ReadAndCheckBitmap(state, (folder / "folder.bmp").string(), palette);
    EXPECT_EQ(directory.verdict, BitmapVerdict::Unreadable);
    EXPECT_EQ(directory.reason, "Is a directory");
}

TEST(RejectionMessage, ReadsAsTheWindowAndTheCommandLineShowIt) {
    EXPECT_EQ(kRejectionText,
              "Picture Resolution is limit to 128 x 64 pixels (Width x Height) and \r\n"
              "2 Colors Bitmap.");
    EXPECT_EQ(RejectionTextOneLine(),
              "Picture Resolution is limit to 128 x 64 pixels (Width x Height) and 2 Colors "
              "Bitmap.");
}

} // namespace
} // namespace pelmora
