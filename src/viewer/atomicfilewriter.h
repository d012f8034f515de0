#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

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
    // Without followLinks a symbolic link under the name is replaced, never written through.
    static QString write(const QString &path, const QByteArray &bytes, bool followLinks = true);

    // The new content made piece by piece while it is written, so that a large one is never held
    // whole: calls write with each piece in order and stops when write returns false. Returns
    // false when it could not make the whole content; the file then keeps its old one.
    using Writer = std::function<bool(QByteArrayView piece)>;
    using Content = std::function<bool(const Writer &write)>;
    static QString write(const QString &path, const Content &content, bool followLinks = true);
};
