#include "listrefresh.h"

#include "app/filelistbox.h"

namespace ListRefresh {

void keepingSelection(FileListBox &list)
{
    const QString selected = list.fileName();
    list.refresh();
    if (selected.isEmpty())
        return;
    const QList<QListWidgetItem *> found =
        list.findItems(selected, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty())
        return;
    list.setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
    list.scrollToItem(found.first());
}

} // namespace ListRefresh
