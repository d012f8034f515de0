// SPDX-License-Identifier: GPL-3.0-or-later
#include "savejournal.h"

#include "viewer/posixfile.h"
#include "viewer/versionstore.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

using namespace PosixFile;

namespace {

const char entrySuffix[] = ".entry";

QByteArray field(const QByteArray &text, const QByteArray &key)
{
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith(key + '='))
            return QByteArray::fromPercentEncoding(line.mid(key.size() + 1));
    }
    return {};
}

// The names in a folder, without . and ..
QList<QByteArray> namesIn(const QByteArray &folder)
{
    QList<QByteArray> names;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

} // namespace

QString SaveJournal::folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Pagewell/journal");
}

int SaveJournal::begin(const QByteArray &target, const struct stat &old, const QByteArray &backup,
                       Entry *entry)
{
    const QByteArray dir = QFile::encodeName(folder());
    if (!QDir().mkpath(folder()))
        return errno ? errno : EACCES;
    ::chmod(dir.constData(), 0700);
    entry->target = target;
    entry->backup = backup;
    entry->device = quint64(old.st_dev);
    entry->inode = quint64(old.st_ino);
    entry->size = qint64(old.st_size);
    entry->process = processTag();
    const QByteArray text =
        "target=" + target.toPercentEncoding() + "\nbackup=" + backup.toPercentEncoding() +
        "\ndevice=" + QByteArray::number(entry->device) +
        "\ninode=" + QByteArray::number(entry->inode) +
        "\nsize=" + QByteArray::number(entry->size) + "\nprocess=" + entry->process + '\n';
    // Written whole under a name of its own, then renamed: an entry is complete or absent.
    QByteArray temporary;
    Descriptor fd(createUnique(dir, "entry", 0600, &temporary));
    if (!fd.isOpen())
        return errno;
    off_t offset = 0;
    int error = writeAll(fd.get(), text, offset);
    if (!error && ::fsync(fd.get()) != 0)
        error = errno;
    if (!error && !fd.close())
        error = errno;
    entry->file = dir + '/' + processTag() + '-' + nameOf(temporary).mid(1) + entrySuffix;
    if (!error && ::rename(temporary.constData(), entry->file.constData()) != 0)
        error = errno;
    if (!error)
        error = syncFolder(dir);
    if (error)
        ::unlink(temporary.constData());
    return error;
}

void SaveJournal::finish(const Entry &entry)
{
    ::unlink(entry.file.constData());
    syncFolder(folderOf(entry.file));
}

std::optional<SaveJournal::Entry> SaveJournal::read(const QByteArray &file)
{
    QFile in(QFile::decodeName(file));
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = in.read(64 * 1024);
    Entry entry;
    entry.file = file;
    entry.target = field(text, "target");
    entry.backup = field(text, "backup");
    entry.device = field(text, "device").toULongLong();
    entry.inode = field(text, "inode").toULongLong();
    entry.size = field(text, "size").toLongLong();
    entry.process = field(text, "process");
    if (entry.target.isEmpty() || entry.backup.isEmpty())
        return std::nullopt;
    return entry;
}

QList<SaveJournal::Entry> SaveJournal::entries()
{
    QList<Entry> found;
    const QByteArray dir = QFile::encodeName(folder());
    for (const QByteArray &name : namesIn(dir)) {
        if (!name.endsWith(entrySuffix))
            continue;
        if (std::optional<Entry> entry = read(dir + '/' + name))
            found.append(*entry);
    }
    return found;
}

namespace {
// Displays recover on their threads, the start on another: an entry is put back by one of
// them, and the others wait for it and find it gone. Entries of other files go on meanwhile.
std::mutex claims;
std::condition_variable released;
QSet<QByteArray> claimed; // targets being put back
std::atomic<int> underWay{0};
std::function<void(const QByteArray &)> beforeRestore;

class Claim
{
public:
    explicit Claim(const QByteArray &target) : m_target(target)
    {
        ++underWay;
        std::unique_lock<std::mutex> lock(claims);
        released.wait(lock, [&target] { return !claimed.contains(target); });
        claimed.insert(target);
    }
    ~Claim()
    {
        {
            const std::lock_guard<std::mutex> lock(claims);
            claimed.remove(m_target);
        }
        released.notify_all();
        --underWay;
    }
    Claim(const Claim &) = delete;
    Claim &operator=(const Claim &) = delete;

private:
    QByteArray m_target;
};

bool names(const SaveJournal::Entry &entry, const QByteArray &path)
{
    return entry.target == path || QFileInfo(QFile::decodeName(path)).canonicalFilePath() ==
                                       QFile::decodeName(entry.target);
}
} // namespace

int SaveJournal::restoresUnderWay()
{
    return underWay.load();
}

void SaveJournal::setBeforeRestore(std::function<void(const QByteArray &target)> hook)
{
    const std::lock_guard<std::mutex> lock(claims);
    beforeRestore = std::move(hook);
}

QList<SaveJournal::Recovered> SaveJournal::recover(const QString &path)
{
    QList<Recovered> done;
    const QByteArray only = path.isEmpty() ? QByteArray() : QFile::encodeName(path);
    for (const Entry &entry : entries()) {
        if (isRunning(entry.process))
            continue; // a save still going on, in this or another Pagewell
        if (!only.isEmpty() && !names(entry, only))
            continue;
        const Claim claim(entry.target);
        // Put back by another recovery while this one waited.
        if (::access(entry.file.constData(), F_OK) == 0 || errno != ENOENT)
            done.append(putBack(entry));
    }
    if (path.isEmpty())
        removeLeftovers(QFile::encodeName(folder()));
    return done;
}

SaveJournal::Recovered SaveJournal::putBack(const Entry &entry)
{
    Recovered recovered{QFile::decodeName(entry.target), {}};
    Descriptor backup(::open(entry.backup.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat kept;
    if (!backup.isOpen() || ::fstat(backup.get(), &kept) != 0 || kept.st_size != entry.size) {
        // Nothing whole to put back; the entry would only say so again at every start.
        recovered.problem = QStringLiteral("its copy of the old content is gone");
        finish(entry);
        return recovered;
    }
    Descriptor target(::open(entry.target.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    struct stat now;
    const bool same = target.isOpen() && ::fstat(target.get(), &now) == 0 &&
                      quint64(now.st_dev) == entry.device && quint64(now.st_ino) == entry.inode;
    if (!same) {
        // Another file has its name now (or none has): nothing is written over it; the old
        // content is kept among the file's previous versions instead.
        VersionStore versions;
        QString error;
        if (versions.adopt(QFile::decodeName(entry.backup), recovered.path,
                           VersionStore::Reason::Save, &error)) {
            recovered.problem = QStringLiteral(
                "it was replaced or removed since; its old content is kept among its "
                "previous versions");
        } else {
            recovered.problem = QStringLiteral("it was replaced or removed since; its old content "
                                               "is kept in %1")
                                    .arg(QDir::toNativeSeparators(QFile::decodeName(entry.backup)));
        }
        finish(entry);
        return recovered;
    }
    std::function<void(const QByteArray &)> hook;
    {
        const std::lock_guard<std::mutex> lock(claims);
        hook = beforeRestore;
    }
    if (hook)
        hook(entry.target);
    // Written in place again, from the copy; cut short once more, the entry still names it.
    int error = copyContent(backup.get(), target.get(), entry.size);
    if (!error && ::fsync(target.get()) != 0)
        error = errno;
    if (error) {
        recovered.problem = reason(error);
        return recovered;
    }
    finish(entry);
    ::unlink(entry.backup.constData());
    syncFolder(folderOf(entry.backup));
    return recovered;
}

QString SaveJournal::message(const Recovered &recovered)
{
    const QString name = QDir::toNativeSeparators(recovered.path);
    if (recovered.problem.isEmpty())
        return QStringLiteral("Pagewell was stopped while it saved %1. The file's content from "
                              "before that save has been put back.")
            .arg(name);
    return QStringLiteral("Pagewell was stopped while it saved %1, and could not put its old "
                          "content back: %2")
        .arg(name, recovered.problem);
}

void SaveJournal::removeLeftovers(const QByteArray &dir)
{
    QSet<QByteArray> named;
    bool journalRead = false;
    for (const QByteArray &name : namesIn(dir)) {
        qint64 pid = leftoverPid(name, "save");
        const bool backup = pid < 0;
        if (backup)
            pid = leftoverPid(name, "backup");
        if (pid < 0)
            pid = leftoverPid(name, "entry");
        if (pid < 0 || pid == ::getpid() || isRunning(pid))
            continue;
        const QByteArray path = dir + '/' + name;
        if (backup) {
            // A copy a journal entry names is the only whole copy of a file: it stays until the
            // file is put back.
            if (!journalRead) {
                for (const Entry &entry : entries())
                    named.insert(entry.backup);
                journalRead = true;
            }
            if (named.contains(path))
                continue;
        }
        ::unlink(path.constData());
    }
}
