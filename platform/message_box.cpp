#include "platform/message_box.h"

#include <QMessageBox>

namespace pelmora {

void QtMessageBox::show(QWidget* owner, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    box.exec();
}

} // namespace pelmora
