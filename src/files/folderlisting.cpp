// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/folderlisting.h"

#include "files/filepattern.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("FolderListing", text);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A name that the system's encoding cannot carry back to the file: it was shown with
// replacement characters, and Qt cannot open the file under it.
bool nameCannotBeOpened(const QString &path)
{
    return path.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(path);
}

// Checks before listing, so that the user is told why the list is empty.
bool checkFolder(const QString &folder, QString *error)
{
    QString message;
    const QFileInfo info(folder);
    const QString shown = QDir::toNativeSeparators(folder);
    if (!folder.isEmpty() && nameCannotBeOpened(folder))
        message = tr("Folder %1 cannot be opened: its name is not valid in the system's encoding "
                     "(UTF-8); rename it to open it")
                      .arg(shown);
    else if (folder.isEmpty() || !info.exists())
        message = tr("Folder %1 does not exist").arg(shown);
    else if (!info.isDir())
        message = tr("%1 is not a folder").arg(shown);
    if (message.isEmpty())
        return true;
    if (error)
        *error = message;
    return false;
}

// Entries are read from the system as bytes: a name that is not valid UTF-8 is still listed,
// with replacement characters where its bytes make no sense.
QStringList list(const QString &folder, bool folders, const FilePattern *pattern, QString *error)
{
    if (error)
        error->clear();
    if (!checkFolder(folder, error))
        return {};
    const QByteArray encoded = QFile::encodeName(folder);
    DIR *dir = ::opendir(encoded.constData());
    if (!dir) {
        if (error)
            *error = tr("Cannot read folder %1: %2")
                         .arg(QDir::toNativeSeparators(folder), systemError(errno));
        return {};
    }
    const int fd = ::dirfd(dir);
    QStringList names;
    while (const dirent *entry = ::readdir(dir)) {
        const char *raw = entry->d_name;
        if (raw[0] == '.') // hidden, and "." and ".."
            continue;
        const QString name = QFile::decodeName(raw);
        if (pattern && !pattern->matches(name))
            continue;
        // The entry's own type when the file system tells it; links are followed.
        bool wanted = false;
        if (entry->d_type == DT_REG || entry->d_type == DT_DIR) {
            wanted = (entry->d_type == DT_DIR) == folders;
        } else {
            struct stat info
            {
            };
            if (::fstatat(fd, raw, &info, 0) == 0)
                wanted = folders ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode);
        }
        if (wanted)
            names.append(name);
    }
    ::closedir(dir);
    FolderListing::sortNames(names);
    return names;
}

} // namespace

namespace FolderListing {

QString cleanPath(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    return QDir::cleanPath(QDir(folder).absolutePath());
}

void sortNames(QStringList &names, const QLocale &locale)
{
    // As a file manager sorts: by the user's language, capitals or not, numbers by their value
    // ("file2" before "file10"). Without a language set, by English rules rather than bytes.
    QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English) : locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    // One key per name beats comparing the names themselves at every step.
    std::vector<std::pair<QCollatorSortKey, QString>> keyed;
    keyed.reserve(names.size());
    for (QString &name : names)
        keyed.emplace_back(collator.sortKey(name), std::move(name));
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        const int order = a.first.compare(b.first);
        return order != 0 ? order < 0 : a.second < b.second; // ties: a stable order all the same
    });
    for (qsizetype i = 0; i < names.size(); ++i)
        names[i] = std::move(keyed[i].second);
}

QStringList files(const QString &folder, const FilePattern &pattern, QString *error)
{
    return list(folder, false, &pattern, error);
}

QStringList subfolders(const QString &folder, QString *error)
{
    return list(folder, true, nullptr, error);
}

QList<FolderEntry> entries(const QString &path, const QStringList &subfolderNames)
{
    QList<FolderEntry> result;
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    result.append({QStringLiteral("/"), QStringLiteral("/"), 0,
                   parts.isEmpty() ? FolderEntry::Current : FolderEntry::Ancestor});
    QString ancestor;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        ancestor += u'/' + parts[i];
        result.append({parts[i], ancestor, int(i + 1),
                       i + 1 == parts.size() ? FolderEntry::Current : FolderEntry::Ancestor});
    }
    const QString current = result.last().path;
    const int childDepth = int(parts.size()) + 1;
    for (const QString &name : subfolderNames)
        result.append({name, joinPath(current, name), childDepth, FolderEntry::Child});
    return result;
}

QList<FolderEntry> entries(const QString &folder, QString *error)
{
    const QString path = cleanPath(folder);
    QString failure;
    const QStringList names = subfolders(path.isEmpty() ? folder : path, &failure);
    if (!failure.isEmpty()) {
        if (error)
            *error = failure;
        return {};
    }
    return entries(path, names);
}

} // namespace FolderListing
