// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "filehelpers.h"
#include "viewer/savejournal.h"

// A pid no process has: beyond the system's largest.
inline constexpr qint64 deadPid = 4194304 + 17;

// The journal entry of an in-place save cut short in a process that has ended: the file as it
// is on disk now, the copy of its old bytes and their size.
inline void forgeJournalEntry(const QString &target, const QString &backup, qint64 size)
{
    const struct stat st = statOf(target);
    QDir().mkpath(SaveJournal::folder());
    writeFile(SaveJournal::folder() + "/forged.entry",
              "target=" + QFile::encodeName(target).toPercentEncoding() +
                  "\nbackup=" + QFile::encodeName(backup).toPercentEncoding() +
                  "\ndevice=" + QByteArray::number(quint64(st.st_dev)) + "\ninode=" +
                  QByteArray::number(quint64(st.st_ino)) + "\nsize=" + QByteArray::number(size) +
                  "\nprocess=" + QByteArray::number(deadPid) + "-1\n");
}
