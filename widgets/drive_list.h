#pragma once

#include <QComboBox>
#include <QStorageInfo>

namespace pelmora {

class MessageBox;

// The volumes that hold files: drive letters on Windows; on other systems the mounted
// volumes, the root file system first and pseudo file systems left out.
class DriveList : public QComboBox {
    Q_OBJECT

  public:
    explicit DriveList(MessageBox& messages, QWidget* parent = nullptr);

    // The root of the current volume ("C:/" or "/").
    QString drive() const;

    // Selects the volume that holds path (a drive letter and colon, or any folder on it).
    // Raises driveChanged whenever the current volume changes, also from here.
    void setDrive(const QString& path);

    // Lists the volumes again, keeping the current one where it is still there.
    void refresh();

  signals:
    void driveChanged(const QString& root);

  private:
    void onActivated(int index);
    int indexOfRoot(const QString& root) const;

    MessageBox& messages_;
    QString current_;
};

// Volumes as offered in the list: real file systems only, root first, then by path.
QList<QStorageInfo> ListedVolumes();

} // namespace pelmora
