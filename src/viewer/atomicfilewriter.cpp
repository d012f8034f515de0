// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomicfilewriter.h"

#include "viewer/fileaccess.h"
#include "viewer/posixfile.h"
#include "viewer/savejournal.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace PosixFile;
using Step = AtomicFileWriter::Step;

namespace {
// Set while a content is written over the file's own bytes.
thread_local bool inPlace = false;

// The file a content is being written to, for copyRange(), and whether to go on.
struct Output
{
    int fd = -1;
    off_t *offset = nullptr;
    int error = 0;
    bool stopped = false;
};
thread_local Output *output = nullptr;
thread_local const AtomicFileWriter::Going *going = nullptr;

// The system's copy between files, which the file system may do without the bytes passing
// through here; off where a test wants the plain reads and writes.
bool rangeCopyOffered = true;

// False once the write should stop: the caller's going said so.
bool goOn(Output &out)
{
    if (going && *going && !(*going)(qint64(*out.offset)))
        out.stopped = true;
    return !out.stopped;
}
} // namespace

namespace {

AtomicFileWriter::Checkpoint checkpoint = nullptr;

void reached(Step step, qint64 bytes = 0)
{
    if (checkpoint)
        checkpoint(step, bytes);
}

// A failure: errno's description, or a text of our own.
struct Failure
{
    QString reason;
};
Failure systemFailure(int error)
{
    return {reason(error)};
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

// Writes the content from the file's start and cuts the file after it.
std::optional<Failure> writeContent(int fd, const AtomicFileWriter::Content &content)
{
    off_t offset = 0;
    Output out{fd, &offset};
    Output *const outer = std::exchange(output, &out);
    const bool made = content([&](QByteArrayView piece) {
        out.error = writeAll(fd, piece, offset);
        if (!out.error)
            reached(Step::Content, offset);
        return !out.error && goOn(out);
    });
    output = outer;
    if (out.stopped)
        return Failure{QStringLiteral("the save was cancelled")};
    if (out.error)
        return systemFailure(out.error);
    if (!made)
        return Failure{QStringLiteral("the text could not be converted for the file")};
    if (::ftruncate(fd, offset) != 0)
        return systemFailure(errno);
    return std::nullopt;
}

bool isPermissionError(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// A new file in folder for the target's new content: without a name where the file system
// offers that, so that a kill leaves nothing behind; else with a name that tells the process.
int createNew(const QByteArray &folder, mode_t mode, QByteArray *name)
{
    name->clear();
    const int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (fd >= 0)
        return fd;
    return createUnique(folder, "save", mode, name);
}

// Gives an unnamed file a name in folder; 0 or the errno value.
int nameNew(int fd, const QByteArray &folder, QByteArray *name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "/.pagewell-save-" + QByteArray::number(qint64(::getpid())) + '-' +
                QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        // The file's own descriptor needs a privilege; its entry in /proc does not.
        if (::linkat(fd, "", AT_FDCWD, name->constData(), AT_EMPTY_PATH) == 0)
            return 0;
        if (errno == EEXIST)
            continue;
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, name->constData(), AT_SYMLINK_FOLLOW) ==
            0)
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

enum class Replaced { Done, NeedsInPlace };

// Writes a new file and renames it over the target. Tells when an existing file cannot be
// replaced as itself (its owner, group, ACL or attributes cannot be given to the new file, or
// the folder may not be changed), so that the caller writes it in place instead.
std::optional<Failure> replace(const QByteArray &target, const struct stat *existing,
                               const AtomicFileWriter::Content &content,
                               const AtomicFileWriter::Keep &keep, Replaced *outcome)
{
    *outcome = Replaced::Done;
    const QByteArray folder = folderOf(target);
    QByteArray temporary;
    // A new file gets the usual permissions (0666 less the umask); an existing one its own.
    Descriptor fd(createNew(folder, existing ? 0600 : 0666, &temporary));
    if (!fd.isOpen()) {
        if (existing && isPermissionError(errno))
            *outcome = Replaced::NeedsInPlace;
        return systemFailure(errno);
    }
    const auto fail = [&temporary](Failure failure) {
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        return std::optional<Failure>(failure);
    };
    if (existing && FileAccess::copyOwner(fd.get(), *existing) != 0) {
        *outcome = Replaced::NeedsInPlace;
        return fail({});
    }
    if (auto failure = writeContent(fd.get(), content))
        return fail(*failure);
    if (existing && FileAccess::copyRest(target, fd.get(), *existing) != 0) {
        *outcome = Replaced::NeedsInPlace;
        return fail({});
    }
    if (::fsync(fd.get()) != 0)
        return fail(systemFailure(errno));
    reached(Step::ContentSynced);
    if (temporary.isEmpty()) {
        if (const int error = nameNew(fd.get(), folder, &temporary))
            return fail(systemFailure(error));
        reached(Step::Linked);
    }
    if (!fd.close())
        return fail(systemFailure(errno));
    if (existing && keep.versions &&
        ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(),
                    RENAME_EXCHANGE) == 0) {
        // The new file has the name in one step, and the old one the temporary name, from where
        // it moves into the store (never linked while it still has its name, where a kill would
        // leave it with a second name that a later save writes through).
        syncFolder(folder);
        reached(Step::Replaced);
        if (!keep.versions->adopt(QFile::decodeName(temporary), QFile::decodeName(target),
                                  keep.reason))
            ::unlink(temporary.constData());
        return std::nullopt;
    }
    // Where names cannot be exchanged, the old bytes are kept by a link to the old file, which
    // the rename leaves nameless.
    std::optional<VersionStore::Version> kept;
    if (existing && keep.versions)
        kept = keep.versions->keep(QFile::decodeName(target), keep.reason,
                                   VersionStore::Sharing::LinkAllowed);
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        if (kept)
            keep.versions->drop(*kept);
        if (existing && isPermissionError(error))
            *outcome = Replaced::NeedsInPlace;
        return fail(systemFailure(error));
    }
    syncFolder(folder);
    reached(Step::Replaced);
    return std::nullopt;
}

// A safety copy of the file's old bytes, on disk before the file changes: beside the file, or
// in the journal's folder when the file's folder takes no new file.
std::optional<Failure> makeBackup(int fd, const QByteArray &target, off_t size, QByteArray *backup)
{
    Descriptor copy(createUnique(folderOf(target), "backup", 0600, backup));
    if (!copy.isOpen()) {
        const int besideError = errno;
        QDir().mkpath(SaveJournal::folder());
        copy.reset(createUnique(QFile::encodeName(SaveJournal::folder()), "backup", 0600, backup));
        if (!copy.isOpen())
            return Failure{QStringLiteral("no copy of its old content could be made (%1)")
                               .arg(reason(besideError))};
    }
    int error = copyContent(fd, copy.get(), size, [](qint64 done) { reached(Step::Backup, done); });
    if (!error && ::fsync(copy.get()) != 0)
        error = errno;
    if (!error && !copy.close())
        error = errno;
    if (!error)
        error = syncFolder(folderOf(*backup));
    if (error) {
        ::unlink(backup->constData());
        return Failure{
            QStringLiteral("no copy of its old content could be made (%1)").arg(reason(error))};
    }
    reached(Step::BackupSynced);
    return std::nullopt;
}

// Writes the file itself, so that every name and the file's identity stay, behind a safety
// copy of its old bytes that the journal names: a failed write puts them back at once, a kill
// at the next start.
std::optional<Failure> writeInPlace(const QByteArray &target,
                                    const AtomicFileWriter::Content &content,
                                    const AtomicFileWriter::Keep &keep)
{
    Descriptor fd(::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.isOpen())
        return systemFailure(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return systemFailure(errno);
    QByteArray backup;
    if (auto failure = makeBackup(fd.get(), target, st.st_size, &backup))
        return failure;
    SaveJournal::Entry entry;
    if (const int error = SaveJournal::begin(target, st, backup, &entry)) {
        ::unlink(backup.constData());
        return Failure{
            QStringLiteral("the save could not be noted in the journal (%1)").arg(reason(error))};
    }
    reached(Step::Journal);

    inPlace = true;
    std::optional<Failure> failure = writeContent(fd.get(), content);
    inPlace = false;
    if (!failure && ::fsync(fd.get()) != 0)
        failure = systemFailure(errno);
    if (failure) {
        // Put back from the copy; should that fail too, the journal entry stays and the next
        // start tries again.
        Descriptor copy(::open(backup.constData(), O_RDONLY | O_CLOEXEC));
        if (copy.isOpen() && !copyContent(copy.get(), fd.get(), st.st_size) &&
            ::fsync(fd.get()) == 0) {
            SaveJournal::finish(entry);
            ::unlink(backup.constData());
        } else {
            failure->reason += QStringLiteral("; its old content is kept in %1")
                                   .arg(QDir::toNativeSeparators(QFile::decodeName(backup)));
        }
        return failure;
    }
    reached(Step::ContentSynced);
    const bool closed = fd.close();
    const int closeError = errno;
    SaveJournal::finish(entry);
    // The safety copy holds the replaced bytes: it becomes their kept version.
    if (!keep.versions ||
        !keep.versions->adopt(QFile::decodeName(backup), QFile::decodeName(target), keep.reason))
        ::unlink(backup.constData());
    reached(Step::Replaced);
    if (!closed)
        return systemFailure(closeError);
    return std::nullopt;
}

} // namespace

bool AtomicFileWriter::writesInPlace()
{
    return inPlace;
}

void AtomicFileWriter::setCheckpoint(Checkpoint function)
{
    checkpoint = function;
}

void AtomicFileWriter::setRangeCopyOffered(bool offered)
{
    rangeCopyOffered = offered;
}

bool AtomicFileWriter::copyRange(int from, qint64 start, qint64 length, const Writer &write)
{
    constexpr qint64 block = 1 << 20;
    // Straight from file to file where the system can, a block at a time so that a cancel is
    // heard; over to the reads below when the file systems cannot (another device, no support).
    if (rangeCopyOffered && output && !inPlace) {
        Output &out = *output;
        while (length > 0) {
            loff_t in = start;
            loff_t at = *out.offset;
            const ssize_t n =
                ::copy_file_range(from, &in, out.fd, &at, size_t(std::min(block, length)), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP ||
                          errno == EINVAL || errno == EBADF))
                break;
            if (n < 0) {
                out.error = errno;
                return false;
            }
            if (n == 0)
                return false; // the file is shorter than it was read
            start += n;
            length -= n;
            *out.offset = at;
            reached(Step::Content, *out.offset);
            if (!goOn(out))
                return false;
        }
        if (length == 0)
            return true;
    }
    QByteArray piece;
    while (length > 0) {
        const qint64 want = std::min(block, length);
        piece.resize(want);
        const ssize_t n = ::pread(from, piece.data(), size_t(want), start);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (!write(QByteArrayView(piece.constData(), n)))
            return false;
        start += n;
        length -= n;
    }
    return true;
}

QString AtomicFileWriter::write(const QString &path, const QByteArray &bytes, const Keep &keep,
                                bool follow, const Going &goingOn)
{
    return write(
        path, [&bytes](const Writer &write) { return write(bytes); }, keep, follow, goingOn);
}

QString AtomicFileWriter::write(const QString &path, const Content &content, const Keep &keep,
                                bool follow, const Going &goingOn)
{
    const Going *const outerGoing = std::exchange(going, &goingOn);
    const QString error = writeFile(path, content, keep, follow);
    going = outerGoing;
    return error;
}

QString AtomicFileWriter::writeFile(const QString &path, const Content &content, const Keep &keep,
                                    bool follow)
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
    // What saves of ended processes left here goes first.
    SaveJournal::removeLeftovers(folderOf(target));
    std::optional<Failure> failure;
    if (exists && !S_ISREG(st.st_mode)) {
        failure = Failure{S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder")
                                              : QStringLiteral("it is not a regular file")};
    } else if (exists && ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0) {
        // A file its owner made read-only stays as it is, although a writable folder would
        // let a new file take its place.
        failure = systemFailure(errno);
    } else if (exists && st.st_nlink > 1) {
        failure = writeInPlace(target, content, keep);
    } else {
        Replaced outcome;
        failure = replace(target, exists ? &st : nullptr, content, keep, &outcome);
        if (outcome == Replaced::NeedsInPlace)
            failure = writeInPlace(target, content, keep);
    }
    if (!failure)
        return {};
    return QStringLiteral("Cannot save %1: %2")
        .arg(QDir::toNativeSeparators(path), failure->reason);
}
