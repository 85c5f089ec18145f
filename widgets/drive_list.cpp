#include "widgets/drive_list.h"

#include "widgets/message_box.h"

#include <QDir>

#include <algorithm>

namespace pelmora {

namespace {

bool IsPseudoFileSystem(const QByteArray& type) {
    static const QList<QByteArray> kPseudo = {
        "proc",       "sysfs",      "devtmpfs",  "devpts",      "cgroup",  "cgroup2",
        "securityfs", "pstore",     "debugfs",   "tracefs",     "mqueue",  "hugetlbfs",
        "configfs",   "fusectl",    "bpf",       "binfmt_misc", "autofs",  "efivarfs",
        "nsfs",       "rpc_pipefs", "selinuxfs", "ramfs",       "squashfs"};
    return kPseudo.contains(type);
}

QString Describe(const QStorageInfo& volume) {
    QString root = QDir::toNativeSeparators(volume.rootPath());
#ifdef Q_OS_WIN
    root = root.left(2).toLower();
#endif
    const QString name = volume.displayName();
    return name.isEmpty() || name == volume.rootPath() ? root : root + "  [" + name + "]";
}

} // namespace

QList<QStorageInfo> ListedVolumes() {
    QList<QStorageInfo> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && !IsPseudoFileSystem(volume.fileSystemType()) &&
            !volume.rootPath().startsWith("/proc") && !volume.rootPath().startsWith("/sys")) {
            volumes << volume;
        }
    }
    const QStorageInfo root = QStorageInfo::root();
    if (!std::any_of(volumes.begin(), volumes.end(),
                     [&](const QStorageInfo& v) { return v.rootPath() == root.rootPath(); })) {
        volumes << root;
    }
    std::sort(volumes.begin(), volumes.end(), [&](const QStorageInfo& a, const QStorageInfo& b) {
        const bool aRoot = a.rootPath() == root.rootPath();
        const bool bRoot = b.rootPath() == root.rootPath();
        return aRoot != bRoot ? aRoot : a.rootPath() < b.rootPath();
    });
    return volumes;
}

DriveList::DriveList(MessageBox& messages, QWidget* parent)
    : QComboBox(parent), messages_(messages) {
    refresh();
    connect(this, &QComboBox::activated, this, &DriveList::onActivated);
}

void DriveList::refresh() {
    const QSignalBlocker quiet(this);
    clear();
    for (const QStorageInfo& volume : ListedVolumes()) {
        addItem(Describe(volume), volume.rootPath());
    }
    const int index = indexOfRoot(current_);
    setCurrentIndex(index);
}

QString DriveList::drive() const {
    return current_;
}

int DriveList::indexOfRoot(const QString& root) const {
    return root.isEmpty() ? -1 : findData(root);
}

void DriveList::setDrive(const QString& path) {
    const QString root = QStorageInfo(path).rootPath();
    if (root.isEmpty()) {
        return;
    }
    if (indexOfRoot(root) < 0) {
        refresh();
        if (indexOfRoot(root) < 0) {
            const QSignalBlocker quiet(this);
            addItem(QDir::toNativeSeparators(root), root);
        }
    }
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(indexOfRoot(root));
    }
    if (root != current_) {
        current_ = root;
        emit driveChanged(current_);
    }
}

void DriveList::onActivated(int index) {
    const QString root = itemData(index).toString();
    if (root == current_) {
        return;
    }
    // A volume that went away or cannot be read: say so and stay on the current one.
    const QStorageInfo volume(root);
    if (!volume.isValid() || !volume.isReady() || !QDir(root).isReadable()) {
        const QSignalBlocker quiet(this);
        setCurrentIndex(indexOfRoot(current_));
        messages_.show(window(), "Drive",
                       "The drive " + QDir::toNativeSeparators(root) +
                           " is not ready or cannot be read.");
        return;
    }
    current_ = root;
    emit driveChanged(current_);
}

} // namespace pelmora
