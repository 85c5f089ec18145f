// Takes pictures of the windows as a user sees them after Convert and Show (zoomed, a byte
// selected), of Output settings, of Prepare picture, and of an animated GIF's frames saved
// and played in the preview, for the documentation. Run under a
// real display (scripts/screenshots.sh uses Xvfb); QT_SCALE_FACTOR shows them at a scale.
// With "levels" it takes instead Output settings, Prepare picture and the preview on a
// panel of 16 greys and on tri-colour e-paper, to look at.
//
//     pelmora-screenshots EXAMPLES_DIR OUTPUT_DIR [levels]

#include "core/conversion/conversion_state.h"
#include "gif/gif_writer.h"
#include "preview/preview_window.h"
#include "ui/main_window.h"
#include "ui/output_settings.h"
#include "ui/prepare_window.h"
#include "widgets/fonts.h"
#include "widgets/message_box.h"
#include "widgets/picture_box.h"
#include "widgets/screen_fit.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string_view>

namespace {

// A photo-like picture: a sunset of gradients and a disc.
QImage Sunset() {
    QImage photo(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            const int dx = x - 420;
            const int dy = y - 200;
            const bool sun = dx * dx + dy * dy < 70 * 70;
            photo.setPixel(x, y,
                           sun       ? qRgb(255, 230, 120)
                           : y > 330 ? qRgb(20 + x / 16, 40 + (y - 330) / 2, 30)
                                     : qRgb(255 - y / 3, 120 + y / 4, 60 + y / 2));
        }
    }
    return photo;
}

// For each of a panel of greys and tri-colour e-paper: Output settings with its preset
// picked, the sunset in Prepare picture, used, converted and shown in the preview.
bool TakeLevels(pelmora::MainWindow& window, const QString& folder, const QString& output) {
    bool saved = Sunset().save(folder + "/sunset.png");
    // The same with the sun cut out, for a panel with a mask.
    QImage clear = Sunset().convertToFormat(QImage::Format_ARGB32);
    for (int y = 130; y < 270; ++y) {
        for (int x = 350; x < 490; ++x) {
            if ((x - 420) * (x - 420) + (y - 200) * (y - 200) < 70 * 70) {
                clear.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
        }
    }
    saved = clear.save(folder + "/sunset-clear.png") && saved;
    for (const char* preset : {"ssd1322", "gxepd2-3c", "uc1610"}) {
        const QString name = preset;
        const bool masked = name == "uc1610";
        QTimer::singleShot(300, [&] {
            QWidget* settings = QApplication::activeModalWidget();
            auto* panel =
                settings != nullptr ? settings->findChild<QComboBox*>("PanelBox") : nullptr;
            if (panel == nullptr) {
                saved = false;
                return;
            }
            panel->setCurrentIndex(panel->findData(name));
            if (masked) {
                settings->findChild<QComboBox*>("MaskBox")->setCurrentIndex(1);
            }
            QTest::qWait(300);
            saved = settings->grab().save(output + "/output-settings-" + name + ".png") && saved;
            qobject_cast<QDialog*>(settings)->accept();
        });
        window.ResetWindow(); // the dots of the last panel fit no other
        window.ShowOutputSettings();
        QTimer::singleShot(300, [&] {
            QWidget* prepare = QApplication::activeModalWidget();
            if (prepare == nullptr) {
                saved = false;
                return;
            }
            QTest::qWait(300);
            saved = prepare->grab().save(output + "/prepare-" + name + ".png") && saved;
            QTest::mouseClick(prepare->findChild<QPushButton*>("UseButton"), Qt::LeftButton);
        });
        window.OpenPath(folder + (masked ? "/sunset-clear.png" : "/sunset.png"));
        QTest::mouseClick(window.findChild<QPushButton*>("ConvertButton"), Qt::LeftButton);
        QTest::qWait(300);
        saved = window.grab().save(output + "/main-window-" + name + ".png") && saved;
        QTimer::singleShot(300, [&] {
            auto* preview =
                qobject_cast<pelmora::PreviewWindow*>(QApplication::activeModalWidget());
            if (preview == nullptr) {
                saved = false;
                return;
            }
            QTest::mouseClick(preview->findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
            QTest::qWait(300);
            auto* lcd = preview->findChild<pelmora::PictureBox*>("LcdPic");
            const QPoint dot = lcd->contentsRect().topLeft() + QPoint(150, 40) * lcd->zoom();
            QTest::mouseClick(lcd, Qt::LeftButton, {}, dot);
            QTest::mouseMove(lcd, dot);
            QTest::qWait(300);
            saved = preview->grab().save(output + "/preview-" + name + ".png") && saved;
            preview->close();
        });
        QTest::mouseClick(window.findChild<QPushButton*>("PreviewButton"), Qt::LeftButton);
    }
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool levels = argc == 4 && std::string_view(argv[3]) == "levels";
    if (argc != 3 && !levels) {
        std::fputs("usage: pelmora-screenshots EXAMPLES_DIR OUTPUT_DIR [levels]\n", stderr);
        return 2;
    }
    QApplication::setFont(pelmora::WindowFont());
    const QString examples = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);

    // Work on copies so that the examples folder gains no output files.
    QTemporaryDir work;
    const QString folder = work.path() + "/examples";
    QDir().mkpath(folder);
    for (const QString& name : QDir(examples).entryList({"*.bmp"}, QDir::Files)) {
        QFile::copy(examples + "/" + name, folder + "/" + name);
    }

    pelmora::ConversionState state;
    pelmora::QtMessageBox messages;
    pelmora::TwipsScale scale = pelmora::TwipsScale::ofScreen();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        scale = pelmora::ScaleToFit(scale, pelmora::MainWindow::twipsSize(),
                                    screen->availableGeometry().size() -
                                        QSize(16, pelmora::kFrameAllowance));
    }
    pelmora::MainWindow window(state, messages, scale);
    window.Init_Form(folder);
    window.show();
    if (levels) {
        const bool took = TakeLevels(window, folder, output);
        std::fputs(took ? "saved the pictures of ssd1322, gxepd2-3c and a masked uc1610\n"
                        : "failed\n",
                   stderr);
        return took ? 0 : 1;
    }
    window.OpenPath(folder + "/logo.bmp");
    QTest::qWait(300);
    QTest::mouseClick(window.findChild<QPushButton*>("ConvertButton"), Qt::LeftButton);
    QTest::qWait(300);
    bool saved = window.grab().save(output + "/main-window.png");

    QTimer::singleShot(300, [&] {
        QWidget* preview = QApplication::activeModalWidget();
        if (preview == nullptr) {
            saved = false;
            return;
        }
        QTest::mouseClick(preview->findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
        if (auto* form2 = qobject_cast<pelmora::PreviewWindow*>(preview)) {
            form2->setZoom(2);
        }
        QTest::qWait(300);
        // The pointer over a dot of the logo's ring, and that byte selected.
        auto* lcd = preview->findChild<pelmora::PictureBox*>("LcdPic");
        const QPoint dot = lcd->contentsRect().topLeft() + QPoint(21, 12) * lcd->zoom();
        QTest::mouseClick(lcd, Qt::LeftButton, {}, dot);
        QTest::mouseMove(lcd, dot);
        QTest::qWait(300);
        saved = preview->grab().save(output + "/preview-window.png") && saved;
        preview->close();
    });
    QTest::mouseClick(window.findChild<QPushButton*>("PreviewButton"), Qt::LeftButton);

    QTimer::singleShot(300, [&] {
        QWidget* settings = QApplication::activeModalWidget();
        if (settings == nullptr) {
            saved = false;
            return;
        }
        saved = settings->grab().save(output + "/output-settings.png") && saved;
        settings->close();
    });
    window.ShowOutputSettings();

    // Prepare picture on a photo-like picture made here.
    Sunset().save(folder + "/sunset.png");
    QTimer::singleShot(300, [&] {
        QWidget* prepare = QApplication::activeModalWidget();
        if (prepare == nullptr) {
            saved = false;
            return;
        }
        QTest::qWait(300);
        saved = prepare->grab().save(output + "/prepare-window.png") && saved;
        prepare->close();
    });
    window.OpenPath(folder + "/sunset.png");

    // A spinner of eight frames: a bar turning about a dot, slower each frame.
    pelmora::GifAnimation spinner;
    spinner.width = 128;
    spinner.height = 64;
    spinner.palette = {0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF};
    spinner.frames = 8;
    spinner.delayMs = [](int n) {
        return 50 + 50 * n;
    };
    spinner.row = [](int n, int y, std::uint8_t* indices) {
        const double angle = n * std::numbers::pi / 4;
        for (int x = 0; x < 128; ++x) {
            const double dx = x - 64;
            const double dy = y - 32;
            const double along = dx * std::sin(angle) - dy * std::cos(angle);
            const double across = dx * std::cos(angle) + dy * std::sin(angle);
            const bool bar = along > 8 && along < 28 && std::abs(across) < 4;
            indices[x] = bar || dx * dx + dy * dy < 16 ? 1 : 0;
        }
    };
    const pelmora::EncodedGif gif = pelmora::EncodeGif(spinner);
    QFile gifFile(folder + "/spinner.gif");
    saved = gif.ok() && gifFile.open(QIODevice::WriteOnly) &&
            gifFile.write(gif.bytes.data(), static_cast<qint64>(gif.bytes.size())) ==
                static_cast<qint64>(gif.bytes.size()) &&
            saved;
    gifFile.close();
    QTimer::singleShot(300, [&] {
        auto* prepare = qobject_cast<pelmora::PrepareWindow*>(QApplication::activeModalWidget());
        if (prepare == nullptr) {
            saved = false;
            return;
        }
        prepare->setFramesNameAsker([&](const QString&) { return folder + "/lcd_spinner.txt"; });
        QTest::mouseClick(prepare->findChild<QPushButton*>("SaveFramesButton"), Qt::LeftButton);
        prepare->findChild<QSlider*>("FrameSlider")->setValue(1);
        QTest::qWait(300);
        saved = prepare->grab().save(output + "/prepare-frames.png") && saved;
        QTimer::singleShot(300, [&] {
            QWidget* preview = QApplication::activeModalWidget();
            if (preview == nullptr || preview == prepare) {
                saved = false;
                return;
            }
            QTest::mouseClick(preview->findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
            preview->findChild<QSlider*>("FrameSlider")->setValue(2);
            QTest::qWait(300);
            saved = preview->grab().save(output + "/preview-frames.png") && saved;
            preview->close();
            prepare->close();
        });
        QTest::mouseClick(prepare->findChild<QPushButton*>("PreviewFramesButton"), Qt::LeftButton);
    });
    window.OpenPath(folder + "/spinner.gif");
    std::fputs(saved ? "saved main-window.png, preview-window.png, output-settings.png, "
                       "prepare-window.png, prepare-frames.png and preview-frames.png\n"
                     : "failed\n",
               stderr);
    return saved ? 0 : 1;
}
