// SPDX-License-Identifier: GPL-3.0-or-later
// GLib's headers come first: they use the word "signals", which Qt defines as a macro.
#include <gio/gio.h>

#include "filedisposal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool fail(QString *error, const QString &path, const QString &reason)
{
    if (error)
        *error = QStringLiteral("Cannot remove %1: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

} // namespace

bool FileDisposal::discard(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return fail(error, path, QStringLiteral("the file was not found"));
    if (info.isDir() && !info.isSymLink())
        return fail(error, path, QStringLiteral("it is a folder, not a file"));

    // GIO follows the desktop's trash rules (the home trash, or the trash at the top of the
    // file's own file system) with a bounded number of steps, and fails cleanly when no trash
    // can take the file; the file then stays where it is.
    GFile *file = g_file_new_for_path(QFile::encodeName(path).constData());
    GError *failure = nullptr;
    const bool trashed = g_file_trash(file, nullptr, &failure);
    g_object_unref(file);
    if (trashed)
        return true;
    const QString reason = failure ? QString::fromUtf8(failure->message)
                                   : QStringLiteral("it could not be moved to the trash");
    g_clear_error(&failure);
    return fail(error, path, reason);
}
