// SPDX-License-Identifier: GPL-3.0-or-later
#include "startfolder.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace {

QString description(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The path the current folder had, also after it was removed (the system then adds
// " (deleted)"); the shell's PWD when the system does not say.
QString formerPath()
{
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/cwd", buffer, PATH_MAX);
    if (n > 0) {
        QByteArray path(buffer, n);
        if (path.endsWith(" (deleted)"))
            path.chop(10);
        return QFile::decodeName(path);
    }
    return QFile::decodeName(qgetenv("PWD"));
}

} // namespace

StartFolder StartFolder::current()
{
    StartFolder folder;
    char buffer[PATH_MAX + 1];
    if (!::getcwd(buffer, sizeof buffer)) {
        folder.problem = description(errno);
        folder.path = formerPath();
        return folder;
    }
    folder.path = QFile::decodeName(buffer);
    if (DIR *dir = ::opendir(buffer))
        ::closedir(dir);
    else
        folder.problem = description(errno);
    return folder;
}
