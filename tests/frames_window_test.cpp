// Prepare picture on an animated GIF: its frames picked with the slider or played, each
// drawn on the panel as pelmora-cli prepares it, and Save frames writes the very bytes of
// pelmora-cli convert --frames; a still picture's window gains nothing.

#include "core/syntax/syntax.h"
#include "picture_helper/picture_source.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/prepare_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::FakeMessageBox;
using test::Q;
using test::ReadFile;
using test::ScratchFolder;

// A black square 8 x 8 at each of these left edges, one a frame, on a white 32 x 16 screen.
const std::vector<int> kSquares = {0, 12, 24};

void RunIn(const ScratchFolder& folder, const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(Q(folder.path()));
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

// The squares as an animated GIF, 100 ms a frame but the last, of no delay; or each frame
// of the centiseconds given.
void MakeGif(const ScratchFolder& folder, const QString& name,
             const std::vector<int>& centiseconds = {10, 10, 0}) {
    QStringList arguments;
    for (std::size_t n = 0; n < kSquares.size(); ++n) {
        const int left = kSquares[n];
        // Drawn in parentheses, or -draw would draw on every frame made before.
        arguments << "("
                  << "-size"
                  << "32x16"
                  << "xc:white"
                  << "-fill"
                  << "black"
                  << "-draw" << QString("rectangle %1,4 %2,11").arg(left).arg(left + 7) << "-set"
                  << "delay" << QString::number(centiseconds[n]) << ")";
    }
    arguments << "-loop"
              << "0" << name;
    RunIn(folder, "convert", arguments);
}

OutputChoice PagesC() {
    OutputChoice choice;
    choice.layout = PanelLayout{.width = 32, .height = 16, .arrangement = Arrangement::Pages};
    choice.syntax = FindSyntax("c");
    return choice;
}

struct Opened {
    FakeMessageBox messages;
    std::unique_ptr<PrepareWindow> window;
};

void Open(Opened& opened, const std::filesystem::path& path, OutputChoice choice = PagesC()) {
    SourcePicture source = ReadPicture(Q(path));
    ASSERT_TRUE(source.ok()) << source.error;
    opened.window = std::make_unique<PrepareWindow>(Q(path), std::move(source.picture), 32, 16,
                                                    PrepareOptions{}, opened.messages, nullptr,
                                                    std::move(choice));
}

// The squares' GIF, made in a folder of its own and opened.
struct OpenedGif : Opened {
    ScratchFolder folder;
    OpenedGif() {
        MakeGif(folder, "a.gif");
        Open(*this, folder / "a.gif");
    }
};

// Whether the panel shows just the square of frame n.
bool ShowsSquare(const MonoPicture& panel, std::size_t n) {
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool inside = x >= kSquares[n] && x < kSquares[n] + 8 && y >= 4 && y < 12;
            if (panel.at(x, y) != inside) {
                return false;
            }
        }
    }
    return true;
}

TEST(FramesWindowTest, TheSliderPicksEachFrameAndTheKeysMoveIt) {
    OpenedGif opened;
    PrepareWindow& window = *opened.window;
    auto* slider = window.findChild<QSlider*>("FrameSlider");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(window.frameCount(), 3);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 2);
    EXPECT_TRUE(ShowsSquare(window.panel(), 0));
    for (const std::size_t n : {2U, 1U, 0U}) {
        slider->setValue(static_cast<int>(n));
        EXPECT_TRUE(ShowsSquare(window.panel(), n)) << "frame " << n;
    }
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_TRUE(ShowsSquare(window.panel(), 1));
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_TRUE(ShowsSquare(window.panel(), 2));
    // A choice made applies to the frame shown.
    window.findChild<QCheckBox*>("InvertCheck")->setChecked(true);
    EXPECT_TRUE(window.panel().at(0, 0));
    EXPECT_FALSE(window.panel().at(kSquares[2], 4));
}

TEST(FramesWindowTest, PlayStepsThroughTheFramesAndPauseStops) {
    OpenedGif opened;
    PrepareWindow& window = *opened.window;
    auto* slider = window.findChild<QSlider*>("FrameSlider");
    auto* play = window.findChild<QPushButton*>("PlayButton");
    ASSERT_NE(play, nullptr);
    play->click();
    EXPECT_EQ(play->text(), "&Pause");
    // 100 ms, 100 ms, then the frame of no delay shown 100 ms: back to the first.
    EXPECT_TRUE(QTest::qWaitFor([slider] { return slider->value() == 2; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([slider] { return slider->value() == 0; }, 5000));
    EXPECT_TRUE(ShowsSquare(window.panel(), 0));
    play->click();
    EXPECT_EQ(play->text(), "&Play");
    const int stopped = slider->value();
    QTest::qWait(300);
    EXPECT_EQ(slider->value(), stopped);
}

// Each frame is played for its delay, one of no delay for 100 ms as browsers play it: the
// label, the timer and the frames saved all say the same.
TEST(FramesWindowTest, EachFrameIsPlayedForItsDelayAndOneOfNoneFor100Ms) {
    Opened opened;
    ScratchFolder folder;
    MakeGif(folder, "a.gif", {20, 50, 0});
    Open(opened, folder / "a.gif");
    PrepareWindow& window = *opened.window;
    auto* slider = window.findChild<QSlider*>("FrameSlider");
    auto* play = window.findChild<QPushButton*>("PlayButton");
    auto* timer = window.findChild<QTimer*>("PlayTimer");
    ASSERT_NE(timer, nullptr);
    const int played[] = {200, 500, 100};
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        slider->setValue(n);
        EXPECT_EQ(window.findChild<QLabel*>("FrameLabel")->text(),
                  QString("%1 of 3, %2 ms").arg(n + 1).arg(played[n]));
        play->click();
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), played[n]);
        play->click();
    }
    // Played on from the last frame: the first's delay next.
    slider->setValue(2);
    play->click();
    EXPECT_TRUE(QTest::qWaitFor([slider] { return slider->value() == 0; }, 5000));
    EXPECT_EQ(timer->interval(), 200);
    play->click();
    window.setFramesNameAsker([&](const QString&) { return Q(folder / "lcd_a.h"); });
    window.findChild<QPushButton*>("SaveFramesButton")->click();
    const std::string written = ReadFile(folder / "lcd_a.h");
    EXPECT_NE(written.find("a.gif frame 2, 100 ms"), std::string::npos) << written;
}

struct SaveCase {
    const char* name;
    std::function<void(PrepareWindow&)> choose;
    QStringList options; // the same choices to pelmora-cli
};

class SaveFrames : public testing::TestWithParam<SaveCase> {};

TEST_P(SaveFrames, WritesTheBytesOfConvertFrames) {
    const SaveCase& row = GetParam();
    OpenedGif opened;
    const ScratchFolder& folder = opened.folder;
    std::filesystem::create_directory(folder / "window");
    std::filesystem::create_directory(folder / "cli");
    PrepareWindow& window = *opened.window;
    row.choose(window);
    QString suggested;
    window.setFramesNameAsker([&](const QString& name) {
        suggested = name;
        return Q(folder / "window" / "lcd_a.h");
    });
    window.findChild<QPushButton*>("SaveFramesButton")->click();
    EXPECT_EQ(QDir::cleanPath(suggested), QDir::cleanPath(Q(folder / "lcd_a.h")));
    EXPECT_TRUE(opened.messages.texts.isEmpty()) << opened.messages.texts.join("\n").toStdString();
    RunIn(folder, PELMORA_CLI,
          QStringList{"convert", "--frames", "--quiet", "--format", "c", "--layout", "pages",
                      "--size", "32x16", "-o", "cli/lcd_a.h"}
              << row.options << "a.gif");
    const std::string written = ReadFile(folder / "window" / "lcd_a.h");
    EXPECT_NE(written.find("a.gif frame 2"), std::string::npos);
    EXPECT_EQ(written, ReadFile(folder / "cli" / "lcd_a.h"));
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SaveFrames,
    testing::Values(SaveCase{"Defaults", [](PrepareWindow&) {}, {}},
                    SaveCase{
                        "TurnedMirroredInverted",
                        [](PrepareWindow& window) {
                            window.findChild<QComboBox*>("RotateBox")->setCurrentIndex(1);
                            window.findChild<QComboBox*>("MirrorBox")->setCurrentIndex(2);
                            window.findChild<QComboBox*>("FitBox")->setCurrentIndex(1);
                            window.findChild<QCheckBox*>("InvertCheck")->setChecked(true);
                        },
                        {"--rotate", "90", "--mirror", "vertical", "--fit", "cover", "--invert"}},
                    SaveCase{"AtkinsonBrighter",
                             [](PrepareWindow& window) {
                                 window.findChild<QComboBox*>("DitherBox")->setCurrentIndex(1);
                                 window.findChild<QSlider*>("BrightnessSlider")->setValue(-40);
                             },
                             {"--dither", "atkinson", "--brightness", "-40"}}),
    [](const testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

TEST(FramesWindowTest, SaveFramesOverThePictureItselfIsRefused) {
    OpenedGif opened;
    const ScratchFolder& folder = opened.folder;
    const std::string gif = ReadFile(folder / "a.gif");
    opened.window->setFramesNameAsker([&](const QString&) { return Q(folder / "a.gif"); });
    opened.window->findChild<QPushButton*>("SaveFramesButton")->click();
    ASSERT_EQ(opened.messages.texts.size(), 1);
    EXPECT_TRUE(opened.messages.texts[0].contains("is the picture itself"));
    EXPECT_EQ(ReadFile(folder / "a.gif"), gif);
}

TEST(FramesWindowTest, PreviewFramesAsksForTheFileSavedOnceOneWas) {
    OpenedGif opened;
    const ScratchFolder& folder = opened.folder;
    PrepareWindow& window = *opened.window;
    auto* preview = window.findChild<QPushButton*>("PreviewFramesButton");
    ASSERT_NE(preview, nullptr);
    EXPECT_FALSE(preview->isEnabled());
    QStringList asked;
    QObject::connect(&window, &PrepareWindow::framesPreviewAsked,
                     [&](const QString& path) { asked << path; });
    // A save refused leaves nothing to preview.
    window.setFramesNameAsker([&](const QString&) { return Q(folder / "a.gif"); });
    window.findChild<QPushButton*>("SaveFramesButton")->click();
    EXPECT_FALSE(preview->isEnabled());

    const QString saved = Q(folder / "lcd_a.h");
    window.setFramesNameAsker([&](const QString&) { return saved; });
    window.findChild<QPushButton*>("SaveFramesButton")->click();
    ASSERT_TRUE(preview->isEnabled());
    window.findChild<QPushButton*>("PlayButton")->click();
    preview->click();
    EXPECT_EQ(asked, QStringList{saved});
    EXPECT_EQ(window.savedFramesPath(), saved);
    EXPECT_FALSE(window.findChild<QTimer*>("PlayTimer")->isActive()) << "one animation at a time";
}

// A still picture, a GIF of one frame among them, keeps the window as it was.
TEST(FramesWindowTest, AStillPictureGainsNoFrameControls) {
    ScratchFolder folder;
    RunIn(folder, "convert", {"-size", "32x16", "xc:white", "one.gif"});
    RunIn(folder, "convert", {"-size", "32x16", "xc:black", "one.png"});
    for (const char* name : {"one.gif", "one.png"}) {
        Opened opened;
        Open(opened, folder / name);
        PrepareWindow& window = *opened.window;
        EXPECT_EQ(window.frameCount(), 0) << name;
        for (const char* control : {"FrameSlider", "PlayButton", "FrameLabel", "SaveFramesButton",
                                    "PreviewFramesButton"}) {
            EXPECT_EQ(window.findChild<QWidget*>(control), nullptr) << name << " " << control;
        }
        EXPECT_EQ(window.findChild<QTimer*>("PlayTimer"), nullptr) << name;
    }
}

} // namespace
} // namespace pelmora
