#include "widgets/file_list.h"

#include <QDir>
#include <QKeyEvent>

namespace pelmora {

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit fileActivated(item->text()); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FileList::refresh);
}

void FileList::setPath(const QString& path) {
    if (!path_.isEmpty()) {
        watcher_.removePath(path_);
    }
    path_ = path;
    clear();
    watcher_.addPath(path_);
    refresh();
}

void FileList::refresh() {
    const QString selected = selectedFileName();
    // QDir matches name filters without regard to letter case unless told otherwise.
    const QStringList names = QDir(path_).entryList(
        {"*.bmp"}, QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    setUpdatesEnabled(false);
    clear();
    addItems(names);
    setUpdatesEnabled(true);
    if (!selected.isEmpty()) {
        selectFileName(selected);
    }
}

QString FileList::selectedFileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

bool FileList::selectFileName(const QString& name) {
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) {
        return false;
    }
    setCurrentItem(found.first());
    found.first()->setSelected(true);
    scrollToItem(found.first());
    return true;
}

void FileList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !selectedFileName().isEmpty()) {
        emit fileActivated(selectedFileName());
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace pelmora
