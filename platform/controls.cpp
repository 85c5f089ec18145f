#include "platform/controls.h"

#include <QCoreApplication>
#include <QIcon>
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

namespace pelmora {

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/pelmora/icon-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace pelmora
