// The LCD Preview on a frames file: Show draws the first frame, the frame row picks or plays
// the rest with the delays stored, and a file of one panel keeps the window as it always was.

#include "core/conversion/intake.h"
#include "core/frames/frames.h"
#include "core/syntax/syntax.h"
#include "preview/preview_window.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/main_window.h"
#include "widgets/picture_box.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::ExpectedLcdText;
using test::FakeMessageBox;
using test::ScratchFolder;
using test::WriteFile;

// Whether (x, y) is on in bytes of the layout, found by the layouts' description.
bool DotIn(const std::vector<std::uint8_t>& bytes, const PanelLayout& layout, int x, int y) {
    const test::BytePlace place = test::PlaceOfDot(layout, x, y);
    return (bytes[place.index] >> place.bit & 1) != 0;
}

// Three frames of random bytes (every bit a dot in these layouts), 40, 0 and 250 ms.
std::vector<PanelFrame> RandomFrames(const PanelLayout& layout) {
    std::mt19937 random(7);
    std::vector<PanelFrame> frames;
    for (const int delay : {40, 0, 250}) {
        PanelFrame frame;
        frame.delayMs = delay;
        frame.source = "frame " + std::to_string(frames.size());
        for (std::size_t n = 0; n < layout.byteCount(); ++n) {
            frame.bytes.push_back(static_cast<std::uint8_t>(random()));
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

struct FramesPreview {
    ScratchFolder folder;
    ConversionState state; // the main window's, of a 128 x 64 BMP
    FakeMessageBox messages;
    PreviewWindow window;
    PictureBox* lcdPic;
    QPushButton* showButton;
    QPushButton* playButton;
    QSlider* slider;
    QLabel* label;

    FramesPreview()
        : window(state, messages, TwipsScale(15)), lcdPic(window.findChild<PictureBox*>("LcdPic")),
          showButton(window.findChild<QPushButton*>("ShowButton")),
          playButton(window.findChild<QPushButton*>("PlayButton")),
          slider(window.findChild<QSlider*>("FrameSlider")),
          label(window.findChild<QLabel*>("FrameLabel")) {
        state.infoHeader.biWidth = kPanelWidth;
        state.infoHeader.biHeight = kPanelHeight;
        ComputePanelGeometry(state);
        window.show();
    }

    void show() { QTest::mouseClick(showButton, Qt::LeftButton); }

    int wrongDots(const std::vector<std::uint8_t>& bytes, const PanelLayout& layout) const {
        int wrong = 0;
        for (int y = 0; y < layout.height; ++y) {
            for (int x = 0; x < layout.width; ++x) {
                wrong += lcdPic->colourAt(x, y) !=
                         (DotIn(bytes, layout, x, y) ? kOnDotColour : kOffDotColour);
            }
        }
        return wrong;
    }
};

struct FramesCase {
    const char* syntax;
    PanelLayout layout;
};

class PreviewFrames : public testing::TestWithParam<FramesCase> {};

// Every syntax that holds frames, written as pelmora-cli convert --frames writes them.
TEST_P(PreviewFrames, ShowDrawsTheFirstFrameAndTheSliderEveryOther) {
    const FramesCase& row = GetParam();
    FramesPreview preview;
    const std::vector<PanelFrame> frames = RandomFrames(row.layout);
    const FramesText text = WriteFramesText(*FindSyntax(row.syntax), row.layout, frames, "spinner");
    ASSERT_TRUE(text.ok()) << text.error;
    const std::string path =
        OutputPathFor(preview.folder.path().string(), "spinner.bmp", *FindSyntax(row.syntax));
    WriteFile(path, text.text);
    preview.window.setFramesFile(path, row.layout);
    const QSize blank = preview.window.size();
    EXPECT_FALSE(preview.playButton->isVisible()) << "no frames before Show";

    preview.show();
    EXPECT_TRUE(preview.messages.texts.isEmpty())
        << preview.messages.texts.join("\n").toStdString();
    ASSERT_EQ(preview.window.frameCount(), 3);
    EXPECT_EQ(preview.window.shownFrame(), 0);
    EXPECT_EQ(preview.wrongDots(frames[0].bytes, row.layout), 0);
    const bool delays = std::string(row.syntax) != "bin" && std::string(row.syntax) != "ihex";
    EXPECT_EQ(preview.label->text(), delays ? "1 of 3, 40 ms" : "1 of 3");
    for (QWidget* control :
         {static_cast<QWidget*>(preview.playButton), static_cast<QWidget*>(preview.slider),
          static_cast<QWidget*>(preview.label)}) {
        EXPECT_TRUE(control->isVisible());
        EXPECT_TRUE(preview.window.rect().contains(control->geometry()))
            << control->objectName().toStdString();
    }
    EXPECT_GT(preview.window.height(), blank.height());

    // The byte outlined keeps its place from frame to frame; the status line tells its value.
    preview.window.selectDot(3, 9);
    auto* status = preview.window.findChild<QLabel*>("StatusLine");
    for (const int n : {2, 1}) {
        preview.slider->setValue(n);
        EXPECT_EQ(preview.window.shownFrame(), n);
        EXPECT_EQ(preview.wrongDots(frames[static_cast<std::size_t>(n)].bytes, row.layout), 0)
            << "frame " << n;
        EXPECT_EQ(preview.window.describeDot(3, 9), status->text());
    }
    EXPECT_EQ(preview.label->text(), delays ? "2 of 3, 0 ms" : "2 of 3");
    QTest::keyClick(preview.slider, Qt::Key_End);
    EXPECT_EQ(preview.wrongDots(frames[2].bytes, row.layout), 0);

    // Show starts again from the first frame.
    preview.show();
    EXPECT_EQ(preview.window.shownFrame(), 0);
    EXPECT_EQ(preview.wrongDots(frames[0].bytes, row.layout), 0);
}

const PanelLayout kPages32x16{.width = 32, .height = 16, .arrangement = Arrangement::Pages};
const PanelLayout kRowsMsb{
    .width = 20, .height = 10, .arrangement = Arrangement::Rows, .bitOrder = BitOrder::Msb};

INSTANTIATE_TEST_SUITE_P(
    Syntaxes, PreviewFrames,
    testing::Values(FramesCase{"db", PanelLayout{}}, FramesCase{"c", kRowsMsb},
                    FramesCase{"arduino", kPages32x16}, FramesCase{"gas", kPages32x16},
                    FramesCase{"asm", PanelLayout{}}, FramesCase{"bin", kPages32x16},
                    FramesCase{"ihex", kRowsMsb}),
    [](const testing::TestParamInfo<FramesCase>& info) { return std::string(info.param.syntax); });

TEST(PreviewFramesPlay, PlayStepsThroughWithTheDelaysAndPauseOrShowStops) {
    FramesPreview preview;
    const std::vector<PanelFrame> frames = RandomFrames(kPages32x16);
    const std::string path = (preview.folder / "lcd_spinner.h").string();
    WriteFile(path, WriteFramesText(*FindSyntax("c"), kPages32x16, frames, "spinner").text);
    preview.window.setFramesFile(path, PanelLayout{});
    preview.show();
    EXPECT_EQ(QKeySequence::mnemonic(preview.playButton->text()),
              QKeySequence(Qt::ALT | Qt::Key_P));
    QTest::keyClick(preview.playButton, Qt::Key_Space);
    EXPECT_TRUE(preview.window.playing());
    EXPECT_EQ(preview.playButton->text(), "&Pause");
    // 40 ms, then the frame of no delay for 100 ms, then 250 ms: round to the first.
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.window.shownFrame() == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.window.shownFrame() == 2; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.window.shownFrame() == 0; }, 5000));
    EXPECT_EQ(preview.wrongDots(frames[0].bytes, kPages32x16), 0);
    preview.playButton->click();
    EXPECT_FALSE(preview.window.playing());
    EXPECT_EQ(preview.playButton->text(), "&Play");
    const int stopped = preview.window.shownFrame();
    QTest::qWait(400);
    EXPECT_EQ(preview.window.shownFrame(), stopped);

    preview.playButton->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.window.shownFrame() != stopped; }, 5000));
    preview.show();
    EXPECT_FALSE(preview.window.playing());
    EXPECT_EQ(preview.window.shownFrame(), 0);
}

// A frames file replaced by one panel, or by a frames file that cannot be read: the frame
// row goes, and the window is the size it is for any one panel.
TEST(PreviewFramesPlay, AFileOfOnePanelOrABrokenOneLeavesNoFrameRow) {
    FramesPreview preview;
    const std::string path = (preview.folder / "lcd_p.txt").string();
    const std::vector<PanelFrame> frames = RandomFrames(PanelLayout{});
    const std::string framesText =
        WriteFramesText(DefaultSyntax(), PanelLayout{}, frames, "p").text;
    WriteFile(path, framesText);
    preview.window.setFramesFile(path, PanelLayout{});
    preview.show();
    ASSERT_EQ(preview.window.frameCount(), 3);
    preview.playButton->click();

    WriteFile(path, ExpectedLcdText(test::RandomPicture(5), 0));
    preview.show();
    EXPECT_EQ(preview.window.frameCount(), 0);
    EXPECT_FALSE(preview.window.playing());
    EXPECT_FALSE(preview.playButton->isVisible());
    EXPECT_EQ(preview.window.size(), QSize(290, 232 + 21)) << "the status line's row alone";
    EXPECT_TRUE(preview.messages.texts.isEmpty());

    // The mark of frames, then lines cut off: one message, nothing drawn.
    WriteFile(path, framesText.substr(0, framesText.size() / 2));
    preview.show();
    ASSERT_EQ(preview.messages.texts.size(), 1);
    EXPECT_TRUE(
        preview.messages.texts[0].startsWith(QString::fromStdString(path) + " cannot be shown: "))
        << preview.messages.texts[0].toStdString();
    EXPECT_EQ(preview.window.frameCount(), 0);
    EXPECT_FALSE(preview.playButton->isVisible());
    EXPECT_NE(preview.lcdPic->colourAt(0, 0), kOnDotColour);
    EXPECT_NE(preview.lcdPic->colourAt(0, 0), kOffDotColour);
}

// Opened by argument, dropped, or chosen with Open picture...: a frames text plays in the
// preview; a text of one panel is still no picture to prepare.
TEST(PreviewFramesPlay, AFramesFileOpenedInTheMainWindowOpensInThePreview) {
    ScratchFolder folder;
    ConversionState state;
    FakeMessageBox messages;
    MainWindow form(state, messages, TwipsScale(15));
    form.Init_Form(test::Q(folder.path()));
    form.show();
    const std::vector<PanelFrame> frames = RandomFrames(kPages32x16);
    const std::filesystem::path framesPath = folder / "lcd_spinner.h";
    WriteFile(framesPath, WriteFramesText(*FindSyntax("c"), kPages32x16, frames, "spinner").text);

    bool previewed = false;
    QTimer::singleShot(0, [&] {
        PreviewWindow* preview = form.previewingWindow();
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), preview);
        QTest::mouseClick(preview->findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
        EXPECT_EQ(preview->frameCount(), 3);
        auto* lcdPic = preview->findChild<PictureBox*>("LcdPic");
        int wrong = 0;
        for (int y = 0; y < kPages32x16.height; ++y) {
            for (int x = 0; x < kPages32x16.width; ++x) {
                wrong += lcdPic->colourAt(x, y) !=
                         (DotIn(frames[0].bytes, kPages32x16, x, y) ? kOnDotColour : kOffDotColour);
            }
        }
        EXPECT_EQ(wrong, 0);
        previewed = true;
        preview->close();
    });
    form.OpenPath(test::Q(framesPath));
    EXPECT_TRUE(previewed);
    EXPECT_EQ(form.previewingWindow(), nullptr);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("\n").toStdString();

    WriteFile(folder / "lcd_one.txt", ExpectedLcdText(test::RandomPicture(3), 0));
    form.OpenPath(test::Q(folder / "lcd_one.txt"));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith("lcd_one.txt cannot be prepared"))
        << messages.texts[0].toStdString();
}

} // namespace
} // namespace pelmora
