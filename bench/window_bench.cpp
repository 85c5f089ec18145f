// The window's own figures, from the real window on the platform it runs on (offscreen,
// or a display under xvfb-run):
//   Convert click until "Successed" (with its 99 forced repaints of the progress label)
//   Preview's Show until the panel is drawn
//   launch until the main window is first painted (a fresh process each time)
//
//     pelmora-window-bench EXAMPLES_DIR [RUNS]

#include "core/conversion/conversion_state.h"
#include "preview/preview_window.h"
#include "ui/main_window.h"
#include "ui/prepare_window.h"
#include "widgets/fonts.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace pelmora;

struct Figures {
    std::vector<double> ms;
    void add(double value) { ms.push_back(value); }
    double median() {
        std::sort(ms.begin(), ms.end());
        return ms.empty() ? 0 : ms[ms.size() / 2];
    }
    double min() { return ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
};

void Report(const char* what, Figures& figures) {
    std::printf("%-34s median %8.3f ms   min %8.3f ms   (%zu runs)\n", what, figures.median(),
                figures.min(), figures.ms.size());
}

// Paints once, says so and leaves: the child side of the launch measurement.
class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->objectName() == "Form1") {
            std::puts("painted");
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }
};

// Clicks button runs times, timing each click and the painting it leaves behind.
// check, when given, must hold after every click.
bool TimeClicks(QPushButton* button, int runs, Figures& figures,
                const std::function<bool()>& check = {}) {
    for (int i = 0; i < runs; ++i) {
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(button, Qt::LeftButton);
        if (check && !check()) {
            return false;
        }
        QApplication::processEvents(); // what the click left to paint is part of its cost
        figures.add(timer.nsecsElapsed() / 1e6);
    }
    return true;
}

int Launch(const QString& folder) {
    ConversionState state;
    QtMessageBox messages;
    MainWindow window(state, messages, TwipsScale::ofScreen());
    window.Init_Form(folder);
    FirstPaint watcher;
    window.installEventFilter(&watcher);
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setFont(WindowFont());
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() >= 3 && arguments[1] == "--launch") {
        return Launch(arguments[2]);
    }
    if (arguments.size() < 2) {
        std::fputs("usage: pelmora-window-bench EXAMPLES_DIR [RUNS]\n", stderr);
        return 2;
    }
    const QString examples = arguments[1];
    const int runs = arguments.size() > 2 ? arguments[2].toInt() : 50;

    QTemporaryDir work;
    QFile::copy(examples + "/logo.bmp", work.path() + "/logo.bmp");
    ConversionState state;
    QtMessageBox messages;
    MainWindow window(state, messages, TwipsScale::ofScreen());
    window.Init_Form(work.path());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fputs("the window never showed\n", stderr);
        return 1;
    }
    window.OpenPath(work.path() + "/logo.bmp");
    auto* convert = window.findChild<QPushButton*>("ConvertButton");
    auto* status = window.findChild<QLabel*>("StatusValue");

    Figures convertFigures;
    if (!TimeClicks(convert, runs, convertFigures,
                    [status] { return status->text() == "Successed"; })) {
        std::fputs("conversion failed\n", stderr);
        return 1;
    }
    Report("Convert click to \"Successed\"", convertFigures);

    PreviewWindow preview(state, messages, TwipsScale::ofScreen(), &window);
    preview.show();
    if (!QTest::qWaitForWindowExposed(&preview)) {
        std::fputs("the preview never showed\n", stderr);
        return 1;
    }
    auto* show = preview.findChild<QPushButton*>("ShowButton");
    Figures showFigures;
    TimeClicks(show, runs, showFigures);
    Report("Show until the panel is drawn", showFigures);
    preview.close();

    // Prepare picture on a 640 x 480 photo: each move of the brightness slider, until the
    // panel is drawn again.
    RgbaPicture photo{640, 480, std::vector<std::uint8_t>(640 * 480 * 4, 255)};
    for (int y = 0; y < photo.height; ++y) {
        for (int x = 0; x < photo.width; ++x) {
            std::uint8_t* pixel = &photo.rgba[(static_cast<std::size_t>(y) * 640 + x) * 4];
            pixel[0] = static_cast<std::uint8_t>((x * 255) / 639);
            pixel[1] = static_cast<std::uint8_t>((y * 255) / 479);
            pixel[2] = static_cast<std::uint8_t>(((x + y) * 7) % 256);
        }
    }
    PrepareWindow prepare(work.path() + "/photo.jpg", photo, 128, 64, {}, messages, &window);
    prepare.show();
    if (!QTest::qWaitForWindowExposed(&prepare)) {
        std::fputs("the prepare window never showed\n", stderr);
        return 1;
    }
    // Each change made runs times, timed until the panel is drawn again.
    const auto timeChanges = [runs](const char* what, const std::function<void(int)>& change) {
        Figures figures;
        for (int i = 0; i < runs; ++i) {
            QApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            change(i);
            QApplication::processEvents();
            figures.add(timer.nsecsElapsed() / 1e6);
        }
        Report(what, figures);
    };
    auto* brightness = prepare.findChild<QSlider*>("BrightnessSlider");
    timeChanges("Prepare: a control moved until redrawn",
                [brightness](int i) { brightness->setValue(i % 2 == 0 ? 10 : -10); });
    // The fit changed: the shown part is scaled again from the whole photo.
    auto* fit = prepare.findChild<QComboBox*>("FitBox");
    timeChanges("Prepare: the fit changed until redrawn",
                [fit](int i) { fit->setCurrentIndex(i % 2 == 0 ? 1 : 0); });
    prepare.close();

    Figures launchFigures;
    for (int i = 0; i < std::max(5, runs / 5); ++i) {
        QProcess child;
        QElapsedTimer timer;
        timer.start();
        child.start(QApplication::applicationFilePath(), {"--launch", work.path()});
        if (!child.waitForFinished(10000) || !child.readAllStandardOutput().startsWith("painted")) {
            std::fputs("launch did not paint\n", stderr);
            return 1;
        }
        launchFigures.add(timer.nsecsElapsed() / 1e6);
    }
    Report("Launch to first paint", launchFigures);
    return 0;
}
