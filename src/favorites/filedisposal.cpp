#include "filedisposal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool fail(QString *error, const QString &path, const QString &reason)
{
    if (error)
        *error = QStringLiteral("Cannot remove %1: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

#if !defined(Q_OS_ANDROID) && !defined(Q_OS_IOS) && !defined(Q_OS_WASM)
// Qt 6.4 trashes into "files" of the working folder when it cannot set up the home trash
// (for instance when the data folder does not exist yet): such a move is taken back.
void undoStrayTrash(const QString &strayPath, const QString &original)
{
    QFile::rename(strayPath, original);
    const QFileInfo stray(strayPath);
    QDir folder = stray.dir();
    folder.cdUp();
    QFile::remove(
        folder.filePath(QStringLiteral("info/") + stray.fileName() + QStringLiteral(".trashinfo")));
    folder.rmdir(QStringLiteral("files"));
    folder.rmdir(QStringLiteral("info"));
}
#endif

} // namespace

bool FileDisposal::discard(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return fail(error, path, QStringLiteral("the file was not found"));
    if (info.isDir() && !info.isSymLink())
        return fail(error, path, QStringLiteral("it is a folder, not a file"));

#if defined(Q_OS_ANDROID) || defined(Q_OS_IOS) || defined(Q_OS_WASM)
    QFile file(path);
    if (!file.remove())
        return fail(error, path, file.errorString());
    return true;
#else
    // The home trash lives in the data folder, which Qt does not make when it is missing.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QFile file(path);
    if (!file.moveToTrash())
        return fail(error, path, file.errorString());
    if (QDir::isRelativePath(file.fileName())) {
        undoStrayTrash(file.fileName(), path);
        return fail(error, path, QStringLiteral("no trash folder is available for it"));
    }
    return true;
#endif
}
