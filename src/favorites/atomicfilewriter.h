#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content so that a failure never leaves less than the old file, and the file
// stays the same file: its owner, group and permission bits are kept, and a symbolic link keeps
// pointing at it. A file that may not be written (read-only) is refused, as it would be when
// written in place.
//
// Usually the bytes go to a temporary file with a short name beside it, which takes the file's
// place only once everything is on disk. A file with more than one name (hard links), or one
// whose owner or group the temporary file cannot be given, is written in place instead, behind
// a copy of its old bytes that puts them back when the write fails and is removed after it
// succeeds.
class AtomicFileWriter
{
public:
    // Returns an empty text on success, else a description for the user with the native path.
    static QString write(const QString &path, const QByteArray &bytes);
};
