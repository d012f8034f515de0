#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content in one step: the bytes go to a temporary file beside it, which
// takes the file's place only once everything is on disk. A write that fails leaves the old
// file exactly as it was.
class AtomicFileWriter
{
public:
    // Returns an empty text on success, else a description for the user with the native path.
    static QString write(const QString &path, const QByteArray &bytes);
};
