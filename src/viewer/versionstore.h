// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Earlier contents of files that Pagewell replaced, kept in the data folder
// ($XDG_DATA_HOME/Pagewell/versions) so that any replaced text can be had back. A version is a
// hard link of the old file where the store is on the file's file system and the file is about
// to be replaced by a new one, else a copy. Each records when it was kept, its size, the file it
// was and what replaced it. The store keeps the newest few per file, for some days and up to a
// total size, dropping the oldest first; a very large file is kept only by a link.
class VersionStore
{
public:
    // What replaced the kept bytes.
    enum class Reason { Save, SaveAs, AddToFavorites, Restore, OtherProgram, Reload };
    static QString reasonText(Reason reason);

    struct Version
    {
        QString file; // the kept bytes
        QString path; // the file they were
        QDateTime time;
        qint64 size = 0;
        Reason reason = Reason::Save;
    };

    struct Limits
    {
        int perFile = 20;
        int days = 30;
        qint64 totalBytes = qint64(1) << 30;
        qint64 copyBytes = qint64(256) << 20; // larger files only by a link
    };

    static QString defaultFolder();
    // What the versions of a text begun with New are kept under, while no file was shown.
    static QString newTextPath();
    VersionStore();
    explicit VersionStore(const QString &folder);
    VersionStore(const QString &folder, const Limits &limits);

    // The clock that stamps versions and ages them; the system's unless a test sets another.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // How a version may hold the bytes: a link shares the file itself, which is right only when
    // the file is about to be replaced by another one (never written into).
    enum class Sharing { CopyOnly, LinkAllowed };
    // Keeps the bytes now at path. Returns the version, or nothing with *error set.
    std::optional<Version> keep(const QString &path, Reason reason,
                                Sharing sharing = Sharing::CopyOnly, QString *error = nullptr);
    // Takes over a file that holds path's old bytes (a safety copy made for a save): moved into
    // the store where it can be, else copied and removed.
    std::optional<Version> adopt(const QString &bytes, const QString &path, Reason reason,
                                 QString *error = nullptr);
    // Keeps the bytes of an open file (fd) that path named: one another program has replaced
    // under the name, whose bytes only the descriptor still reaches. A clone where the file
    // system makes one, else a copy (not of a file larger than a copy may be).
    std::optional<Version> keepOpen(int fd, const QString &path, Reason reason,
                                    QString *error = nullptr);
    // Drops a version again (one kept for a replace that then failed).
    void drop(const Version &version);

    // The versions of path, newest first.
    QList<Version> list(const QString &path) const;
    // Writes a version back to path as a save does, keeping path's current bytes as a version
    // first. Returns why it failed, for the user; empty on success.
    QString restore(const Version &version, const QString &path);

    // Applies the limits now.
    void prune(const QString &keepFile = QString());

private:
    QString folderFor(const QString &path) const;
    QString newFileFor(const QString &path) const;
    std::optional<Version> record(const QString &path, const QString &file, Reason reason,
                                  qint64 size, QString *error);
    static std::optional<Version> readInfo(const QString &infoFile);

    QString m_folder;
    Limits m_limits;
    std::function<QDateTime()> m_now;
};
