// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/filelistbox.h"

#include "files/folderlisting.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>

FileListBox::FileListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true); // keeps layout cheap for folders with 100,000 files
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16)); // a compact list, as many names as fit
    m_fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
}

bool FileListBox::setPath(const QString &folder, QString *error)
{
    return read(FolderListing::cleanPath(folder), error);
}

void FileListBox::setPattern(const QString &pattern)
{
    m_pattern = FilePattern(pattern);
    if (!m_path.isEmpty())
        refresh();
}

void FileListBox::refresh()
{
    if (m_path.isEmpty() || !read(m_path, nullptr))
        clear();
}

bool FileListBox::read(const QString &folder, QString *error)
{
    QString failure;
    const QStringList names = FolderListing::files(folder, m_pattern, &failure);
    if (!failure.isEmpty()) {
        if (error)
            *error = failure;
        return false;
    }
    m_path = folder;
    fill(names);
    return true;
}

void FileListBox::fill(const QStringList &names)
{
    clear();
    // One insertion for all rows; then the icons, with the model quiet so 100,000 entries do
    // not mean 100,000 change notifications (the rows are laid out after this anyway).
    addItems(names);
    {
        const QSignalBlocker quiet(model());
        for (int row = 0; row < count(); ++row)
            item(row)->setIcon(m_fileIcon);
    }
    scrollToTop();
}

QString FileListBox::fileName() const
{
    const int row = listIndex();
    return row < 0 ? QString() : item(row)->text();
}

int FileListBox::listIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

bool FileListBox::setListIndex(int index)
{
    if (index == -1) {
        clearSelection();
        return true;
    }
    if (index < 0 || index >= count())
        return false;
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
    emit chosen();
    return true;
}

bool FileListBox::selectQuietly(const QString &name)
{
    const QList<QListWidgetItem *> found =
        name.isEmpty() ? QList<QListWidgetItem *>{}
                       : findItems(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (found.isEmpty()) {
        clearSelection();
        return false;
    }
    setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
    scrollToItem(found.first());
    return true;
}

void FileListBox::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event->button(), event->globalPosition().toPoint());
    // Only the left button picks: the pop-up menu on the right button acts on the entry that
    // was selected before.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
    const QListWidgetItem *clicked = itemAt(event->position().toPoint());
    if (clicked && clicked->isSelected())
        emit chosen();
}

void FileListBox::mouseMoveEvent(QMouseEvent *event)
{
    // Dragging with the button down would move the selection without a new choice.
    if (event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    QListWidget::mouseMoveEvent(event);
}

void FileListBox::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (event->reason() != QContextMenuEvent::Mouse)
        requestMenuFromKeyboard();
}

void FileListBox::requestMenuFromKeyboard()
{
    const QListWidgetItem *current = currentItem();
    const QRect at = current ? visualItemRect(current) : QRect();
    emit menuKeyPressed(viewport()->mapToGlobal(at.isValid() ? at.center() : QPoint(4, 4)));
}

void FileListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        event->accept();
        requestMenuFromKeyboard();
        return;
    }
    const int before = listIndex();
    QListWidget::keyPressEvent(event);
    const int after = listIndex();
    if (after >= 0 && after != before)
        emit chosen();
}
