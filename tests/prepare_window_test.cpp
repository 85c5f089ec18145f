// The Prepare picture window: opened by a dropped photo or Ctrl+P, redrawn as its controls
// change, Use writes the BMP and takes it in and keeps the choices, Cancel writes nothing
// and keeps the choices made before; and
// it makes the very BMP that pelmora-cli prepare makes of the same picture.

#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/main_window.h"
#include "ui/prepare_window.h"
#include "widgets/file_list.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace pelmora {
namespace {

using test::FakeMessageBox;
using test::Q;
using test::ReadFile;
using test::ScratchFolder;

// Left half black, right half white, in a picture that is no BMP of the panel.
void WritePhoto(const std::filesystem::path& path) {
    QImage image(320, 160, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 160; ++x) {
            image.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    ASSERT_TRUE(image.save(Q(path)));
}

struct Window {
    ScratchFolder folder;
    ConversionState state;
    FakeMessageBox messages;
    MainWindow form{state, messages, TwipsScale(15)};
    QSettings settings{Q(folder / "settings.ini"), QSettings::IniFormat};

    Window() {
        form.Init_Form(Q(folder.path()));
        form.useSettings(&settings);
        form.show();
    }
    QString text(const char* name) const { return form.findChild<QLabel*>(name)->text(); }
};

// Runs what is to be done in the Prepare window once it is open, then closes it with the
// button named.
void WhenPrepareWindowOpens(std::function<void(PrepareWindow&)> act, const char* button) {
    QTimer::singleShot(0, [act = std::move(act), button] {
        auto* window = qobject_cast<PrepareWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        act(*window);
        QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton);
    });
}

int OnDots(const MonoPicture& panel) {
    int on = 0;
    for (const std::uint8_t dot : panel.dots) {
        on += dot;
    }
    return on;
}

TEST(PrepareWindowTest, ADroppedPhotoIsPreparedUsedAndTakenIn) {
    Window w;
    WritePhoto(w.folder / "photo.png");
    WhenPrepareWindowOpens(
        [](PrepareWindow& window) {
            // Contain: the 320 x 160 picture is 128 x 64 on the panel, half of it dark.
            EXPECT_EQ(OnDots(window.panel()), 64 * 64);
            auto* dither = window.findChild<QComboBox*>("DitherBox");
            dither->setCurrentIndex(3); // threshold
            auto* threshold = window.findChild<QSlider*>("ThresholdSlider");
            EXPECT_TRUE(threshold->isEnabled());
            window.findChild<QCheckBox*>("InvertCheck")->setChecked(true);
            EXPECT_EQ(OnDots(window.panel()), 64 * 64); // the other half now
            EXPECT_FALSE(window.panel().at(10, 10));
            // The keyboard moves a slider and the panel follows.
            threshold->setFocus();
            QTest::keyClick(threshold, Qt::Key_Home);
            EXPECT_EQ(threshold->value(), 0);
            EXPECT_EQ(OnDots(window.panel()), 128 * 64); // nothing below 0: all off, inverted
        },
        "UseButton");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Q(w.folder / "photo.png"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.form, &drop);

    EXPECT_EQ(ReadFile(w.folder / "photo_128x64.bmp").size(), 62U + 16U * 64U);
    EXPECT_EQ(w.form.findChild<FileList*>("File1")->selectedFileName(), "photo_128x64.bmp");
    EXPECT_EQ(w.text("WidthValue"), "128");
    EXPECT_TRUE(w.form.findChild<QPushButton*>("ConvertButton")->isEnabled());
    EXPECT_TRUE(w.messages.texts.isEmpty()) << w.messages.texts.join("|").toStdString();

    // The choices come back the next time.
    const PrepareOptions stored = LoadPrepareOptions(w.settings);
    EXPECT_EQ(stored.dither, Dither::Threshold);
    EXPECT_EQ(stored.threshold, 0);
    EXPECT_TRUE(stored.invert);
}

TEST(PrepareWindowTest, UseWritesWhatTheCommandLineWritesForTheSamePicture) {
    Window w;
    // Detail everywhere, in a JPEG (decoded without Qt) and a PNG (decoded by Qt).
    QImage photo(203, 141, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * y) % 256, (x ^ y) * 2 % 256));
        }
    }
    ASSERT_TRUE(photo.save(Q(w.folder / "noise.jpg"), "JPEG", 90));
    ASSERT_TRUE(photo.save(Q(w.folder / "noise.png")));
    for (const char* name : {"noise.jpg", "noise.png"}) {
        for (const int fit : {0, 1}) { // contain, cover
            WhenPrepareWindowOpens(
                [fit](PrepareWindow& window) {
                    window.findChild<QComboBox*>("FitBox")->setCurrentIndex(fit);
                },
                "UseButton");
            w.form.PreparePicture(Q(w.folder / name));
            const std::string stem = std::string(name).substr(0, 5);
            const std::string window = ReadFile(w.folder / (stem + "_128x64.bmp"));
            QProcess cli;
            cli.setWorkingDirectory(Q(w.folder.path()));
            cli.start(PELMORA_CLI,
                      {"prepare", "--fit", fit == 0 ? "contain" : "cover", "-o", "cli.bmp", name});
            ASSERT_TRUE(cli.waitForFinished(30000));
            ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
            EXPECT_EQ(ReadFile(w.folder / "cli.bmp"), window) << name << " fit " << fit;
        }
    }
}

TEST(PrepareWindowTest, CtrlPOpensTheSelectedPictureAndCancelWritesNothing) {
    Window w;
    // A 1-bit BMP of the wrong size, selected in the file list.
    test::Picture small;
    small.width = 64;
    small.height = 32;
    small.index.assign(64 * 32, 0);
    test::WriteFile(w.folder / "small.bmp", test::EncodeBmp(small, {.width = 64, .height = 32}));
    auto* files = w.form.findChild<FileList*>("File1");
    files->setPath(files->path());
    ASSERT_TRUE(files->selectFileName("small.bmp"));
    bool opened = false;
    WhenPrepareWindowOpens(
        [&opened](PrepareWindow& window) {
            opened = true;
            // Contain: 64 x 32 doubles to 128 x 64, all of it black.
            EXPECT_EQ(OnDots(window.panel()), 128 * 64);
            window.findChild<QComboBox*>("FitBox")->setCurrentIndex(3); // none
            EXPECT_EQ(OnDots(window.panel()), 64 * 32);
            window.findChild<QSlider*>("BrightnessSlider")->setValue(40);
        },
        "CancelButton");
    // Offscreen windows never become active: fire the shortcut as its keys would.
    for (auto* shortcut : w.form.findChildren<QShortcut*>()) {
        if (shortcut->key() == QKeySequence(Qt::CTRL | Qt::Key_P)) {
            emit shortcut->activated();
        }
    }
    EXPECT_TRUE(opened);
    w.settings.sync();
    EXPECT_FALSE(std::filesystem::exists(w.folder / "small_128x64.bmp"));
    // Cancel leaves the choices as they were before the window opened.
    EXPECT_EQ(LoadPrepareOptions(w.settings).fit, Fit::Contain);
    EXPECT_EQ(LoadPrepareOptions(w.settings).brightness, 0);
    EXPECT_FALSE(w.form.findChild<QPushButton*>("ConvertButton")->isEnabled());
}

TEST(PrepareWindowTest, SaveAsRefusesThePictureItselfAndAnUnreadablePictureIsExplained) {
    Window w;
    WritePhoto(w.folder / "photo.png");
    const std::string photo = ReadFile(w.folder / "photo.png");
    WhenPrepareWindowOpens(
        [&w](PrepareWindow& window) {
            window.setSaveNameAsker([&w](const QString&) { return Q(w.folder / "photo.png"); });
            QTest::mouseClick(window.findChild<QPushButton*>("SaveButton"), Qt::LeftButton);
            window.setSaveNameAsker([&w](const QString&) { return Q(w.folder / "elsewhere.bmp"); });
        },
        "SaveButton");
    QTimer::singleShot(50, [] {
        if (auto* window = qobject_cast<PrepareWindow*>(QApplication::activeModalWidget())) {
            window->reject();
        }
    });
    w.form.PreparePicture(Q(w.folder / "photo.png"));
    EXPECT_EQ(ReadFile(w.folder / "photo.png"), photo);
    ASSERT_EQ(w.messages.texts.size(), 1);
    EXPECT_TRUE(w.messages.texts.front().contains("is the picture itself"));
    EXPECT_EQ(ReadFile(w.folder / "elsewhere.bmp").size(), 62U + 16U * 64U);

    test::WriteFile(w.folder / "note.png", "not a picture");
    w.messages.texts.clear();
    w.form.OpenPath(Q(w.folder / "note.png"));
    ASSERT_EQ(w.messages.texts.size(), 1);
    EXPECT_EQ(w.messages.texts.front(),
              "note.png cannot be prepared: the picture could not be read (not a picture in a "
              "format this machine reads)");
}

// Rotate and mirror are the command line's --rotate and --mirror: the same core code, the
// same bytes.
TEST(PrepareWindowTest, RotateAndMirrorWriteWhatTheCommandLineWrites) {
    Window w;
    QImage photo(150, 90, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y, qRgb(x * 255 / 150, y * 255 / 90, x < 30 && y < 20 ? 0 : 255));
        }
    }
    ASSERT_TRUE(photo.save(Q(w.folder / "turn.png")));
    struct Turn {
        int rotateIndex;
        int mirrorIndex;
        const char* rotate;
        const char* mirror;
    };
    for (const Turn& turn : {Turn{1, 0, "90", "none"}, Turn{2, 1, "180", "horizontal"},
                             Turn{3, 2, "270", "vertical"}, Turn{0, 1, "0", "horizontal"}}) {
        SCOPED_TRACE(std::string(turn.rotate) + " " + turn.mirror);
        WhenPrepareWindowOpens(
            [&turn](PrepareWindow& window) {
                window.findChild<QComboBox*>("RotateBox")->setCurrentIndex(turn.rotateIndex);
                window.findChild<QComboBox*>("MirrorBox")->setCurrentIndex(turn.mirrorIndex);
                EXPECT_EQ(window.rotation(), std::stoi(turn.rotate));
            },
            "UseButton");
        w.form.PreparePicture(Q(w.folder / "turn.png"));
        QProcess cli;
        cli.setWorkingDirectory(Q(w.folder.path()));
        QStringList arguments{"prepare", "--rotate", turn.rotate, "-o", "cli.bmp", "turn.png"};
        if (std::string(turn.mirror) != "none") {
            arguments << "--mirror" << turn.mirror;
        }
        cli.start(PELMORA_CLI, arguments);
        ASSERT_TRUE(cli.waitForFinished(30000));
        ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        EXPECT_EQ(ReadFile(w.folder / "cli.bmp"), ReadFile(w.folder / "turn_128x64.bmp"));
    }
}

// The title names the picture; brightness and contrast have number boxes and a reset; Save
// BMP adds .bmp to a bare name and asks before replacing a file of that name; a tiny
// picture is shown with sharp pixels.
TEST(PrepareWindowTest, TitleNumbersResetSaveNameAndSharpPixels) {
    Window w;
    QImage tiny(10, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            tiny.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    ASSERT_TRUE(tiny.save(Q(w.folder / "tiny.png")));
    test::WriteFile(w.folder / "kept.bmp", "an older file");
    int asked = 0;
    WhenPrepareWindowOpens(
        [&](PrepareWindow& window) {
            EXPECT_EQ(window.windowTitle(), QString("Prepare picture \u2014 tiny.png (10 x 10)"));
            auto* slider = window.findChild<QSlider*>("BrightnessSlider");
            auto* number = window.findChild<QSpinBox*>("BrightnessBox");
            ASSERT_NE(number, nullptr);
            number->setValue(-35);
            EXPECT_EQ(slider->value(), -35);
            EXPECT_EQ(window.options().brightness, -35);
            slider->setValue(20);
            EXPECT_EQ(number->value(), 20);
            QTest::mouseClick(window.findChild<QToolButton*>("BrightnessReset"), Qt::LeftButton);
            EXPECT_EQ(window.options().brightness, 0);
            window.findChild<QSpinBox*>("ContrastBox")->setValue(50);
            QTest::mouseClick(window.findChild<QToolButton*>("ContrastReset"), Qt::LeftButton);
            EXPECT_EQ(window.options().contrast, 0);

            // Sharp: the enlarged picture holds only the picture's two colours.
            const QImage shown = window.findChild<QLabel*>("SourceView")->pixmap().toImage();
            ASSERT_GT(shown.width(), 100);
            QSet<QRgb> colours;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    colours.insert(shown.pixel(x, y) & 0xFFFFFF);
                }
            }
            EXPECT_EQ(colours, (QSet<QRgb>{0x000000, 0xFFFFFF}));

            window.setSaveNameAsker([&w](const QString&) { return Q(w.folder / "bare"); });
            QTest::mouseClick(window.findChild<QPushButton*>("SaveButton"), Qt::LeftButton);
            EXPECT_EQ(ReadFile(w.folder / "bare.bmp").size(), 62U + 16U * 64U);
            EXPECT_FALSE(std::filesystem::exists(w.folder / "bare"));

            window.setSaveNameAsker([&w](const QString&) { return Q(w.folder / "kept"); });
            window.setReplaceAsker([&asked](const QString&) {
                ++asked;
                return false;
            });
            QTest::mouseClick(window.findChild<QPushButton*>("SaveButton"), Qt::LeftButton);
            EXPECT_EQ(ReadFile(w.folder / "kept.bmp"), "an older file");
            window.setReplaceAsker([&asked](const QString&) {
                ++asked;
                return true;
            });
            QTest::mouseClick(window.findChild<QPushButton*>("SaveButton"), Qt::LeftButton);
            EXPECT_EQ(ReadFile(w.folder / "kept.bmp").size(), 62U + 16U * 64U);
        },
        "CancelButton");
    w.form.PreparePicture(Q(w.folder / "tiny.png"));
    EXPECT_EQ(asked, 2);
}

TEST(PrepareWindowTest, EscapeKeepsTheChoicesMadeBefore) {
    Window w;
    WritePhoto(w.folder / "photo.png");
    WhenPrepareWindowOpens(
        [](PrepareWindow& window) {
            window.findChild<QComboBox*>("DitherBox")->setCurrentIndex(2);
        },
        "UseButton");
    w.form.PreparePicture(Q(w.folder / "photo.png"));
    ASSERT_EQ(LoadPrepareOptions(w.settings).dither, Dither::Bayer);
    QTimer::singleShot(0, [] {
        auto* window = qobject_cast<PrepareWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->options().dither, Dither::Bayer);
        window->findChild<QComboBox*>("DitherBox")->setCurrentIndex(1);
        QTest::keyClick(window, Qt::Key_Escape);
    });
    w.form.PreparePicture(Q(w.folder / "photo.png"));
    EXPECT_EQ(LoadPrepareOptions(w.settings).dither, Dither::Bayer);
}

} // namespace
} // namespace pelmora
