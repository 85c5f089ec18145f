// Takes pictures of both windows as a user sees them after Convert and Show, for the
// documentation. Run under a real display (scripts/screenshots.sh uses Xvfb).
//
//     pelmora-screenshots EXAMPLES_DIR OUTPUT_DIR

#include "core/conversion_state.h"
#include "platform/fonts.h"
#include "platform/message_box.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QDir>
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
    std::fputs(saved ? "saved main-window.png and preview-window.png\n" : "failed\n", stderr);
    return saved ? 0 : 1;
}
