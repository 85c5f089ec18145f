#pragma once

#include "widgets/message_box.h"

#include <QStringList>

namespace pelmora::test {

// Records messages instead of waiting for a user to close them.
class FakeMessageBox : public MessageBox {
  public:
    void show(QWidget*, const QString& title, const QString& text) override {
        titles << title;
        texts << text;
    }
    QStringList titles;
    QStringList texts;
};

} // namespace pelmora::test
