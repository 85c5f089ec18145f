#include "core/conversion/plotter.h"
#include "platform/picture_box.h"
#include "preview/preview_window.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::ExpectedLcdText;
using test::FakeMessageBox;
using test::Picture;
using test::ScratchFolder;
using test::WriteFile;

struct OpenPreview {
    ScratchFolder folder;
    ConversionState state;
    FakeMessageBox messages;
    PreviewWindow window;
    PictureBox* lcdPic;
    QPushButton* showButton;

    explicit OpenPreview(double twipsPerPixel = 15)
        : window(state, messages, TwipsScale(twipsPerPixel)),
          lcdPic(window.findChild<PictureBox*>("LcdPic")),
          showButton(window.findChild<QPushButton*>("ShowButton")) {
        state.infoHeader.biWidth = kPanelWidth;
        state.infoHeader.biHeight = kPanelHeight;
        ComputePanelGeometry(state);
        state.outputPath = (folder / "lcd_p.txt").string();
        window.show();
    }

    void show() { QTest::mouseClick(showButton, Qt::LeftButton); }

    // Dots that differ from the picture, read back from the box.
    int wrongDots(const Picture& picture, int onIndex) const {
        int wrong = 0;
        for (int y = 0; y < kPanelHeight; ++y) {
            for (int x = 0; x < kPanelWidth; ++x) {
                const Colour expected = picture.at(x, y) == onIndex ? kOnDotColour : kOffDotColour;
                wrong += lcdPic->colourAt(x, y) != expected;
            }
        }
        return wrong;
    }
};

TEST(PreviewWindow, IsLaidOutInTwipsAtAnyScreenResolution) {
    OpenPreview at96;
    EXPECT_EQ(at96.window.windowTitle(), "LCD Preview");
    EXPECT_EQ(at96.window.objectName(), "Form2");
    EXPECT_EQ(at96.window.size(), QSize(290, 232));
    EXPECT_EQ(at96.lcdPic->geometry(), QRect(8, 0, 273, 185));
    EXPECT_EQ(at96.showButton->geometry(), QRect(96, 200, 105, 25));
    EXPECT_EQ(at96.showButton->text(), "Show");

    OpenPreview at120(12);
    EXPECT_EQ(at120.window.size(), QSize(363, 290));
    EXPECT_EQ(at120.lcdPic->geometry(), QRect(10, 0, 341, 231));
    EXPECT_EQ(at120.showButton->geometry(), QRect(120, 250, 131, 31));
}

TEST(PreviewWindow, StaysBlankUntilShowThenDrawsTheFileDotForDot) {
    OpenPreview preview;
    const Picture picture = test::RandomPicture(31);
    WriteFile(preview.state.outputPath, ExpectedLcdText(picture, 0));
    const Colour background = preview.lcdPic->colourAt(0, 0);
    EXPECT_NE(background, kOnDotColour);
    EXPECT_NE(background, kOffDotColour);

    preview.show();
    EXPECT_EQ(preview.wrongDots(picture, 0), 0);
    EXPECT_EQ(preview.lcdPic->colourAt(128, 0), background) << "the rest keeps the background";
    EXPECT_TRUE(preview.messages.texts.isEmpty());

    // What is on the screen is what the box holds, drawn inside its border.
    const QImage shown = preview.lcdPic->grab().toImage();
    const QPoint origin = preview.lcdPic->contentsRect().topLeft();
    EXPECT_EQ(shown.pixel(origin + QPoint(5, 6)) & 0xFFFFFF,
              picture.at(5, 6) == 0 ? 0x000000U : 0x008000U);
}

TEST(PreviewWindow, ShowAgainRedrawsTheFileAsItIsNow) {
    OpenPreview preview;
    const Picture first = test::RandomPicture(1);
    const Picture second = test::RandomPicture(2);
    WriteFile(preview.state.outputPath, ExpectedLcdText(first, 1));
    preview.show();
    preview.show();
    EXPECT_EQ(preview.wrongDots(first, 1), 0);
    WriteFile(preview.state.outputPath, ExpectedLcdText(second, 1));
    preview.show();
    EXPECT_EQ(preview.wrongDots(second, 1), 0);
}

TEST(PreviewWindow, SaysWhichLineItCannotReadAndKeepsWhatItDrew) {
    OpenPreview preview;
    WriteFile(preview.state.outputPath, "        DB FFH,FFH,FFH,FFH,FFH,FFH,FFH,FFH;\r\nDB\r\n");
    preview.show();
    ASSERT_EQ(preview.messages.texts.size(), 1);
    EXPECT_EQ(preview.messages.titles.front(), "LCD Preview");
    EXPECT_EQ(preview.messages.texts.front().toStdString(),
              preview.state.outputPath +
                  ", line 2: the line is 2 characters long, shorter than a data line's 13 of "
                  "prefix and ending");
    EXPECT_EQ(preview.lcdPic->colourAt(7, 7), kOnDotColour);
    EXPECT_TRUE(preview.window.isVisible());
}

TEST(PreviewWindow, SaysWhenTheFileIsGone) {
    OpenPreview preview;
    preview.show();
    ASSERT_EQ(preview.messages.texts.size(), 1);
    EXPECT_EQ(preview.messages.texts.front().toStdString(),
              preview.state.outputPath + ": No such file or directory");
    EXPECT_TRUE(preview.window.isVisible());
}

} // namespace
} // namespace pelmora
