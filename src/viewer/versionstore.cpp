// SPDX-License-Identifier: GPL-3.0-or-later
#include "versionstore.h"

#include "viewer/atomicfilewriter.h"
#include "viewer/posixfile.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace PosixFile;

namespace {

const QString infoSuffix = QStringLiteral(".info");

QByteArray reasonKey(VersionStore::Reason reason)
{
    switch (reason) {
    case VersionStore::Reason::Save:
        return "save";
    case VersionStore::Reason::SaveAs:
        return "save-as";
    case VersionStore::Reason::AddToFavorites:
        return "add-to-favorites";
    case VersionStore::Reason::Restore:
        return "restore";
    case VersionStore::Reason::OtherProgram:
        return "other-program";
    case VersionStore::Reason::Reload:
        return "reload";
    }
    return "save";
}

VersionStore::Reason reasonOf(const QByteArray &key)
{
    for (auto reason : {VersionStore::Reason::Save, VersionStore::Reason::SaveAs,
                        VersionStore::Reason::AddToFavorites, VersionStore::Reason::Restore,
                        VersionStore::Reason::OtherProgram, VersionStore::Reason::Reload}) {
        if (reasonKey(reason) == key)
            return reason;
    }
    return VersionStore::Reason::Save;
}

// The time a version was kept, which leads its file's name ("<ms>[.n]-<name>").
qint64 stampOf(const QString &file)
{
    const QString name = QFileInfo(file).fileName();
    return name.left(name.indexOf(u'-')).section(u'.', 0, 0).toLongLong();
}

// Copies a file's bytes into a new file; 0 or the errno value.
int copyFile(const QByteArray &from, const QByteArray &to, qint64 *size)
{
    Descriptor in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!in.isOpen() || ::fstat(in.get(), &st) != 0)
        return errno;
    Descriptor out(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.isOpen())
        return errno;
    int error = copyContent(in.get(), out.get(), st.st_size);
    if (!error && ::fsync(out.get()) != 0)
        error = errno;
    if (!error && !out.close())
        error = errno;
    if (error)
        ::unlink(to.constData());
    *size = st.st_size;
    return error;
}

} // namespace

QString VersionStore::reasonText(Reason reason)
{
    switch (reason) {
    case Reason::Save:
        return QStringLiteral("Save");
    case Reason::SaveAs:
        return QStringLiteral("Save as");
    case Reason::AddToFavorites:
        return QStringLiteral("Add to favorites");
    case Reason::Restore:
        return QStringLiteral("Restore");
    case Reason::OtherProgram:
        return QStringLiteral("another program");
    case Reason::Reload:
        return QStringLiteral("Reload");
    }
    return {};
}

QString VersionStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Pagewell/versions");
}

QString VersionStore::newTextPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Pagewell/New text.txt");
}

VersionStore::VersionStore() : VersionStore(defaultFolder(), Limits())
{
}

VersionStore::VersionStore(const QString &folder) : VersionStore(folder, Limits())
{
}

VersionStore::VersionStore(const QString &folder, const Limits &limits)
    : m_folder(folder), m_limits(limits), m_now([] { return QDateTime::currentDateTimeUtc(); })
{
}

QString VersionStore::folderFor(const QString &path) const
{
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    return m_folder + u'/' + QString::fromLatin1(key);
}

QString VersionStore::newFileFor(const QString &path) const
{
    const QString dir = folderFor(path);
    QDir().mkpath(dir);
    // Copies of other users' files may lie here: only their owner reads the store.
    ::chmod(QFile::encodeName(m_folder).constData(), 0700);
    const QString stamp = QString::number(m_now().toMSecsSinceEpoch());
    const QString name = QFileInfo(path).fileName();
    QString file;
    for (int n = 0; file.isEmpty() || QFileInfo::exists(file) || QFileInfo(file).isSymLink(); ++n)
        file = dir + u'/' + stamp + (n ? u'.' + QString::number(n) : QString()) + u'-' + name;
    return file;
}

std::optional<VersionStore::Version> VersionStore::keep(const QString &path, Reason reason,
                                                        Sharing sharing, QString *error)
{
    const QByteArray source = QFile::encodeName(path);
    struct stat st;
    if (::stat(source.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        const int failed = errno;
        if (error)
            *error = PosixFile::reason(failed);
        return std::nullopt;
    }
    const QString file = newFileFor(path);
    const QByteArray target = QFile::encodeName(file);
    qint64 size = st.st_size;
    if (sharing == Sharing::LinkAllowed && ::link(source.constData(), target.constData()) == 0)
        return record(path, file, reason, size, error);
    if (size > m_limits.copyBytes) {
        if (error)
            *error = QStringLiteral("it is too large to be copied");
        return std::nullopt;
    }
    if (const int failed = copyFile(source, target, &size)) {
        if (error)
            *error = PosixFile::reason(failed);
        return std::nullopt;
    }
    return record(path, file, reason, size, error);
}

std::optional<VersionStore::Version> VersionStore::keepOpen(int fd, const QString &path,
                                                            Reason reason, QString *error)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = PosixFile::reason(errno);
        return std::nullopt;
    }
    const QString file = newFileFor(path);
    const QByteArray target = QFile::encodeName(file);
    Descriptor out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.isOpen()) {
        if (error)
            *error = PosixFile::reason(errno);
        return std::nullopt;
    }
    // A clone costs no copy; where there is none, only a file small enough is copied.
    int failed = 0;
    if (::ioctl(out.get(), FICLONE, fd) != 0) {
        failed = st.st_size > m_limits.copyBytes ? EFBIG : copyContent(fd, out.get(), st.st_size);
        if (failed == EFBIG && error)
            *error = QStringLiteral("it is too large to be copied");
        else if (failed && error)
            *error = PosixFile::reason(failed);
    }
    if (!failed && (::fsync(out.get()) != 0 || !out.close())) {
        failed = errno;
        if (error)
            *error = PosixFile::reason(failed);
    }
    if (failed) {
        ::unlink(target.constData());
        return std::nullopt;
    }
    return record(path, file, reason, st.st_size, error);
}

std::optional<VersionStore::Version> VersionStore::adopt(const QString &bytes, const QString &path,
                                                         Reason reason, QString *error)
{
    const QByteArray source = QFile::encodeName(bytes);
    struct stat st;
    if (::lstat(source.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = PosixFile::reason(errno);
        return std::nullopt;
    }
    const QString file = newFileFor(path);
    const QByteArray target = QFile::encodeName(file);
    if (::rename(source.constData(), target.constData()) == 0)
        return record(path, file, reason, st.st_size, error);
    qint64 size = st.st_size;
    int failed = errno;
    if (failed == EXDEV && size > m_limits.copyBytes) {
        if (error)
            *error = QStringLiteral("it is too large to be copied");
    } else if (failed == EXDEV && !(failed = copyFile(source, target, &size))) {
        ::unlink(source.constData());
        return record(path, file, reason, size, error);
    } else if (error) {
        *error = PosixFile::reason(failed);
    }
    return std::nullopt;
}

std::optional<VersionStore::Version> VersionStore::record(const QString &path, const QString &file,
                                                          Reason reason, qint64 size,
                                                          QString *error)
{
    Version version{file, path, QDateTime::fromMSecsSinceEpoch(stampOf(file), Qt::UTC), size,
                    reason};
    QSaveFile info(file + infoSuffix);
    const QByteArray text = "path=" + QFile::encodeName(path).toPercentEncoding() +
                            "\ntime=" + QByteArray::number(version.time.toMSecsSinceEpoch()) +
                            "\nsize=" + QByteArray::number(size) + "\nreason=" + reasonKey(reason) +
                            '\n';
    if (!info.open(QIODevice::WriteOnly) || info.write(text) != text.size() || !info.commit()) {
        if (error)
            *error = info.errorString();
        QFile::remove(file);
        return std::nullopt;
    }
    // The version's names are on disk as well as its bytes (a power cut keeps it).
    PosixFile::syncFolder(QFile::encodeName(QFileInfo(file).path()));
    prune(file);
    return version;
}

std::optional<VersionStore::Version> VersionStore::readInfo(const QString &infoFile)
{
    QFile in(infoFile);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    Version version;
    version.file = infoFile.chopped(infoSuffix.size());
    bool timed = false;
    for (const QByteArray &line : in.read(64 * 1024).split('\n')) {
        const qsizetype eq = line.indexOf('=');
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "path")
            version.path = QFile::decodeName(QByteArray::fromPercentEncoding(value));
        else if (key == "time")
            version.time = QDateTime::fromMSecsSinceEpoch(value.toLongLong(&timed), Qt::UTC);
        else if (key == "size")
            version.size = value.toLongLong();
        else if (key == "reason")
            version.reason = reasonOf(value);
    }
    if (version.path.isEmpty() || !timed)
        return std::nullopt;
    return version;
}

QList<VersionStore::Version> VersionStore::list(const QString &path) const
{
    QList<Version> found;
    const QDir dir(folderFor(path));
    for (const QString &name : dir.entryList({u'*' + infoSuffix}, QDir::Files | QDir::Hidden)) {
        std::optional<Version> version = readInfo(dir.filePath(name));
        if (version && version->path == path && QFileInfo::exists(version->file))
            found.append(*version);
    }
    std::sort(found.begin(), found.end(), [](const Version &a, const Version &b) {
        return a.time != b.time ? a.time > b.time : a.file > b.file;
    });
    return found;
}

void VersionStore::drop(const Version &version)
{
    QFile::remove(version.file);
    QFile::remove(version.file + infoSuffix);
    QDir().rmdir(QFileInfo(version.file).path()); // only when empty
}

void VersionStore::prune(const QString &keepFile)
{
    // From the names and sizes of the kept files alone, so that a store of thousands of
    // versions is pruned without reading their records.
    struct Kept
    {
        QString file;
        qint64 stamp;
        qint64 size;
        QString folder; // one per original file
    };
    QList<Kept> kept;
    const QDir top(m_folder);
    for (const QString &sub : top.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(top.filePath(sub));
        const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden);
        for (const QFileInfo &info : files) {
            const QString file = info.filePath();
            if (!file.endsWith(infoSuffix))
                kept.append({file, stampOf(file), info.size(), sub});
            else if (!QFileInfo::exists(file.chopped(infoSuffix.size())))
                QFile::remove(file); // its bytes are gone
        }
    }
    std::sort(kept.begin(), kept.end(), [](const Kept &a, const Kept &b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.file > b.file;
    });
    const qint64 oldest = m_now().addDays(-m_limits.days).toMSecsSinceEpoch();
    QHash<QString, int> perFile;
    qint64 total = 0;
    bool newest = true;
    for (const Kept &version : kept) { // newest first
        // The newest version stays whatever its size, or a file larger than the whole store
        // would never have one.
        const bool exempt = version.file == keepFile || newest;
        newest = false;
        const int count = ++perFile[version.folder];
        total += version.size;
        if (version.stamp < oldest || count > m_limits.perFile ||
            (!exempt && total > m_limits.totalBytes)) {
            total -= version.size;
            drop(Version{version.file, {}, {}, version.size, Reason::Save});
        }
    }
}

QString VersionStore::restore(const Version &version, const QString &path)
{
    QFile in(version.file);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot restore %1: %2")
            .arg(QDir::toNativeSeparators(path), in.errorString());
    // Streamed in blocks: a large version is never held whole.
    bool readFailed = false;
    const QString error = AtomicFileWriter::write(
        path,
        [&](const AtomicFileWriter::Writer &write) {
            QByteArray block;
            in.seek(0); // a write that turns to the file itself asks again
            while (!in.atEnd()) {
                block = in.read(1 << 20);
                if (block.isEmpty() && in.error() != QFileDevice::NoError)
                    return !(readFailed = true);
                if (!write(block))
                    return false;
            }
            return true;
        },
        AtomicFileWriter::Keep{this, Reason::Restore});
    if (readFailed)
        return QStringLiteral("Cannot restore %1: %2")
            .arg(QDir::toNativeSeparators(path), in.errorString());
    return error;
}
