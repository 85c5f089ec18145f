// Pelmora: the desktop window.

#include "core/conversion/conversion_state.h"
#include "ui/main_window.h"
#include "widgets/controls.h"
#include "widgets/fonts.h"
#include "widgets/message_box.h"
#include "widgets/screen_fit.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QSettings>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelmora");
    QApplication::setApplicationVersion("0.1");
    QApplication::setWindowIcon(pelmora::ProgramIcon());
    QApplication::setFont(pelmora::WindowFont());

    // Laid out in twips at the screen's scale, unless that is taller or wider than the
    // screen has room for: then smaller, as one.
    pelmora::TwipsScale scale = pelmora::TwipsScale::ofScreen();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableGeometry().size() - QSize(16, pelmora::kFrameAllowance);
        scale = pelmora::ScaleToFit(scale, pelmora::MainWindow::twipsSize(), room);
    }
    pelmora::ConversionState state;
    pelmora::QtMessageBox messages;
    pelmora::MainWindow window(state, messages, scale);
    QSettings settings("Pelmora", "Pelmora");
    window.useSettings(&settings);
    const QString remembered = window.rememberedFolder();
    window.Init_Form(!remembered.isEmpty()
                         ? remembered
                         : pelmora::StartFolder(pelmora::ProgramFolder(), QDir::homePath()));

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        window.OpenPath(arguments.at(1));
    }
    window.placeOnScreen();
    window.show();
    // The frame is known once the window is up: then it is moved wholly onto the screen.
    QTimer::singleShot(0, &window, [&window] { pelmora::KeepOnScreen(window); });
    return QApplication::exec();
}
