// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileaccess.h"

#include <cerrno>
#include <QList>
#include <sys/xattr.h>
#include <unistd.h>

namespace FileAccess {

namespace {

const char accessAcl[] = "system.posix_acl_access";

QList<QByteArray> splitNames(const QByteArray &list)
{
    QList<QByteArray> names;
    for (const QByteArray &name : list.split('\0')) {
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

// The names of a file's extended attributes; false with errno set when they cannot be read.
bool namesOf(const QByteArray &path, int fd, QList<QByteArray> *names)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const ssize_t size =
            fd >= 0 ? ::flistxattr(fd, nullptr, 0) : ::llistxattr(path.constData(), nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? (names->clear(), true) : false;
        QByteArray list(size, '\0');
        const ssize_t got = fd >= 0 ? ::flistxattr(fd, list.data(), list.size())
                                    : ::llistxattr(path.constData(), list.data(), list.size());
        if (got < 0 && errno == ERANGE)
            continue; // grew meanwhile
        if (got < 0)
            return false;
        list.truncate(got);
        *names = splitNames(list);
        return true;
    }
    errno = ERANGE;
    return false;
}

bool valueOf(const QByteArray &path, const QByteArray &name, QByteArray *value)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const ssize_t size = ::lgetxattr(path.constData(), name.constData(), nullptr, 0);
        if (size < 0)
            return false;
        value->resize(size);
        const ssize_t got = ::lgetxattr(path.constData(), name.constData(), value->data(), size);
        if (got < 0 && errno == ERANGE)
            continue;
        if (got < 0)
            return false;
        value->truncate(got);
        return true;
    }
    errno = ERANGE;
    return false;
}

} // namespace

int copyOwner(int fd, const struct stat &existing)
{
    struct stat made;
    if (::fstat(fd, &made) != 0)
        return errno;
    if (made.st_uid == existing.st_uid && made.st_gid == existing.st_gid)
        return 0;
    return ::fchown(fd, existing.st_uid, existing.st_gid) == 0 ? 0 : errno;
}

int copyRest(const QByteArray &existingPath, int fd, const struct stat &existing)
{
    QList<QByteArray> names;
    if (!namesOf(existingPath, -1, &names))
        return errno;
    // A folder's default ACL gives a new file an access ACL of its own: a file that had none
    // must not gain the entries.
    QList<QByteArray> made;
    if (!namesOf({}, fd, &made))
        return errno;
    if (made.contains(accessAcl) && !names.contains(accessAcl) &&
        ::fremovexattr(fd, accessAcl) != 0)
        return errno;
    // After the owner: a change of owner clears the set-user-ID and set-group-ID bits. With an
    // ACL the group bits are its mask, which the ACL copied next sets again.
    if (::fchmod(fd, existing.st_mode & 07777) != 0)
        return errno;
    for (const QByteArray &name : names) {
        const bool needed = name == accessAcl || name.startsWith("user.");
        const bool wanted = name.startsWith("security.") || name.startsWith("trusted.");
        if (!needed && !wanted)
            continue; // a folder's default ACL, or the system's own
        QByteArray value;
        if (!valueOf(existingPath, name, &value)) {
            if (errno == ENODATA)
                continue; // removed meanwhile
            if (needed)
                return errno;
            continue;
        }
        if (::fsetxattr(fd, name.constData(), value.constData(), size_t(value.size()), 0) != 0 &&
            needed)
            return errno;
    }
    return 0;
}

} // namespace FileAccess
