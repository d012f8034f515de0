#include "app/folderlisting.h"

#include "app/filepattern.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
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

// Checks before listing, because QDirIterator silently yields nothing for a folder it cannot
// open and the user must be told why the list is empty.
bool checkFolder(const QString &folder, QString *error)
{
    QString message;
    const QFileInfo info(folder);
    const QString shown = QDir::toNativeSeparators(folder);
    if (folder.isEmpty() || !info.exists())
        message = tr("Folder %1 does not exist").arg(shown);
    else if (!info.isDir())
        message = tr("%1 is not a folder").arg(shown);
    else if (!info.isReadable() || !info.isExecutable())
        message = tr("Cannot read folder %1").arg(shown);
    if (message.isEmpty())
        return true;
    if (error)
        *error = message;
    return false;
}

QStringList list(const QString &folder, QDir::Filters filters, const FilePattern *pattern,
                 QString *error)
{
    if (error)
        error->clear();
    if (!checkFolder(folder, error))
        return {};
    QStringList names;
    // No QDir::Hidden: dot-names stay out. QDir::Files follows symlinks to files.
    QDirIterator it(folder, filters | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (name.startsWith(u'.'))
            continue;
        if (pattern && !pattern->matches(name))
            continue;
        names.append(name);
    }
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

void sortNames(QStringList &names)
{
    // Folding each name once beats folding both sides of every comparison.
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(names.size());
    for (QString &name : names)
        keyed.emplace_back(name.toCaseFolded(), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    for (qsizetype i = 0; i < names.size(); ++i)
        names[i] = std::move(keyed[i].second);
}

QStringList files(const QString &folder, const FilePattern &pattern, QString *error)
{
    return list(folder, QDir::Files, &pattern, error);
}

QStringList subfolders(const QString &folder, QString *error)
{
    return list(folder, QDir::Dirs, nullptr, error);
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
