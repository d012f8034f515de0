// SPDX-License-Identifier: GPL-3.0-or-later
#include "draftstore.h"

#include "viewer/posixfile.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr quint32 magic = 0x50475744; // "PGWD"
constexpr quint16 version = 1;

QDataStream &operator<<(QDataStream &out, const ShownFile::Identity &identity)
{
    return out << identity.device << identity.inode << identity.size << identity.modifiedNs;
}
QDataStream &operator>>(QDataStream &in, ShownFile::Identity &identity)
{
    return in >> identity.device >> identity.inode >> identity.size >> identity.modifiedNs;
}

bool sameFile(const struct stat &st, const ShownFile::Identity &identity)
{
    return quint64(st.st_dev) == identity.device && quint64(st.st_ino) == identity.inode &&
           qint64(st.st_size) == identity.size &&
           qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec == identity.modifiedNs;
}

class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};
} // namespace

DraftStore::DraftStore(const QString &folder) : m_folder(folder)
{
}

QString DraftStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Pagewell/drafts");
}

QString DraftStore::draftFile(const QString &path) const
{
    if (path.isEmpty())
        return m_folder + QStringLiteral("/untitled.draft");
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha1).toHex();
    return m_folder + u'/' + QString::fromLatin1(key) + QStringLiteral(".draft");
}

QString DraftStore::baseFile(const QString &path) const
{
    QString file = draftFile(path);
    file.chop(6);
    return file + QStringLiteral(".base");
}

QString DraftStore::write(const Draft &draft) const
{
    if (!QDir().mkpath(m_folder))
        return QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(m_folder));
    QSaveFile file(draftFile(draft.path));
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_4);
    out << magic << version << draft.path << draft.savedAt << quint8(draft.kind) << draft.base;
    switch (draft.kind) {
    case Draft::Kind::Text: {
        qint64 pieces = 0;
        draft.text.forEachPiece([&pieces](QStringView) { ++pieces; });
        out << pieces;
        // UTF-16 as the pane holds it, so that the text comes back exactly.
        draft.text.forEachPiece([&out](QStringView piece) {
            out << qint64(piece.size());
            out.writeRawData(reinterpret_cast<const char *>(piece.utf16()), int(piece.size() * 2));
        });
        break;
    }
    case Draft::Kind::Rich:
        out << draft.rtf;
        break;
    case Draft::Kind::Edits:
        out << qint64(draft.edits.size());
        for (const DraftEdit &edit : draft.edits)
            out << edit.position << edit.removed << edit.added;
        break;
    }
    if (out.status() != QDataStream::Ok || !file.commit())
        return file.errorString();
    // The new name is on disk too, not only the bytes: a power cut now keeps this draft.
    if (const int error = PosixFile::syncFolder(QFile::encodeName(m_folder)))
        return PosixFile::reason(error);
    return {};
}

std::optional<Draft> DraftStore::read(const QString &path) const
{
    QFile file(draftFile(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 readMagic = 0;
    quint16 readVersion = 0;
    quint8 kind = 0;
    Draft draft;
    in >> readMagic >> readVersion;
    if (readMagic != magic || readVersion != version)
        return std::nullopt;
    in >> draft.path >> draft.savedAt >> kind >> draft.base;
    if (draft.path != path || kind > quint8(Draft::Kind::Edits))
        return std::nullopt; // another path with the same name, or not ours
    draft.kind = Draft::Kind(kind);
    switch (draft.kind) {
    case Draft::Kind::Text: {
        qint64 pieces = 0;
        in >> pieces;
        if (pieces < 0 || pieces > file.size())
            return std::nullopt;
        for (qint64 i = 0; i < pieces && in.status() == QDataStream::Ok; ++i) {
            qint64 size = 0;
            in >> size;
            if (size < 0 || size * 2 > file.size())
                return std::nullopt;
            QString piece(qsizetype(size), Qt::Uninitialized);
            if (in.readRawData(reinterpret_cast<char *>(piece.data()), int(size * 2)) != size * 2)
                return std::nullopt;
            draft.text.appendPiece(std::move(piece));
        }
        break;
    }
    case Draft::Kind::Rich:
        in >> draft.rtf;
        break;
    case Draft::Kind::Edits: {
        qint64 count = 0;
        in >> count;
        if (count < 0 || count > file.size())
            return std::nullopt;
        for (qint64 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
            DraftEdit edit;
            in >> edit.position >> edit.removed >> edit.added;
            draft.edits.append(edit);
        }
        break;
    }
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return draft;
}

QString DraftStore::fileOf(const QString &key)
{
    return key.section(u'\n', 0, 0);
}

QString DraftStore::goneFile(const QString &path) const
{
    QString file = draftFile(path);
    file.chop(6);
    return file + QStringLiteral(".gone");
}

void DraftStore::dropOrphans(const QDateTime &now, const Grace &grace) const
{
    const QDir dir(m_folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.draft")}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QDataStream in(&file);
        in.setVersion(QDataStream::Qt_6_4);
        quint32 readMagic = 0;
        quint16 readVersion = 0;
        QString key;
        QDateTime savedAt;
        quint8 kind = 0;
        ShownFile::Identity base;
        in >> readMagic >> readVersion;
        if (readMagic != magic || readVersion != version)
            continue; // not ours to judge
        in >> key >> savedAt >> kind >> base;
        if (in.status() != QDataStream::Ok || key.isEmpty() || draftFile(key) != file.fileName())
            continue;
        const QByteArray path = QFile::encodeName(fileOf(key));
        const QString gone = goneFile(key);
        struct stat st;
        if (::stat(path.constData(), &st) == 0) {
            QFile::remove(gone); // back again
            continue;
        }
        // A folder still there on the volume the file was on: the file was removed. Anything
        // else may be a volume that is only not mounted now.
        struct stat folder;
        const bool removed = ::stat(PosixFile::folderOf(path).constData(), &folder) == 0 &&
                             base.device != 0 && quint64(folder.st_dev) == base.device;
        QFile mark(gone);
        qint64 since = 0;
        if (mark.open(QIODevice::ReadOnly))
            since = mark.readAll().trimmed().toLongLong();
        mark.close();
        if (since <= 0) {
            QSaveFile first(gone);
            if (first.open(QIODevice::WriteOnly)) {
                first.write(QByteArray::number(now.toMSecsSinceEpoch()));
                first.commit();
            }
            continue;
        }
        const int days = removed ? grace.deletedDays : grace.unreachableDays;
        if (QDateTime::fromMSecsSinceEpoch(since, Qt::UTC).addDays(days) > now)
            continue;
        file.close();
        remove(key);
        QFile::remove(gone);
    }
    // Marks of drafts dropped meanwhile (saved, discarded) go too.
    for (const QString &name : dir.entryList({QStringLiteral("*.gone")}, QDir::Files)) {
        const QString draft = dir.filePath(name.chopped(5) + QStringLiteral(".draft"));
        if (!QFile::exists(draft))
            QFile::remove(dir.filePath(name));
    }
}

bool DraftStore::exists(const QString &path) const
{
    return QFile::exists(draftFile(path));
}

void DraftStore::remove(const QString &path) const
{
    QFile::remove(draftFile(path));
    QFile::remove(baseFile(path));
    QFile::remove(goneFile(path));
}

void DraftStore::removeBase(const QString &path, const ShownFile::Identity &was) const
{
    struct stat st;
    const QByteArray base = QFile::encodeName(baseFile(path));
    if (::lstat(base.constData(), &st) == 0 && sameFile(st, was))
        ::unlink(base.constData());
}

bool DraftStore::takeBase(const QString &path, const ShownFile::Identity &shown,
                          const QString &key) const
{
    if (path.isEmpty() || !QDir().mkpath(m_folder))
        return false;
    const QByteArray source = QFile::encodeName(path);
    const QByteArray base = QFile::encodeName(baseFile(key.isEmpty() ? path : key));
    const QByteArray made = base + ".new";
    ::unlink(made.constData());
    Fd in(::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) || !sameFile(st, shown))
        return false;
    bool taken = false;
    {
        // A clone shares the blocks until either side changes: the base stays as it is now.
        Fd out(::open(made.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        taken = out.get() >= 0 && ::ioctl(out.get(), FICLONE, in.get()) == 0;
    }
    if (!taken) {
        ::unlink(made.constData());
        taken = ::linkat(AT_FDCWD, source.constData(), AT_FDCWD, made.constData(),
                         AT_SYMLINK_FOLLOW) == 0;
        struct stat linked;
        // The name may lead to another file by now: the link must be the file shown.
        if (taken && (::lstat(made.constData(), &linked) != 0 || !sameFile(linked, shown)))
            taken = false;
    } else if (struct stat after; ::fstat(in.get(), &after) != 0 || !sameFile(after, shown)) {
        taken = false; // changed while it was cloned
    }
    if (!taken || ::rename(made.constData(), base.constData()) != 0) {
        ::unlink(made.constData());
        return false;
    }
    return PosixFile::syncFolder(QFile::encodeName(m_folder)) == 0;
}

bool DraftStore::copyBase(const QString &path, const ShownFile::Identity &shown,
                          const QString &key) const
{
    if (path.isEmpty() || !QDir().mkpath(m_folder))
        return false;
    const QByteArray base = QFile::encodeName(baseFile(key.isEmpty() ? path : key));
    const QByteArray made = base + ".new";
    ::unlink(made.constData());
    Fd in(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) || !sameFile(st, shown))
        return false;
    bool copied = false;
    {
        Fd out(::open(made.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        copied = out.get() >= 0;
        qint64 left = st.st_size;
        while (copied && left > 0) {
            const ssize_t n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr,
                                                size_t(qMin<qint64>(left, 1 << 26)), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                // Older kernels copy between file systems by hand.
                char buffer[1 << 16];
                const ssize_t r = ::read(in.get(), buffer, sizeof buffer);
                copied = r > 0 && ::write(out.get(), buffer, size_t(r)) == r;
                left -= copied ? r : 0;
                continue;
            }
            left -= n;
        }
        struct stat after;
        // Changed while it was copied: not the text the edits began on.
        copied = copied && ::fstat(in.get(), &after) == 0 && sameFile(after, shown) &&
                 ::fsync(out.get()) == 0;
    }
    if (!copied || ::rename(made.constData(), base.constData()) != 0) {
        ::unlink(made.constData());
        return false;
    }
    return PosixFile::syncFolder(QFile::encodeName(m_folder)) == 0;
}
