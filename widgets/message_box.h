#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace pelmora {

// A message with a title and an OK button; returns when the user has closed it.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void show(QWidget* owner, const QString& title, const QString& text) = 0;
};

// text with a break allowed after every separator of a long path, so that a message box
// wraps a path too long for its line instead of cutting it off at the end.
QString WrappablePaths(const QString& text);

// The box QtMessageBox shows, made but not yet shown: wraps long paths within its width.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& title,
                                            const QString& text);

// The platform's own message box: no icon, OK only.
class QtMessageBox : public MessageBox {
  public:
    void show(QWidget* owner, const QString& title, const QString& text) override;
};

} // namespace pelmora
