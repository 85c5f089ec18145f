#include "platform/controls.h"

#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QLabel>

namespace pelmora {

void ShowTextNow(QLabel& label, const QString& text) {
    label.setText(text);
    label.repaint();
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/pelmora/icon-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString StartFolder(const QString& programFolder, const QString& homeFolder) {
    static const QStringList kSystemFolders = {"/bin",           "/sbin",      "/usr/bin",
                                               "/usr/sbin",      "/usr/games", "/usr/local/bin",
                                               "/usr/local/sbin"};
    const QString folder = QDir::cleanPath(programFolder);
#ifdef PELMORA_INSTALL_BINDIR
    if (folder == QDir::cleanPath(PELMORA_INSTALL_BINDIR)) {
        return homeFolder;
    }
#endif
    return kSystemFolders.contains(folder) ? homeFolder : folder;
}

} // namespace pelmora
