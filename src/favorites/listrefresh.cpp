// SPDX-License-Identifier: GPL-3.0-or-later
#include "listrefresh.h"

#include "controls/filelistbox.h"

namespace ListRefresh {

void keepingSelection(FileListBox &list)
{
    const QString selected = list.fileName();
    list.refresh();
    list.selectQuietly(selected);
}

} // namespace ListRefresh
