#include "core/conversion/encoder.h"
#include "core/conversion/plotter.h"
#include "core/syntax/syntax.h"
#include "preview/preview_window.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "widgets/picture_box.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
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

// Fires the preview's shortcut for keys, as the key would in an active window.
void Press(PreviewWindow& window, const QKeySequence& keys) {
    for (auto* shortcut : window.findChildren<QShortcut*>()) {
        if (shortcut->key() == keys) {
            emit shortcut->activated();
            return;
        }
    }
    ADD_FAILURE() << "no shortcut " << keys.toString().toStdString();
}

// The byte that holds (x, y) and its value, packed here from the layout's description.
std::pair<std::size_t, int> PackedByte(const MonoPicture& dots, const PanelLayout& layout, int x,
                                       int y) {
    const bool rows = layout.arrangement == Arrangement::Rows;
    int value = 0;
    for (int i = 0; i < 8; ++i) {
        const int dx = rows ? x / 8 * 8 + i : x;
        const int dy = rows ? y : y / 8 * 8 + i;
        if (dx < layout.width && dy < layout.height && dots.at(dx, dy)) {
            value |= 1 << test::PlaceOfDot(layout, dx, dy).bit;
        }
    }
    return {test::PlaceOfDot(layout, x, y).index, value};
}

// The status line names the byte and bit of the dot under the pointer in the layout the
// file states (or the window's two halves for DB lines), for every syntax Show reads.
TEST(PreviewWindowExplains, TheByteAndBitUnderThePointerInEveryLayoutAndSyntax) {
    struct Row {
        const char* name;
        PanelLayout layout;
        const char* syntax;
        int x, y;
        const char* place; // the end of the status line
    };
    const PanelLayout halves;
    const Row rows[] = {
        {"DB lines, two halves", halves, "db", 37, 12, "half 0 page 1 column 37"},
        {"DB lines, right half", halves, "db", 100, 63, "half 1 page 7 column 36"},
        {"C array, pages",
         {84, 48, Arrangement::Pages, 84, BitOrder::Lsb},
         "c",
         83,
         47,
         "page 5 column 83"},
        {"assembler, pages msb",
         {128, 32, Arrangement::Pages, 128, BitOrder::Msb},
         "asm",
         5,
         9,
         "page 1 column 5"},
        {"X bitmap, rows",
         {128, 64, Arrangement::Rows, 64, BitOrder::Lsb},
         "xbm",
         21,
         40,
         "row 40 byte 2 of the row"},
        {"Arduino, rows msb",
         {128, 64, Arrangement::Rows, 64, BitOrder::Msb},
         "arduino",
         8,
         2,
         "row 2 byte 1 of the row"},
        {"Intel HEX, read in the window's two halves", halves, "ihex", 70, 20,
         "half 1 page 2 column 6"},
        {"C array, three blocks",
         {192, 64, Arrangement::Halves, 64, BitOrder::Lsb},
         "c",
         130,
         20,
         "block 2 page 2 column 2"},
        {"GNU as, halves", halves, "gas", 64, 0, "half 1 page 0 column 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Syntax* syntax = FindSyntax(row.syntax);
        ASSERT_NE(syntax, nullptr) << row.syntax;
        OpenPreview preview;
        MonoPicture dots(row.layout.width, row.layout.height);
        for (int y = 0; y < dots.height; ++y) {
            for (int x = 0; x < dots.width; ++x) {
                dots.set(x, y, (x * 7 + y * 13 + x * y) % 5 < 2);
            }
        }
        const EncodedText text = EncodePanel(dots, row.layout, *syntax, "lcd_p");
        ASSERT_TRUE(text.ok()) << text.error;
        preview.state.outputPath =
            (preview.folder / ("lcd_p" + std::string(syntax->extension))).string();
        WriteFile(preview.state.outputPath, text.text);
        preview.show();
        ASSERT_TRUE(preview.messages.texts.isEmpty())
            << preview.messages.texts.join("|").toStdString();

        const auto [index, value] = PackedByte(dots, row.layout, row.x, row.y);
        const int bitInByte = row.layout.arrangement == Arrangement::Rows ? row.x % 8 : row.y % 8;
        const int bit = row.layout.bitOrder == BitOrder::Lsb ? bitInByte : 7 - bitInByte;
        const QString expected =
            QString("x %1, y %2: byte %3 (0x%4), bit %5, value 0x%6, %7")
                .arg(row.x)
                .arg(row.y)
                .arg(index)
                .arg(QString::number(index, 16).toUpper())
                .arg(bit)
                .arg(QString::number(value, 16).toUpper().rightJustified(2, '0'))
                .arg(row.place);
        // The pointer over the dot, where the box draws it.
        auto* status = preview.window.findChild<QLabel*>("StatusLine");
        ASSERT_NE(status, nullptr);
        EXPECT_TRUE(status->isVisible());
        const QPoint at = preview.lcdPic->contentsRect().topLeft() + QPoint(row.x, row.y);
        QTest::mouseMove(preview.lcdPic, at);
        EXPECT_EQ(preview.window.describeDot(row.x, row.y), expected);
        EXPECT_EQ(status->text(), expected);
        // A click selects the byte and outlines its dots.
        QTest::mouseClick(preview.lcdPic, Qt::LeftButton, {}, at);
        EXPECT_EQ(preview.window.selectedByte(), index);
        const QList<QPoint> outlined = preview.lcdPic->highlight();
        EXPECT_TRUE(outlined.contains(QPoint(row.x, row.y)));
        EXPECT_EQ(outlined.size(), 8);
        EXPECT_EQ(preview.window.describeDot(row.layout.width, 0), "");
    }
}

// Zoom keeps every dot where colourAt finds it, draws each a sharp square, grows the window
// to hold the panel and comes back to the twips at Ctrl+0; the zoom is remembered.
TEST(PreviewWindowExplains, ZoomsByKeysAndWheelAndRemembersTheZoom) {
    OpenPreview preview;
    const Picture picture = test::RandomPicture(7);
    WriteFile(preview.state.outputPath, ExpectedLcdText(picture, 0));
    QSettings settings(QString::fromStdString((preview.folder / "s.ini").string()),
                       QSettings::IniFormat);
    preview.window.useSettings(&settings);
    preview.show();
    const QSize shown = preview.window.size();
    EXPECT_EQ(shown.width(), 290);
    EXPECT_GT(shown.height(), 232) << "the status line below Show";

    Press(preview.window, QKeySequence::ZoomIn);
    Press(preview.window, QKeySequence::ZoomIn);
    ASSERT_EQ(preview.window.zoom(), 3);
    EXPECT_EQ(preview.wrongDots(picture, 0), 0);
    EXPECT_GE(preview.lcdPic->width(), 128 * 3);
    const QImage grabbed = preview.lcdPic->grab().toImage();
    const QPoint origin = preview.lcdPic->contentsRect().topLeft();
    for (int dy = 0; dy < 3; ++dy) {
        for (int dx = 0; dx < 3; ++dx) {
            EXPECT_EQ(grabbed.pixel(origin + QPoint(5 * 3 + dx, 6 * 3 + dy)) & 0xFFFFFF,
                      picture.at(5, 6) == 0 ? 0x000000U : 0x008000U);
        }
    }
    EXPECT_EQ(preview.window.describeDot(5, 6).left(10), "x 5, y 6: ");
    QTest::mouseMove(preview.lcdPic, origin + QPoint(5 * 3 + 1, 6 * 3 + 2));
    EXPECT_TRUE(preview.window.findChild<QLabel*>("StatusLine")->text().startsWith("x 5, y 6:"));

    Press(preview.window, QKeySequence::ZoomOut);
    EXPECT_EQ(preview.window.zoom(), 2);
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview.lcdPic, &wheel);
    EXPECT_EQ(preview.window.zoom(), 3);
    settings.sync();
    EXPECT_EQ(settings.value("preview/zoom").toInt(), 3);
    {
        OpenPreview again; // a new preview opens at the zoom last used
        again.window.useSettings(&settings);
        EXPECT_EQ(again.window.zoom(), 3);
    }

    Press(preview.window, QKeySequence(Qt::CTRL | Qt::Key_0));
    EXPECT_EQ(preview.window.zoom(), 1);
    EXPECT_EQ(preview.window.size(), shown);
    EXPECT_EQ(preview.lcdPic->geometry(), QRect(8, 0, 273, 185));
}

TEST(PreviewWindowExplains, TheArrowKeysInThePanelSelectAByteWithoutAMouse) {
    OpenPreview preview;
    WriteFile(preview.state.outputPath, ExpectedLcdText(test::RandomPicture(9), 0));
    preview.show();
    auto* status = preview.window.findChild<QLabel*>("StatusLine");
    QTest::keyClick(preview.lcdPic, Qt::Key_Right);
    EXPECT_EQ(preview.window.selectedByte(), 0U);
    EXPECT_TRUE(status->text().startsWith("x 0, y 0: byte 0 (0x0), bit 0,"));
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(preview.lcdPic, Qt::Key_Down);
    }
    QTest::keyClick(preview.lcdPic, Qt::Key_Right);
    EXPECT_EQ(preview.window.selectedByte(), 65U) << "page 1, column 1";
    EXPECT_TRUE(status->text().startsWith("x 1, y 8: byte 65 (0x41), bit 0,"));
    QTest::keyClick(preview.lcdPic, Qt::Key_Up);
    EXPECT_EQ(preview.window.selectedByte(), 1U);
    EXPECT_EQ(preview.lcdPic->highlight().size(), 8);
}

TEST(PreviewWindowExplains, OpensWithTheFocusOnShowAndEnterShows) {
    OpenPreview preview;
    const Picture picture = test::RandomPicture(8);
    WriteFile(preview.state.outputPath, ExpectedLcdText(picture, 0));
    EXPECT_EQ(preview.window.focusWidget(), preview.showButton);
    QTest::keyClick(preview.showButton, Qt::Key_Return);
    EXPECT_EQ(preview.wrongDots(picture, 0), 0);
}

} // namespace
} // namespace pelmora
