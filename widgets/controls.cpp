#include "widgets/controls.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>

namespace pelmora {

void ShowTextNow(QLabel& label, const QString& text) {
    label.setText(text);
    label.repaint();
}

namespace {

class EnterClicks : public QObject {
  public:
    explicit EnterClicks(QAbstractButton& button) : QObject(&button), button_(button) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                key->modifiers() == Qt::NoModifier && button_.isEnabled()) {
                button_.click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QAbstractButton& button_;
};

} // namespace

void ClickOnEnter(QAbstractButton& button) {
    button.installEventFilter(new EnterClicks(button));
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
