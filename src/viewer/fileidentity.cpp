// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileidentity.h"

#include <QFile>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace {
ShownFile::Identity identityFrom(const struct stat &st)
{
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}
} // namespace

ShownFile::Identity FileIdentity::of(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return identityFrom(st);
}

ShownFile::Identity FileIdentity::ofOpen(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return {};
    return identityFrom(st);
}

ShownFile::Identity FileIdentity::ofName(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return identityFrom(st);
}

QString FileIdentity::resolved(const QString &path)
{
    char buffer[PATH_MAX];
    if (!::realpath(QFile::encodeName(path).constData(), buffer))
        return {};
    return QFile::decodeName(buffer);
}
