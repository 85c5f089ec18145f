#pragma once

#include <QFileSystemWatcher>
#include <QListWidget>

namespace pelmora {

// The files of one folder whose names match "*.bmp" in any letter case, sorted. A single
// click selects a name; a double-click or Enter raises fileActivated. Files added to or
// removed from the folder show up by themselves.
class FileList : public QListWidget {
    Q_OBJECT

  public:
    explicit FileList(QWidget* parent = nullptr);

    QString path() const { return path_; }
    void setPath(const QString& path);

    // The bare name selected, empty when nothing is.
    QString selectedFileName() const;
    // Selects name when it is listed.
    bool selectFileName(const QString& name);

    // Lists the folder again, keeping the selection where the name is still there.
    void refresh();

  signals:
    void fileActivated(const QString& name);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString path_;
    QFileSystemWatcher watcher_;
};

} // namespace pelmora
