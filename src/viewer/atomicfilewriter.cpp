#include "atomicfilewriter.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    // Closing can report a late write error (on network file systems): it is checked.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// A failure: errno's description, or a text of our own.
struct Failure
{
    QString reason;
};
Failure systemFailure(int error)
{
    return {qt_error_string(error)};
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The file a path names in the end: a save writes a link's target and keeps the link.
QByteArray followLinks(QByteArray path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length <= 0)
            return path;
        QByteArray next(target, length);
        path = next.startsWith('/') ? next : folderOf(path) + '/' + next;
    }
    return path; // a loop: opening it reports that
}

std::optional<Failure> writePiece(int fd, QByteArrayView bytes, off_t &offset)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(qMin<qsizetype>(left, 1 << 30)), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemFailure(errno);
        if (n == 0)
            return systemFailure(ENOSPC);
        data += n;
        left -= n;
        offset += n;
    }
    return std::nullopt;
}

// Writes the content from the file's start and cuts the file after it.
std::optional<Failure> writeAt(int fd, const AtomicFileWriter::Content &content)
{
    off_t offset = 0;
    std::optional<Failure> failure;
    const bool made = content([&](QByteArrayView piece) {
        failure = writePiece(fd, piece, offset);
        return !failure;
    });
    if (failure)
        return failure;
    if (!made)
        return Failure{QStringLiteral("the text could not be converted for the file")};
    if (::ftruncate(fd, offset) != 0)
        return systemFailure(errno);
    return std::nullopt;
}

std::optional<Failure> writeAt(int fd, const QByteArray &bytes)
{
    return writeAt(fd, [&bytes](const AtomicFileWriter::Writer &write) { return write(bytes); });
}

std::optional<Failure> readAll(int fd, QByteArray *bytes, qint64 size)
{
    if (size > qint64(std::numeric_limits<qsizetype>::max() / 2))
        return systemFailure(EFBIG);
    bytes->resize(qsizetype(size));
    qsizetype done = 0;
    while (done < bytes->size()) {
        const ssize_t n = ::pread(fd, bytes->data() + done, size_t(bytes->size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemFailure(errno);
        if (n == 0)
            break;
        done += n;
    }
    bytes->truncate(done);
    return std::nullopt;
}

// A new file with a short name in the folder, so that a name near the system's limit can still be
// saved and the rename stays on one file system.
int createBeside(const QByteArray &folder, const char *kind, mode_t mode, QByteArray *name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "/.pagewell-" + kind + '-' +
                QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

enum class Replaced { Done, NeedsInPlace };

bool isPermissionError(int error)
{
    return error == EACCES || error == EPERM;
}

// Writes a temporary file and renames it over the target. Tells when an existing file cannot be
// replaced as itself (its owner or group cannot be given to the new file, or the folder may not
// be changed), so that the caller writes it in place instead.
std::optional<Failure> replace(const QByteArray &target, const struct stat *existing,
                               const AtomicFileWriter::Content &content, Replaced *outcome)
{
    *outcome = Replaced::Done;
    const QByteArray folder = folderOf(target);
    QByteArray temporary;
    // A new file gets the usual permissions (0666 less the umask); an existing one its own.
    Descriptor fd(createBeside(folder, "save", existing ? 0600 : 0666, &temporary));
    if (fd.get() < 0) {
        if (existing && isPermissionError(errno))
            *outcome = Replaced::NeedsInPlace;
        return systemFailure(errno);
    }
    const auto fail = [&temporary](Failure failure) {
        ::unlink(temporary.constData());
        return std::optional<Failure>(failure);
    };
    if (existing) {
        struct stat made;
        if (::fstat(fd.get(), &made) != 0)
            return fail(systemFailure(errno));
        if ((made.st_uid != existing->st_uid || made.st_gid != existing->st_gid) &&
            ::fchown(fd.get(), existing->st_uid, existing->st_gid) != 0) {
            *outcome = Replaced::NeedsInPlace;
            return fail({});
        }
        // After the owner: a change of owner clears the set-user-ID and set-group-ID bits.
        if (::fchmod(fd.get(), existing->st_mode & 07777) != 0)
            return fail(systemFailure(errno));
    }
    if (auto failure = writeAt(fd.get(), content))
        return fail(*failure);
    if (::fsync(fd.get()) != 0)
        return fail(systemFailure(errno));
    if (!fd.close())
        return fail(systemFailure(errno));
    if (::rename(temporary.constData(), target.constData()) != 0) {
        if (existing && isPermissionError(errno))
            *outcome = Replaced::NeedsInPlace;
        return fail(systemFailure(errno));
    }
    syncFolder(folder);
    return std::nullopt;
}

// Writes the file itself, so that every name and the file's identity stay. Its old bytes are
// kept in memory and, when the folder allows it, in a copy beside it (in case the program ends
// midway); a failed write puts them back.
std::optional<Failure> writeInPlace(const QByteArray &target,
                                    const AtomicFileWriter::Content &content)
{
    Descriptor fd(::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0)
        return systemFailure(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return systemFailure(errno);
    QByteArray old;
    if (auto failure = readAll(fd.get(), &old, st.st_size))
        return failure;

    QByteArray backup;
    {
        Descriptor copy(createBeside(folderOf(target), "backup", 0600, &backup));
        bool kept = copy.get() >= 0;
        if (kept) {
            kept = !writeAt(copy.get(), old) && ::fsync(copy.get()) == 0 && copy.close();
            if (!kept)
                ::unlink(backup.constData());
        }
        if (!kept)
            backup.clear(); // the copy in memory has to do
    }
    std::optional<Failure> failure = writeAt(fd.get(), content);
    if (!failure && ::fsync(fd.get()) != 0)
        failure = systemFailure(errno);
    if (!failure && !fd.close())
        failure = systemFailure(errno);
    if (failure) {
        if (fd.get() >= 0 && !writeAt(fd.get(), old) && ::fsync(fd.get()) == 0) {
            if (!backup.isEmpty())
                ::unlink(backup.constData());
        } else if (!backup.isEmpty()) {
            failure->reason += QStringLiteral("; its old content is kept in %1")
                                   .arg(QDir::toNativeSeparators(QFile::decodeName(backup)));
        }
        return failure;
    }
    if (!backup.isEmpty())
        ::unlink(backup.constData());
    return std::nullopt;
}

} // namespace

QString AtomicFileWriter::write(const QString &path, const QByteArray &bytes, bool follow)
{
    return write(
        path, [&bytes](const Writer &write) { return write(bytes); }, follow);
}

QString AtomicFileWriter::write(const QString &path, const Content &content, bool follow)
{
    const QByteArray target =
        follow ? followLinks(QFile::encodeName(path)) : QFile::encodeName(path);
    struct stat st;
    bool exists =
        (follow ? ::stat(target.constData(), &st) : ::lstat(target.constData(), &st)) == 0;
    // A link that is not to be followed is replaced by the new file, as a missing file would be.
    if (exists && S_ISLNK(st.st_mode))
        exists = false;
    else if (!exists && errno != ENOENT)
        return QStringLiteral("Cannot save %1: %2")
            .arg(QDir::toNativeSeparators(path), systemFailure(errno).reason);
    std::optional<Failure> failure;
    if (exists && !S_ISREG(st.st_mode)) {
        failure = Failure{S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder")
                                              : QStringLiteral("it is not a regular file")};
    } else if (exists && ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0) {
        // A file its owner made read-only stays as it is, although a writable folder would
        // let a new file take its place.
        failure = systemFailure(errno);
    } else if (exists && st.st_nlink > 1) {
        failure = writeInPlace(target, content);
    } else {
        Replaced outcome;
        failure = replace(target, exists ? &st : nullptr, content, &outcome);
        if (outcome == Replaced::NeedsInPlace)
            failure = writeInPlace(target, content);
    }
    if (!failure)
        return {};
    return QStringLiteral("Cannot save %1: %2")
        .arg(QDir::toNativeSeparators(path), failure->reason);
}
