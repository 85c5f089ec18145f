#include "platform/controls.h"

#include <QCoreApplication>
#include <QLabel>

namespace pelmora {

void ShowTextNow(QLabel& label, const QString& text) {
    label.setText(text);
    label.repaint();
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

} // namespace pelmora
