// SPDX-License-Identifier: GPL-3.0-or-later
#include "posixfile.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <QFile>
#include <QRandomGenerator>
#include <unistd.h>

namespace PosixFile {

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void Descriptor::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

bool Descriptor::close()
{
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
}

QString reason(int error)
{
    return qt_error_string(error);
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

int writeAll(int fd, QByteArrayView bytes, off_t &offset)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(qMin<qsizetype>(left, 1 << 30)), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        data += n;
        left -= n;
        offset += n;
    }
    return 0;
}

int copyContent(int from, int to, off_t size, const std::function<void(qint64)> &progress)
{
    QByteArray block(1 << 20, Qt::Uninitialized);
    off_t done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(from, block.data(), size_t(qMin<off_t>(block.size(), size - done)), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO; // shorter than it was a moment ago
        off_t at = done;
        if (const int error = writeAll(to, QByteArrayView(block.constData(), n), at))
            return error;
        done = at;
        if (progress)
            progress(done);
    }
    if (::ftruncate(to, size) != 0)
        return errno;
    return 0;
}

int syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

namespace {
// The process's start time in clock ticks since boot, from /proc; empty where there is none.
QByteArray startTimeOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold blanks: the fields are counted after it.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? fields.at(19) : QByteArray(); // field 22 of the whole line
}
} // namespace

QByteArray processTag()
{
    static const QByteArray tag =
        QByteArray::number(qint64(::getpid())) + '-' + startTimeOf(::getpid());
    return tag;
}

bool isRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

bool isRunning(const QByteArray &tag)
{
    const qsizetype dash = tag.indexOf('-');
    bool ok = false;
    const qint64 pid = tag.left(dash).toLongLong(&ok);
    if (!ok || !isRunning(pid))
        return false;
    const QByteArray started = dash < 0 ? QByteArray() : tag.mid(dash + 1);
    return started.isEmpty() || started == startTimeOf(pid);
}

int createUnique(const QByteArray &folder, const char *kind, mode_t mode, QByteArray *name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "/.pagewell-" + kind + '-' + QByteArray::number(qint64(::getpid())) + '-' +
                QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        const int fd = ::open(name->constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

qint64 leftoverPid(const QByteArray &name, const char *kind)
{
    const QByteArray prefix = QByteArray(".pagewell-") + kind + '-';
    if (!name.startsWith(prefix))
        return -1;
    const qsizetype dash = name.indexOf('-', prefix.size());
    if (dash < 0)
        return -1;
    bool ok = false;
    const qint64 pid = name.mid(prefix.size(), dash - prefix.size()).toLongLong(&ok);
    return ok ? pid : -1;
}

} // namespace PosixFile
