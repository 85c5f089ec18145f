#include "widgets/folder_list.h"

#include "widgets/message_box.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

#include <algorithm>

namespace pelmora {

namespace {

constexpr int kPathRole = Qt::UserRole;

} // namespace

FolderList::FolderList(MessageBox& messages, QWidget* parent)
    : QListWidget(parent), messages_(messages) {
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::openItem);
}

bool FolderList::setPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = QDir::cleanPath(info.absoluteFilePath());
    if (!info.isDir() || !QDir(canonical).isReadable()) {
        messages_.show(window(), "Directory",
                       "The folder " + QDir::toNativeSeparators(canonical) +
                           (info.exists() ? " cannot be read." : " does not exist."));
        return false;
    }
    if (canonical == path_) {
        return true;
    }
    path_ = canonical;
    fill();
    emit pathChanged(path_);
    return true;
}

void FolderList::fill() {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QStringList chain;
    for (QDir dir(path_);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp()) {
            break;
        }
    }
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& folder : chain) {
        const QString name =
            depth == 0 ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(open, QString(depth * 2, ' ') + name, this);
        item->setData(kPathRole, folder);
        current = item;
        ++depth;
    }
    const QStringList inside = QDir(path_).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : inside) {
        auto* item = new QListWidgetItem(closed, QString(depth * 2, ' ') + name, this);
        item->setData(kPathRole, QDir(path_).filePath(name));
    }
    setCurrentItem(current);
    scrollToItem(current);
}

void FolderList::openItem(QListWidgetItem* item) {
    if (item != nullptr) {
        setPath(item->data(kPathRole).toString());
    }
}

void FolderList::keyboardSearch(const QString& search) {
    if (search.isEmpty() || count() == 0) {
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool goingOn = now - typedAt_ < QApplication::keyboardInputInterval();
    typedAt_ = now;
    // One letter typed again steps to the next folder with it, as Qt's own lists do.
    const bool repeated = !goingOn || (typed_.size() == 1 && typed_ == search);
    typed_ = goingOn && !repeated ? typed_ + search : search;
    const int start = std::max(0, currentRow()) + (repeated ? 1 : 0);
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem* candidate = item((start + i) % count());
        if (candidate->text().trimmed().startsWith(typed_, Qt::CaseInsensitive)) {
            setCurrentItem(candidate);
            scrollToItem(candidate);
            return;
        }
    }
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace pelmora
