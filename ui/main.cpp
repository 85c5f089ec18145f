// Pelmora: the desktop window.

#include "core/conversion/conversion_state.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/message_box.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QSettings>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pelmora");
    QApplication::setApplicationVersion("0.1");
    QApplication::setWindowIcon(pelmora::ProgramIcon());
    QApplication::setFont(pelmora::WindowFont());

    pelmora::ConversionState state;
    pelmora::QtMessageBox messages;
    pelmora::MainWindow window(state, messages, pelmora::TwipsScale::ofScreen());
    QSettings settings("Pelmora", "Pelmora");
    window.useSettings(&settings);
    window.Init_Form(pelmora::StartFolder(pelmora::ProgramFolder(), QDir::homePath()));

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        window.OpenPath(arguments.at(1));
    }
    if (const QScreen* screen = window.screen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
    window.show();
    return QApplication::exec();
}
