// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/memorybudget.h"
#include "text/sourcemap.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

// Reads a file whole: its size first, then that many bytes. Only regular files are read, and
// nothing here can block on the file: named pipes, devices and sockets are refused before they
// are read, and a file that grows while it is read is read up to the size it had.
class WholeFileReader
{
public:
    enum class Status {
        Ok,
        NotFound,    // gone, or never there
        NotRegular,  // a folder, pipe, device or socket
        TooLarge,    // beyond what Pagewell reads at all
        OutOfMemory, // more than the memory left allows
        Failed,      // any other failure to open or read
    };

    struct Result
    {
        Status status = Status::Failed;
        QByteArray bytes;
        QString error; // for the user, with the native path; empty when Ok
    };

    // Larger files are refused rather than exhausting memory.
    static constexpr qint64 maximumSize = qint64(1) << 30;

    struct Limits
    {
        qint64 maximumSize = WholeFileReader::maximumSize;
        MemoryBudget budget;      // the system's unless a fixed one is given
        qint64 memoryPerByte = 1; // what the caller needs per byte of the file, the bytes included
        // Read in blocks: set, the read stops at the next block and gives its bytes back
        // (Failed, with no error); progress hears of every block.
        const std::atomic<bool> *cancel = nullptr;
        std::function<void(qint64 done, qint64 total)> progress;
    };
    static constexpr qint64 blockSize = qint64(1) << 20;

    static Result read(const QString &path, const Limits &limits);
    static Result read(const QString &path, qint64 maximumSize = WholeFileReader::maximumSize);

    // Opens a regular file for reading, without blocking on it, as read() does; on success the
    // caller owns fd and closes it. size is what the system reports (0 for files in /proc).
    struct Opened
    {
        Status status = Status::Failed;
        QString error;
        int fd = -1;
        qint64 size = 0;
    };
    static Opened open(const QString &path);
    // The open file's identity on disk (device, inode, size, modification time); all zero when
    // the system does not tell.
    static SourceMap::Identity identity(int fd);

    // The texts of the failures that callers report themselves as well.
    static QString tooLargeMessage(const QString &path, qint64 size, qint64 maximumSize);
    static QString notRegularMessage(const QString &path);
    static QString outOfMemoryMessage(const QString &path);
};
