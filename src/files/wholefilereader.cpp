// SPDX-License-Identifier: GPL-3.0-or-later
#include "wholefilereader.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

using Status = WholeFileReader::Status;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

WholeFileReader::Result failure(Status status, const QString &error)
{
    WholeFileReader::Result result;
    result.status = status;
    result.error = error;
    return result;
}

WholeFileReader::Result openFailure(const QString &path, int error)
{
    // A name listed with replacement characters for bytes that are not valid UTF-8 cannot be
    // turned back into those bytes; saying "not found" would hide why.
    if (error == ENOENT && path.contains(QChar::ReplacementCharacter))
        return failure(Status::Failed,
                       QStringLiteral("%1 cannot be opened: its name is not valid in the system's "
                                      "encoding (UTF-8); rename the file to show it")
                           .arg(native(path)));
    if (error == ENOENT || error == ENOTDIR)
        return failure(Status::NotFound, QStringLiteral("File not found: %1").arg(native(path)));
    if (error == ENXIO) // a socket, or a device without its hardware
        return failure(Status::NotRegular, WholeFileReader::notRegularMessage(path));
    return failure(Status::Failed,
                   QStringLiteral("Cannot open %1: %2").arg(native(path), systemError(error)));
}

// Closes the descriptor however the read ends.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// Reads up to size bytes into buffer, block by block; fewer when the file ends sooner. -1 with
// errno on error, -2 when cancelled.
qint64 readUpTo(int fd, char *buffer, qint64 size, const WholeFileReader::Limits &limits)
{
    qint64 got = 0;
    while (got < size) {
        if (limits.cancel && limits.cancel->load(std::memory_order_relaxed))
            return -2;
        const size_t chunk = size_t(std::min<qint64>(size - got, WholeFileReader::blockSize));
        const ssize_t n = ::read(fd, buffer + got, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        got += n;
        if (limits.progress)
            limits.progress(got, size);
    }
    return got;
}

} // namespace

QString WholeFileReader::notRegularMessage(const QString &path)
{
    return QStringLiteral("%1 is not a regular file").arg(native(path));
}

QString WholeFileReader::outOfMemoryMessage(const QString &path)
{
    return QStringLiteral("%1 is too large to show with the memory available").arg(native(path));
}

WholeFileReader::Result WholeFileReader::read(const QString &path, qint64 maximumSize)
{
    Limits limits;
    limits.maximumSize = maximumSize;
    return read(path, limits);
}

WholeFileReader::Opened WholeFileReader::open(const QString &path)
{
    Opened opened;
    const auto fail = [&opened](const Result &failed) {
        opened.status = failed.status;
        opened.error = failed.error;
        return opened;
    };
    const QByteArray encoded = QFile::encodeName(path);
    if (path.isEmpty() || encoded.contains('\0'))
        return fail(openFailure(path, ENOENT));

    // Looked at before opening: opening a device can already do something (a tape rewinds, a
    // modem line hangs up), and opening a socket fails with an unhelpful error.
    struct stat info
    {
    };
    if (::stat(encoded.constData(), &info) != 0)
        return fail(openFailure(path, errno));
    if (!S_ISREG(info.st_mode))
        return fail(failure(Status::NotRegular, notRegularMessage(path)));

    // Without blocking, in case a pipe took the file's place since the look; the file may not
    // become our controlling terminal either.
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(openFailure(path, errno));
    Descriptor owner(fd);
    if (::fstat(fd, &info) != 0)
        return fail(
            failure(Status::Failed,
                    QStringLiteral("Cannot read %1: %2").arg(native(path), systemError(errno))));
    if (!S_ISREG(info.st_mode))
        return fail(failure(Status::NotRegular, notRegularMessage(path)));
    // A regular file after all: reads may wait for the disk as usual.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    opened.status = Status::Ok;
    opened.fd = owner.release();
    opened.size = info.st_size;
    return opened;
}

SourceMap::Identity WholeFileReader::identity(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QString WholeFileReader::tooLargeMessage(const QString &path, qint64 size, qint64 maximumSize)
{
    return QStringLiteral("%1 is too large to show (%2 MiB; Pagewell shows files up to %3 MiB)")
        .arg(native(path))
        .arg(size >> 20)
        .arg(maximumSize >> 20);
}

WholeFileReader::Result WholeFileReader::read(const QString &path, const Limits &limits)
{
    const Opened opened = open(path);
    if (opened.status != Status::Ok)
        return failure(opened.status, opened.error);
    Descriptor fd(opened.fd);

    // Files whose size the system reports as 0 (such as those in /proc) may still hold data;
    // they are read up to the largest size allowed.
    const qint64 size = opened.size;
    const bool sizeUnknown = size == 0;
    const qint64 wanted = sizeUnknown ? std::min<qint64>(limits.maximumSize, 1 << 20) : size;
    if (size > limits.maximumSize)
        return failure(Status::TooLarge, tooLargeMessage(path, size, limits.maximumSize));
    if (!limits.budget.allows(size * std::max<qint64>(limits.memoryPerByte, 1)))
        return failure(Status::OutOfMemory, outOfMemoryMessage(path));

    Result result;
    try {
        result.bytes.resize(wanted);
    } catch (const std::bad_alloc &) {
        return failure(Status::OutOfMemory, outOfMemoryMessage(path));
    }
    // Never more than the size taken at the start: a file that keeps growing cannot hold the
    // window. A file that shrank keeps what was there.
    const qint64 got = readUpTo(fd.get(), result.bytes.data(), wanted, limits);
    if (got == -2)
        return failure(Status::Failed, QString());
    if (got < 0)
        return failure(Status::Failed,
                       QStringLiteral("Cannot read %1: %2").arg(native(path), systemError(errno)));
    result.bytes.truncate(got);
    if (sizeUnknown && got == wanted) {
        char probe = 0;
        if (::read(fd.get(), &probe, 1) == 1)
            return failure(Status::TooLarge,
                           QStringLiteral("%1 is too large to show").arg(native(path)));
    }
    result.status = Status::Ok;
    return result;
}
