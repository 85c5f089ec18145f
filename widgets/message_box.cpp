#include "widgets/message_box.h"

#include <QLabel>
#include <QMessageBox>

namespace pelmora {

namespace {

constexpr int kLongWord = 30;           // characters: shorter words wrap as they are
constexpr QChar kBreak = QChar(0x200B); // zero width space: a break that shows nothing

} // namespace

QString WrappablePaths(const QString& text) {
    QString wrapped;
    wrapped.reserve(text.size() + text.size() / 8);
    int word = 0;
    for (const QChar c : text) {
        wrapped += c;
        word = c.isSpace() ? 0 : word + 1;
        if (word >= kLongWord && (c == '/' || c == '\\' || c == '_' || c == '-' || c == '.')) {
            wrapped += kBreak;
        }
    }
    // A run with no separator at all still breaks, every kLongWord characters.
    QString result;
    word = 0;
    for (const QChar c : wrapped) {
        result += c;
        word = c.isSpace() || c == kBreak ? 0 : word + 1;
        if (word >= 2 * kLongWord) {
            result += kBreak;
            word = 0;
        }
    }
    return result;
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& title,
                                            const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, WrappablePaths(text),
                                             QMessageBox::Ok, owner);
    box->setTextFormat(Qt::PlainText);
    if (auto* label = box->findChild<QLabel*>("qt_msgbox_label")) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse); // a path can be copied
    }
    return box;
}

void QtMessageBox::show(QWidget* owner, const QString& title, const QString& text) {
    MakeMessageBox(owner, title, text)->exec();
}

} // namespace pelmora
