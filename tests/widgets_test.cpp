#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "widgets/controls.h"
#include "widgets/drive_list.h"
#include "widgets/folder_list.h"
#include "widgets/message_box.h"
#include "widgets/picture_box.h"
#include "widgets/screen_fit.h"
#include "widgets/twips.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::Q;

TEST(DriveList, OffersTheRootFileSystemFirstAndNoPseudoFileSystems) {
    const QList<QStorageInfo> volumes = ListedVolumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.first().rootPath(), QStorageInfo::root().rootPath());
    for (const QStorageInfo& volume : volumes) {
        EXPECT_NE(volume.fileSystemType(), "proc");
        EXPECT_NE(volume.fileSystemType(), "sysfs");
        EXPECT_FALSE(volume.rootPath().startsWith("/proc/"));
    }
}

TEST(DriveList, SettingTheDriveRaisesTheChangeOnceForANewVolume) {
    test::FakeMessageBox messages;
    DriveList drives(messages);
    QSignalSpy changed(&drives, &DriveList::driveChanged);
    drives.setDrive(Q(std::filesystem::temp_directory_path()));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.front().front().toString(), drives.drive());
    drives.setDrive(Q(std::filesystem::temp_directory_path()));
    EXPECT_EQ(changed.size(), 1) << "the same volume again is no change";
}

TEST(FolderList, ShowsTheFoldersAboveAndInsideAndOpensOneByKeyOrMouse) {
    test::ScratchFolder folder;
    std::filesystem::create_directories(folder / "inner" / "deeper");
    test::WriteFile(folder / "file.bmp", "not a folder");
    test::FakeMessageBox messages;
    FolderList folders(messages);
    folders.show();
    QSignalSpy changed(&folders, &FolderList::pathChanged);
    ASSERT_TRUE(folders.setPath(Q(folder.path())));
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(folders.item(0)->text(), "/");
    EXPECT_EQ(folders.item(folders.count() - 1)->text().trimmed(), "inner");
    EXPECT_EQ(folders.currentItem()->text().trimmed(), Q(folder.path().filename()));

    folders.setCurrentItem(folders.item(folders.count() - 1));
    QTest::keyClick(&folders, Qt::Key_Return);
    EXPECT_EQ(folders.path(), Q(folder / "inner"));

    QListWidgetItem* deeper = folders.item(folders.count() - 1);
    const QPoint centre = folders.visualItemRect(deeper).center();
    QTest::mouseClick(folders.viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(folders.viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(folders.path(), Q(folder / "inner" / "deeper"));
    EXPECT_TRUE(messages.texts.isEmpty());

    EXPECT_FALSE(folders.setPath(Q(folder / "file.bmp")));
    EXPECT_EQ(folders.path(), Q(folder / "inner" / "deeper"));
    EXPECT_EQ(messages.texts.size(), 1);
}

TEST(PictureBox, KeepsItsPointsThroughHidingAndShowingAndClearsThemAll) {
    PictureBox box;
    box.resize(100, 60);
    box.show();
    const Colour background = box.colourAt(3, 4);
    box.setPoint(3, 4, MakeColour(0, 128, 0));
    box.hide();
    box.show();
    EXPECT_EQ(box.colourAt(3, 4), MakeColour(0, 128, 0));
    const QImage shown = box.grab().toImage();
    EXPECT_EQ(shown.pixelColor(box.contentsRect().topLeft() + QPoint(3, 4)), QColor(0, 128, 0));
    box.setPoint(1000, 1000, 0); // off the drawing: ignored
    box.clear();
    EXPECT_EQ(box.colourAt(3, 4), background);
}

TEST(StartFolder, IsTheProgramsOwnFolderUnlessThatIsASystemFolder) {
    EXPECT_EQ(StartFolder("/home/ann/pelmora/build/ui", "/home/ann"), "/home/ann/pelmora/build/ui");
    EXPECT_EQ(StartFolder("/usr/bin", "/home/ann"), "/home/ann");
    EXPECT_EQ(StartFolder("/usr/local/bin/", "/home/ann"), "/home/ann");
}

TEST(TwipsScale, RoundsTwipsToTheNearestPixel) {
    EXPECT_EQ(TwipsScale(15).rect(360, 240, 615, 255), QRect(24, 16, 41, 17));
    EXPECT_EQ(TwipsScale(12).size(4350, 3480), QSize(363, 290));
    EXPECT_DOUBLE_EQ(TwipsScale(15).toTwips(133), 1995);
}

TEST(FolderList, FindsAFolderByItsNameAsItIsTypedPastTheIndent) {
    test::ScratchFolder folder;
    for (const char* name : {"alpha", "beta", "bravo", "Charlie"}) {
        std::filesystem::create_directory(folder / name);
    }
    test::FakeMessageBox messages;
    FolderList folders(messages);
    folders.show();
    ASSERT_TRUE(folders.setPath(Q(folder.path())));
    struct Typed {
        const char* name;
        const char* keys;
        const char* found;
    };
    for (const Typed& typed : {Typed{"two letters", "br", "bravo"}, Typed{"one", "c", "Charlie"},
                               Typed{"a letter again steps on", "b", "beta"}}) {
        SCOPED_TRACE(typed.name);
        QTest::qWait(QApplication::keyboardInputInterval() + 50); // a new search each time
        QTest::keyClicks(&folders, typed.keys);
        ASSERT_NE(folders.currentItem(), nullptr);
        EXPECT_EQ(folders.currentItem()->text().trimmed(), typed.found);
    }
    QTest::keyClick(&folders, Qt::Key_Return);
    EXPECT_EQ(folders.path(), Q(folder / "beta"));
}

TEST(ScreenFit, AWindowLargerThanTheScreenShrinksAsOneAndIsPlacedOnIt) {
    struct Case {
        const char* name;
        QSize room;
        double twipsPerPixel; // expected
    };
    for (const Case& c : {Case{"room to spare: as the screen's scale", {1264, 760}, 15},
                          Case{"too short", {624, 360}, 8175.0 / 360},
                          Case{"too narrow", {400, 1000}, 6990.0 / 400}}) {
        SCOPED_TRACE(c.name);
        const TwipsScale scale = ScaleToFit(TwipsScale(15), QSize(6990, 8175), c.room);
        EXPECT_DOUBLE_EQ(scale.twipsPerPixel(), c.twipsPerPixel);
        EXPECT_LE(scale.size(6990, 8175).width(), c.room.width());
        EXPECT_LE(scale.size(6990, 8175).height(), c.room.height());
    }
    const QRect screen(0, 0, 640, 400);
    struct Placing {
        const char* name;
        QRect frame;
        QPoint placed;
    };
    for (const Placing& p : {Placing{"inside: left alone", {10, 20, 300, 200}, {10, 20}},
                             Placing{"above the top", {100, -56, 300, 200}, {100, 0}},
                             Placing{"off the bottom right", {500, 350, 300, 200}, {340, 200}},
                             Placing{"larger: title bar kept", {-5, -5, 700, 500}, {0, 0}}}) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(PlaceInside(p.frame, screen), QRect(p.placed, p.frame.size()));
    }
}

// A path far longer than a line is wrapped at its separators and shown whole; the box stays
// within the screen.
TEST(MessageBoxText, ALongPathIsWrappedWholeNeverCutAtTheEnd) {
    QString path = "/home/ann";
    for (int i = 0; i < 12; ++i) {
        path += QString("/a_rather_long_folder_name_%1").arg(i);
    }
    // A name longer than the screen is wide, with nowhere a line may usually break.
    path += "/lcd_" + QString(30, 'a') + "_picture_of_the_panel_made_by_a_script_" +
            QString(90, 'b') + ".txt";
    const QString text = "The file " + path + " could not be written: Permission denied";
    auto box = MakeMessageBox(nullptr, "Pelmora-0.1", text);
    box->show();
    QApplication::processEvents();
    auto* label = box->findChild<QLabel*>("qt_msgbox_label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().remove(QChar(0x200B)), text);
    const QRect screen = box->screen()->availableGeometry();
    EXPECT_LE(box->width(), screen.width());
    // Every line of the wrapped label fits inside the label, the last words included.
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 100000),
                                                           Qt::TextWordWrap, label->text());
    EXPECT_LE(needed.width(), label->width());
    EXPECT_LE(needed.height(), label->height());
    EXPECT_TRUE(box->rect().contains(QRect(label->mapTo(box.get(), QPoint()), label->size())));
    // Text without long words is left as it is.
    EXPECT_EQ(WrappablePaths("picture.bmp cannot be read"), "picture.bmp cannot be read");
}

// The picture box is a Tab stop: with the focus it shows a ring of the highlight colour.
TEST(PictureBox, ShowsWhenItHasTheFocus) {
    QWidget window;
    auto* box = new PictureBox(&window);
    box->setGeometry(0, 0, 60, 40);
    auto* other = new QPushButton("other", &window);
    other->setGeometry(0, 50, 60, 20);
    window.show();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    const QRgb highlight = box->palette().color(QPalette::Highlight).rgb() & 0xFFFFFF;
    const auto ringShown = [&] {
        const QImage shown = box->grab().toImage();
        return (shown.pixel(0, 0) & 0xFFFFFF) == highlight;
    };
    EXPECT_FALSE(ringShown());
    box->setFocus();
    ASSERT_TRUE(box->hasFocus());
    EXPECT_TRUE(ringShown());
}

TEST(PictureBox, ZoomDrawsEachPointAsASharpSquareAndFindsTheDotUnderThePointer) {
    PictureBox box;
    box.resize(100, 60);
    box.show();
    box.setZoom(4);
    box.setPoint(3, 2, MakeColour(255, 0, 0));
    EXPECT_EQ(box.colourAt(3, 2), MakeColour(255, 0, 0));
    const QImage shown = box.grab().toImage();
    const QPoint origin = box.contentsRect().topLeft();
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(shown.pixel(origin + QPoint(12 + d, 8 + d)) & 0xFFFFFF, 0xFF0000U);
    }
    EXPECT_NE(shown.pixel(origin + QPoint(16, 8)) & 0xFFFFFF, 0xFF0000U);
    EXPECT_EQ(box.dotAt(origin + QPoint(15, 11)), QPoint(3, 2));
    EXPECT_EQ(box.dotAt(origin + QPoint(-1, 0)), QPoint(-1, 0));
}

} // namespace
} // namespace pelmora
