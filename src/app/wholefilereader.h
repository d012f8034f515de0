#pragma once

#include <QByteArray>
#include <QString>

// Reads a file whole: its size first, then all its bytes in one read.
class WholeFileReader
{
public:
    enum class Status { Ok, NotFound, TooLarge, Failed };

    struct Result
    {
        Status status = Status::Failed;
        QByteArray bytes;
        QString error; // for the user, with the native path; empty when Ok
    };

    // Larger files are refused rather than exhausting memory.
    static constexpr qint64 maximumSize = qint64(1) << 30;

    static Result read(const QString &path, qint64 limit = maximumSize);
};
