// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <QString>

// Rules of the display operation that need no window.
namespace DisplayRules {

// The formatting labels are offered for names whose last three characters are exactly "rtf" or
// "RTF" (a mixed-case ending does not count; no dot is needed before them).
bool isRichTextFileName(const QString &name);

// What the folder label's caption says about the current folder.
enum class FolderKind {
    Root,   // the path ends in the separator: a name follows directly
    Deeper, // a folder below a root: a separator goes between
    None,   // no folder chosen (the start-up fallback): nothing is read
};
FolderKind folderKind(const QString &folderCaption);

// The path of a file of the file list, joined by the folder label's rule; empty optional when the
// caption names no folder.
std::optional<QString> filePath(const QString &folderCaption, const QString &folderPath,
                                const QString &name);

// The caption of the reader window for a shown file.
QString readerCaption(const QString &name);

} // namespace DisplayRules
