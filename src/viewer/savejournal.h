// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>
#include <sys/stat.h>

// The journal of in-place saves. Before the first byte of a file written in place changes, a
// safety copy of its old bytes is on disk and an entry here names both; the entry goes when the
// save is complete. An entry left by a process that ended (killed, or the power went) tells of a
// save that was cut short: recovery writes the old bytes back. The journal lives in the data
// folder, $XDG_DATA_HOME/Pagewell/journal.
class SaveJournal
{
public:
    static QString folder();

    struct Entry
    {
        QByteArray file; // the entry's own path
        QByteArray target;
        QByteArray backup;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0; // of the old bytes, which the backup holds
        QByteArray process;
    };
    // Writes the entry and flushes it (and its folder) to disk; 0 or the errno value.
    static int begin(const QByteArray &target, const struct stat &old, const QByteArray &backup,
                     Entry *entry);
    // The save is complete (or its old bytes were put back): the entry goes.
    static void finish(const Entry &entry);

    // Puts back the old bytes of every save cut short by a process that ended, or only of the
    // file at path. Each is reported once: the entry is gone afterwards. Safe from any thread:
    // one entry is put back at a time, and a recovery that comes to an entry another one is
    // putting back waits for it and finds it done, so that a file is never read half put back.
    struct Recovered
    {
        QString path;
        QString problem; // empty when the old bytes are back
    };
    static QList<Recovered> recover(const QString &path = QString());
    // Entries being put back now, on any thread.
    static int restoresUnderWay();
    // Tests hold a restore here: the file is open and not yet written.
    static void setBeforeRestore(std::function<void(const QByteArray &target)> hook);
    // What to tell the user about one recovery.
    static QString message(const Recovered &recovered);

    // Removes what saves of ended processes left in folder: unfinished new files and safety
    // copies no journal entry names.
    static void removeLeftovers(const QByteArray &folder);

private:
    static QList<Entry> entries();
    static std::optional<Entry> read(const QByteArray &file);
    static Recovered putBack(const Entry &entry);
};
