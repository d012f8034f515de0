// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/dirlistbox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

constexpr int IconSide = 16;
constexpr int IndentStep = 12;

// The list has no per-row indentation, so the icon carries it: a pixmap with a transparent
// margin of depth steps on the left. A pixmap decoration keeps its own width in the row, so the
// name follows right after the icon.
QPixmap indentedIcon(const QIcon &icon, int depth, qreal ratio)
{
    const int width = depth * IndentStep + IconSide;
    QPixmap pixmap(QSize(width, IconSide) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    icon.paint(&painter, QRect(depth * IndentStep, 0, IconSide, IconSide));
    return pixmap;
}

} // namespace

DirListBox::DirListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

bool DirListBox::setPath(const QString &folder, QString *error)
{
    const QString path = FolderListing::cleanPath(folder);
    QString failure;
    const QList<FolderEntry> entries =
        FolderListing::entries(path.isEmpty() ? folder : path, &failure);
    if (!failure.isEmpty()) {
        if (error)
            *error = failure;
        return false;
    }
    const bool changed = path != m_path;
    m_path = path;
    fill(entries);
    if (changed)
        emit pathChanged();
    return true;
}

bool DirListBox::refresh(QString *error)
{
    if (m_path.isEmpty())
        return true;
    return setPath(m_path, error);
}

QString DirListBox::highlightedPath() const
{
    const QListWidgetItem *item = currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void DirListBox::fill(const QList<FolderEntry> &entries)
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const qreal ratio = devicePixelRatioF();
    int current = -1;
    for (const FolderEntry &entry : entries) {
        auto *item = new QListWidgetItem(entry.name, this);
        item->setData(Qt::UserRole, entry.path);
        item->setData(Qt::DecorationRole,
                      indentedIcon(entry.kind == FolderEntry::Child ? closedIcon : openIcon,
                                   entry.depth, ratio));
        item->setToolTip(entry.path);
        if (entry.kind == FolderEntry::Current)
            current = row(item);
    }
    if (current >= 0) {
        setCurrentRow(current, QItemSelectionModel::ClearAndSelect);
        scrollToItem(item(current));
    }
}

void DirListBox::open(QListWidgetItem *item)
{
    if (!item)
        return;
    QString error;
    if (!setPath(item->data(Qt::UserRole).toString(), &error))
        emit openFailed(error);
}

void DirListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (QListWidgetItem *target = itemAt(event->position().toPoint())) {
            // Not passed on: the rows are rebuilt, the base class must not touch the old ones.
            event->accept();
            open(target);
            return;
        }
    }
    QListWidget::mouseDoubleClickEvent(event);
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (QListWidgetItem *target = currentItem()) {
            event->accept();
            open(target);
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}
