#pragma once

#include "app/memorybudget.h"

#include <QByteArray>
#include <QString>

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
    };

    static Result read(const QString &path, const Limits &limits);
    static Result read(const QString &path, qint64 maximumSize = WholeFileReader::maximumSize);

    // The texts of the failures that callers report themselves as well.
    static QString notRegularMessage(const QString &path);
    static QString outOfMemoryMessage(const QString &path);
};
