#pragma once

#include <QString>

class QWidget;

namespace pelmora {

// A message with a title and an OK button; returns when the user has closed it.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void show(QWidget* owner, const QString& title, const QString& text) = 0;
};

// The platform's own message box: no icon, OK only.
class QtMessageBox : public MessageBox {
  public:
    void show(QWidget* owner, const QString& title, const QString& text) override;
};

} // namespace pelmora
