// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class FileListBox;

namespace ListRefresh {

// Reads the list's folder again and selects the entry that was selected before, when it is
// still there, without choosing it: the pane keeps its (maybe edited) text and stays tied to
// that entry, so that a later Save writes where it did before.
void keepingSelection(FileListBox &list);

} // namespace ListRefresh
