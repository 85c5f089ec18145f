#include "core/conversion/encoder.h"
#include "core/panel/panel_bytes.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <sstream>

namespace pelmora {
namespace {

using test::ExpectedLcdText;
using test::Picture;
using test::PictureAsSurface;
using test::ReadFile;
using test::RecordingProgress;
using test::ScratchFolder;

constexpr RGBQUAD kPaper{255, 255, 255, 0};
constexpr RGBQUAD kInk{0, 0, 0, 0};

// One conversion into a scratch folder, as the window and the command line run it.
struct Conversion {
    ScratchFolder folder;
    ConversionState state;
    RecordingProgress progress;
    ResultFlag resultFlag = ResultFlag::Failed;

    Conversion() {
        state.infoHeader.biWidth = kPanelWidth;
        state.infoHeader.biHeight = kPanelHeight;
        state.infoHeader.biBitCount = 1;
        state.outputPath = (folder / "lcd_picture.txt").string();
        ComputePanelGeometry(state);
    }

    WriteOutcome run(const Picture& picture, int onEntry, RGBQUAD entry0 = kInk,
                     RGBQUAD entry1 = kPaper) {
        const PictureAsSurface surface(picture, entry0, entry1);
        const Colour on = ColourOf(onEntry == 0 ? entry0 : entry1);
        return WritePageModeFile(state, surface, progress, on, resultFlag);
    }

    std::string text() const { return ReadFile(state.outputPath); }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

const std::string kAllOff = "        DB 00H,00H,00H,00H,00H,00H,00H,00H;";
const std::string kAllOn = "        DB FFH,FFH,FFH,FFH,FFH,FFH,FFH,FFH;";

TEST(PageModeFile, HasTwoBlocksOfSixtyFourFullLinesAndOneEmptyLineBetween) {
    for (const auto& [picture, expected] :
         {std::pair{Picture{}, kAllOff},
          std::pair{test::MakePicture([](int, int) { return true; }), kAllOn}}) {
        Conversion conversion;
        ASSERT_TRUE(conversion.run(picture, 1).ok());
        const std::vector<std::string> lines = Lines(conversion.text());
        ASSERT_EQ(lines.size(), 129U);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i], i == 64 ? "" : expected) << "line " << i + 1;
        }
        EXPECT_EQ(conversion.resultFlag, ResultFlag::Succeeded);
    }
}

struct SinglePixelCase {
    int x;
    int y;
    int line; // 1-based line of the file that holds the byte
    int byteOnLine;
    const char* byte;
};

void PrintTo(const SinglePixelCase& c, std::ostream* out) {
    *out << c.x << "," << c.y;
}

class SinglePixelTest : public testing::TestWithParam<SinglePixelCase> {};

TEST_P(SinglePixelTest, LandsInItsPageColumnAndBit) {
    const SinglePixelCase& c = GetParam();
    Picture picture;
    picture.set(c.x, c.y);
    Conversion conversion;
    ASSERT_TRUE(conversion.run(picture, 1).ok());
    const std::vector<std::string> lines = Lines(conversion.text());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (static_cast<int>(i) + 1 != c.line) {
            EXPECT_TRUE(lines[i].empty() || lines[i] == kAllOff) << "line " << i + 1;
            continue;
        }
        std::string expected = kAllOff;
        expected.replace(11 + 4 * c.byteOnLine, 3, c.byte);
        EXPECT_EQ(lines[i], expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Corners, SinglePixelTest,
    testing::Values(SinglePixelCase{0, 0, 1, 0, "01H"}, SinglePixelCase{0, 7, 1, 0, "80H"},
                    SinglePixelCase{0, 8, 9, 0, "01H"}, SinglePixelCase{63, 63, 64, 7, "80H"},
                    SinglePixelCase{64, 0, 66, 0, "01H"}, SinglePixelCase{9, 3, 2, 1, "08H"},
                    SinglePixelCase{127, 63, 129, 7, "80H"}));

TEST(PageModeFile, MatchesThePixelByPixelDefinitionInBothModes) {
    for (unsigned seed : {1U, 2U, 3U}) {
        const Picture picture = test::RandomPicture(seed);
        Conversion normal;
        Conversion inverse;
        ASSERT_TRUE(normal.run(picture, 0).ok());
        ASSERT_TRUE(inverse.run(picture, 1).ok());
        EXPECT_EQ(normal.text(), ExpectedLcdText(picture, 0));
        EXPECT_EQ(inverse.text(), ExpectedLcdText(picture, 1));
    }
}

TEST(PageModeFile, EqualPaletteColoursTurnEveryDotOnInEitherMode) {
    for (int mode : {0, 1}) {
        Conversion conversion;
        ASSERT_TRUE(conversion.run(test::RandomPicture(7), mode, kInk, kInk).ok());
        for (const std::string& line : Lines(conversion.text())) {
            EXPECT_TRUE(line.empty() || line == kAllOn);
        }
    }
}

TEST(PageModeFile, ConvertingTwiceRewritesTheSameFile) {
    Conversion conversion;
    const Picture picture = test::RandomPicture(11);
    ASSERT_TRUE(conversion.run(picture, 0).ok());
    const std::string first = conversion.text();
    conversion.progress.shown.clear();
    ASSERT_TRUE(conversion.run(picture, 0).ok());
    EXPECT_EQ(conversion.text(), first);
    EXPECT_EQ(conversion.folder.names(), std::vector<std::string>{"lcd_picture.txt"});
}

TEST(PageModeFile, ShowsEveryWholePercentOnceThenOneHundred) {
    Conversion conversion;
    ASSERT_TRUE(conversion.run(Picture{}, 0).ok());
    std::vector<std::string> expected;
    for (int percent = 1; percent <= 99; ++percent) {
        expected.push_back(std::to_string(percent));
    }
    expected.push_back("100");
    EXPECT_EQ(conversion.progress.shown, expected);
}

TEST(PageModeFile, LeavesTheScanWindowOnTheLastBlockAndPage) {
    Conversion conversion;
    ASSERT_TRUE(conversion.run(Picture{}, 0).ok());
    EXPECT_EQ(conversion.state.xStart, 64);
    EXPECT_EQ(conversion.state.xEnd, 127);
    EXPECT_EQ(conversion.state.yStart, 56);
    EXPECT_EQ(conversion.state.yEnd, 63);
}

// A picture and a panel of other sizes can meet: a picture taken in before the panel was
// changed. The encoder refuses them with a reason, never reading past the picture.
TEST(PageModeFile, APictureOfAnotherSizeThanThePanelIsRefusedAndNothingWritten) {
    struct Case {
        const char* name;
        int pictureWidth;
        int pictureHeight;
        PanelLayout layout;
        const char* reason;
    };
    const PanelLayout pcd8544{84, 48, Arrangement::Pages, 84, BitOrder::Lsb};
    const PanelLayout wide{192, 64, Arrangement::Halves, 64, BitOrder::Lsb};
    for (const Case& c : {
             Case{"128x64 on a PCD8544", 128, 64, pcd8544,
                  "the picture is 128 x 64 dots, the panel 84 x 48"},
             Case{"84x48 on the two halves", 84, 48, PanelLayout{},
                  "the picture is 84 x 48 dots, the panel 128 x 64"},
             Case{"128x64 on 192 columns", 128, 64, wide,
                  "the picture is 128 x 64 dots, the panel 192 x 64"},
         }) {
        SCOPED_TRACE(c.name);
        Picture picture;
        picture.width = c.pictureWidth;
        picture.height = c.pictureHeight;
        picture.index.assign(static_cast<std::size_t>(c.pictureWidth * c.pictureHeight), 1);
        Conversion conversion;
        test::WriteFile(conversion.state.outputPath, "kept");
        const PictureAsSurface surface(picture, kInk, kPaper);
        OutputChoice choice;
        choice.layout = c.layout;
        const WriteOutcome outcome = WritePageModeFile(
            conversion.state, surface, conversion.progress, 0, conversion.resultFlag, choice);
        EXPECT_FALSE(outcome.ok());
        EXPECT_EQ(outcome.error, c.reason);
        EXPECT_EQ(conversion.resultFlag, ResultFlag::Failed);
        EXPECT_EQ(conversion.text(), "kept");

        const MonoPicture dots(c.pictureWidth, c.pictureHeight);
        EXPECT_EQ(EncodePanel(dots, c.layout, DefaultSyntax()).error, c.reason);
        EXPECT_TRUE(PackPanel(dots, c.layout).empty());
    }
}

} // namespace
} // namespace pelmora
