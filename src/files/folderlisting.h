// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

class FilePattern;

// Joins a folder and a name; a folder that already ends in the separator (the root "/") gets
// no second one.
QString joinPath(const QString &folder, const QString &name);

// One line of the folder list: the ancestors of a folder from the root down, the folder itself,
// then its subfolders one level deeper.
struct FolderEntry
{
    enum Kind { Ancestor, Current, Child };

    QString name; // what the list shows; the root shows as "/"
    QString path; // clean absolute path
    int depth = 0;
    Kind kind = Child;

    bool operator==(const FolderEntry &) const = default;
};

namespace FolderListing {

// Clean absolute form of a folder path: no "." or "..", no trailing separator except for the
// root "/". Empty stays empty (rather than becoming the working folder).
QString cleanPath(const QString &folder);

// Names of the regular files (and symlinks to files) directly in the folder that match the
// pattern, hidden files left out, sorted by sortNames(). On failure returns an
// empty list and sets *error.
QStringList files(const QString &folder, const FilePattern &pattern, QString *error = nullptr);

// Names of the folders directly in the folder, hidden ones left out, sorted like files().
QStringList subfolders(const QString &folder, QString *error = nullptr);

// Entries for a clean absolute path and the names of its subfolders (no file system access).
QList<FolderEntry> entries(const QString &path, const QStringList &subfolderNames);

// Entries for a folder read from disk. On failure returns an empty list and sets *error.
QList<FolderEntry> entries(const QString &folder, QString *error = nullptr);

// Sorts names as a file manager does: by the language's rules, regardless of case, numbers by
// their value; names that compare equal keep a fixed order.
void sortNames(QStringList &names, const QLocale &locale = QLocale());

} // namespace FolderListing
