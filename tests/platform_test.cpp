#include "platform/controls.h"
#include "platform/drive_list.h"
#include "platform/folder_list.h"
#include "platform/picture_box.h"
#include "platform/twips.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"

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

} // namespace
} // namespace pelmora
