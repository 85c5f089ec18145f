#include "core/conversion/plotter.h"
#include "core/syntax/db.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <sstream>

namespace pelmora {
namespace {

using test::ExpectedLcdText;
using test::Picture;

// -1 where nothing was drawn, else 0 (off) or 1 (on).
struct Panel : PointSink {
    std::vector<int> dots = std::vector<int>(kPanelWidth * kPanelHeight, -1);
    int points = 0;
    void setPoint(int x, int y, bool on) override {
        ASSERT_TRUE(x >= 0 && x < kPanelWidth && y >= 0 && y < kPanelHeight) << x << "," << y;
        dots[y * kPanelWidth + x] = on ? 1 : 0;
        ++points;
    }
    int at(int x, int y) const { return dots[y * kPanelWidth + x]; }
};

ConversionState PanelState() {
    ConversionState state;
    state.infoHeader.biWidth = kPanelWidth;
    state.infoHeader.biHeight = kPanelHeight;
    ComputePanelGeometry(state);
    return state;
}

PlotOutcome Plot(const std::string& text, Panel& panel) {
    ConversionState state = PanelState();
    return PlotLcdHexText(state, text, panel);
}

void ExpectPanelShows(const Panel& panel, const Picture& picture, int onIndex) {
    int wrong = 0;
    for (int y = 0; y < kPanelHeight; ++y) {
        for (int x = 0; x < kPanelWidth; ++x) {
            wrong += panel.at(x, y) != (picture.at(x, y) == onIndex ? 1 : 0);
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(panel.points, kPanelWidth * kPanelHeight);
}

using Bytes = std::vector<std::uint8_t>;

TEST(DecodeLine, ReadsTwoDigitsPerByteInEitherCase) {
    EXPECT_EQ(DecodeLine("        DB 00H,FFH,81H,0AH;").bytes, (Bytes{0x00, 0xFF, 0x81, 0x0A}));
    EXPECT_EQ(DecodeLine("        db 0ah,fFh,c3h;").bytes, (Bytes{0x0A, 0xFF, 0xC3}));
    EXPECT_EQ(DecodeLine("xxxxxxxxxxx5AH;").bytes, Bytes{0x5A}) << "the prefix is not read";
    EXPECT_EQ(DecodeLine("        DB 12H,3H;").bytes, Bytes{0x12}) << "half a byte draws nothing";
    EXPECT_EQ(DecodeLine("        DB ;;").bytes, Bytes{});
}

TEST(DecodeLine, NamesWhatIsWrongWithALineItCannotRead) {
    EXPECT_EQ(DecodeLine("        DB ;").error,
              "the line is 12 characters long, shorter than a data line's 13 of prefix and "
              "ending");
    EXPECT_EQ(DecodeLine("        DB 0GH;").error, "'G' at column 13 is not a hexadecimal digit");
    EXPECT_EQ(DecodeLine("        DB 00H, 01H;").error,
              "' ' at column 16 is not a hexadecimal digit");
    EXPECT_EQ(DecodeLine(std::string("        DB 0\x01H;")).error,
              "byte 0x01 at column 13 is not a hexadecimal digit");
    EXPECT_FALSE(DecodeLine("\tDB 00H,01H;").ok()) << "a tab prefix misreads";
}

TEST(PlotLcdHexText, PlotsBackExactlyThePictureTheEncoderDescribed) {
    std::vector<Picture> pictures(5);
    pictures[0].set(0, 0);
    pictures[0].set(127, 0);
    pictures[0].set(0, 63);
    pictures[0].set(127, 63);
    pictures[1].set(64, 0);
    pictures[1].set(63, 63);
    pictures[2] = test::MakePicture([](int x, int y) { return (x + y) % 2 == 0; });
    pictures[3] = test::RandomPicture(17);
    pictures[4] = test::RandomPicture(18);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE(i);
        for (int onIndex : {0, 1}) {
            Panel panel;
            ASSERT_TRUE(
                Plot(ExpectedLcdText(pictures[i], static_cast<std::uint8_t>(onIndex)), panel).ok());
            ExpectPanelShows(panel, pictures[i], onIndex);
        }
    }
}

TEST(PlotLcdHexText, SecondBlockStartsAtColumnSixtyFourAfterTheEmptyLine) {
    Picture picture;
    picture.set(64, 0);
    const std::string text = ExpectedLcdText(picture, 1);
    // The first block's 64 lines alone draw nothing of the second block.
    std::string firstBlock;
    std::istringstream in(text);
    std::string line;
    for (int n = 0; n < 64 && std::getline(in, line); ++n) {
        firstBlock += line + "\n";
    }
    Panel half;
    Plot(firstBlock, half);
    EXPECT_EQ(half.at(64, 0), -1);

    Panel whole;
    ASSERT_TRUE(Plot(text, whole).ok());
    EXPECT_EQ(whole.at(64, 0), 1);
}

TEST(PlotLcdHexText, ReadsAnyLineEndAndSplitLinesAlike) {
    const Picture picture = test::RandomPicture(4);
    const std::string crlf = ExpectedLcdText(picture, 1);
    std::string lf;
    for (char c : crlf) {
        if (c != '\r') {
            lf += c;
        }
    }
    // The last line of the first block cut in two short lines of four bytes.
    std::string split = crlf;
    const std::size_t line64 = 63 * 45;
    split.replace(line64 + 26, 1, ";\r\n        DB ");

    for (const std::string& text : {crlf, lf, lf.substr(0, lf.size() - 1), split}) {
        Panel panel;
        ASSERT_TRUE(Plot(text, panel).ok());
        ExpectPanelShows(panel, picture, 1);
    }
}

TEST(PlotLcdHexText, LinesBeyondAFullPanelDrawNothing) {
    const std::string text = ExpectedLcdText(Picture{}, 0);
    Panel panel;
    ASSERT_TRUE(Plot(text + text + "        DB 00H;\r\n", panel).ok());
    EXPECT_EQ(panel.points, kPanelWidth * kPanelHeight);
}

TEST(PlotLcdHexText, AnUnreadableLineStopsThePassAndKeepsWhatWasDrawn) {
    Panel panel;
    const PlotOutcome outcome =
        Plot("        DB FFH,FFH,FFH,FFH,FFH,FFH,FFH,FFH;\r\n\r\n        DB 00H,0XH;\r\n"
             "        DB FFH,FFH,FFH,FFH,FFH,FFH,FFH,FFH;\r\n",
             panel);
    EXPECT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.error, "line 3: 'X' at column 17 is not a hexadecimal digit");
    EXPECT_EQ(panel.points, 64);
    EXPECT_EQ(panel.at(7, 7), 1);
}

} // namespace
} // namespace pelmora
