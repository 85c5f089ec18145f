// Takes pictures of both windows as a user sees them after Convert and Show, for the
// documentation. Run under a real display (scripts/screenshots.sh uses Xvfb).
//
//     pelmora-screenshots EXAMPLES_DIR OUTPUT_DIR

#include "core/conversion/conversion_state.h"
#include "platform/fonts.h"
#include "platform/message_box.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: pelmora-screenshots EXAMPLES_DIR OUTPUT_DIR\n", stderr);
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
    pelmora::MainWindow window(state, messages, pelmora::TwipsScale::ofScreen());
    window.Init_Form(folder);
    window.show();
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
        QTest::qWait(300);
        saved = preview->grab().save(output + "/preview-window.png") && saved;
        preview->close();
    });
    QTest::mouseClick(window.findChild<QPushButton*>("PreviewButton"), Qt::LeftButton);

    // Prepare picture on a photo-like picture made here: a sunset of gradients and a disc.
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
    photo.save(folder + "/sunset.png");
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
    std::fputs(saved ? "saved main-window.png, preview-window.png and prepare-window.png\n"
                     : "failed\n",
               stderr);
    return saved ? 0 : 1;
}
