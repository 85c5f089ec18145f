#pragma once

#include <QListWidget>

namespace pelmora {

class MessageBox;

// The current folder with the folders above it, opened, and the folders inside it
// below. Double-click or Enter on an entry makes it the current folder.
class FolderList : public QListWidget {
    Q_OBJECT

  public:
    explicit FolderList(MessageBox& messages, QWidget* parent = nullptr);

    QString path() const { return path_; }

    // Shows path and raises pathChanged when it differs from the current one. A folder
    // that cannot be read is refused with a message; the list stays as it was.
    bool setPath(const QString& path);

  signals:
    void pathChanged(const QString& path);

  public:
    // Type-to-find on the folder's name, past the indent that shows its depth.
    void keyboardSearch(const QString& search) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void openItem(QListWidgetItem* item);
    void fill();

    MessageBox& messages_;
    QString path_;
    QString typed_;
    qint64 typedAt_ = 0;
};

} // namespace pelmora
