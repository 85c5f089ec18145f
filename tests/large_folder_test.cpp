// A folder of ten thousand bitmaps and a tree with a symbolic link loop: the browser lists
// them and the window stays usable.

#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/main_window.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace pelmora {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

using test::Q;

TEST(LargeFolders, TenThousandBitmapsAreListedInOrderAndTheWindowStillAnswers) {
    ScratchFolder folder;
    fs::create_directory(folder / "many");
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "p%05d.bmp", 9999 - i);
        test::WriteFile(folder / "many" / name, "");
    }
    test::WriteFile(folder / "many" / "picture.bmp", test::EncodeBmp(test::Picture{}));
    test::WriteFile(folder / "many" / "readme.txt", "not listed");

    ConversionState state;
    test::FakeMessageBox messages;
    MainWindow window(state, messages, TwipsScale(15));
    window.Init_Form(Q(folder.path()));
    window.show();
    auto* files = window.findChild<FileList*>("File1");
    ASSERT_TRUE(window.findChild<FolderList*>("Dir1")->setPath(Q(folder / "many")));
    ASSERT_EQ(files->count(), 10001);
    EXPECT_EQ(files->item(0)->text(), "p00000.bmp");
    EXPECT_EQ(files->item(10000)->text(), "picture.bmp");

    QTest::qWait(50); // the list lays its rows out once the event loop runs, as for a user
    files->setFocus();
    QTest::keyClick(files, Qt::Key_End);
    QTest::keyClick(files, Qt::Key_Return);
    EXPECT_EQ(files->selectedFileName(), "picture.bmp");
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('|').toStdString();
    EXPECT_TRUE(window.findChild<QPushButton*>("ConvertButton")->isEnabled());
}

TEST(LargeFolders, ASymbolicLinkLoopIsJustAnotherFolder) {
    ScratchFolder folder;
    fs::create_directory(folder / "tree");
    fs::create_directory_symlink(".", folder / "tree" / "self");
    fs::create_directory_symlink("b", folder / "tree" / "a");
    fs::create_directory_symlink("a", folder / "tree" / "b"); // a loop that leads nowhere
    test::WriteFile(folder / "tree" / "picture.bmp", test::EncodeBmp(test::Picture{}));

    ConversionState state;
    test::FakeMessageBox messages;
    MainWindow window(state, messages, TwipsScale(15));
    window.Init_Form(Q(folder / "tree"));
    auto* folders = window.findChild<FolderList*>("Dir1");
    auto* files = window.findChild<FileList*>("File1");
    EXPECT_FALSE(folders->findItems("self", Qt::MatchEndsWith).isEmpty());

    for (int depth = 0; depth < 3; ++depth) {
        ASSERT_TRUE(folders->setPath(folders->path() + "/self"));
        EXPECT_EQ(files->count(), 1);
    }
    EXPECT_FALSE(folders->setPath(Q(folder / "tree" / "a")));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts.front().endsWith("does not exist."))
        << messages.texts.front().toStdString();
    EXPECT_EQ(files->count(), 1);
}

} // namespace
} // namespace pelmora
