// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/versionstore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// Where a write keeps the bytes it replaces (AtomicFileWriter::Keep); no store keeps none.
struct KeepReplacedBytes
{
    VersionStore *versions = nullptr;
    VersionStore::Reason reason = VersionStore::Reason::Save;
};

// Replaces a file's content so that neither a failure nor a kill leaves less than the old file
// or the new one, and the file stays the same file: its owner, group, permission bits, access
// ACL and extended attributes are kept, and a symbolic link keeps pointing at it. A file that
// may not be written (read-only) is refused, as it would be when written in place.
//
// Usually the bytes go to a new file without a name (where the file system allows one), which
// is named and takes the file's place only once everything is on disk. A file with more than
// one name (hard links), one in a folder that takes no new file, or one whose owner, group,
// ACL or attributes a new file cannot be given, is written in place instead: a safety copy of
// its old bytes is on disk, and named in the journal, before its first byte changes, so that a
// failure puts them back at once and a kill puts them back at the next start.
class AtomicFileWriter
{
public:
    // Keeps the bytes a write replaces among the previous versions, just before they go.
    using Keep = KeepReplacedBytes;

    // Told the bytes written so far as a write goes on; when it returns false the write stops
    // and the file keeps its old content.
    using Going = std::function<bool(qint64 written)>;

    // Returns an empty text on success, else a description for the user with the native path.
    // Without followLinks a symbolic link under the name is replaced, never written through.
    static QString write(const QString &path, const QByteArray &bytes, const Keep &keep = Keep(),
                         bool followLinks = true, const Going &going = Going());

    // The new content made piece by piece while it is written, so that a large one is never held
    // whole: calls write with each piece in order and stops when write returns false. Returns
    // false when it could not make the whole content; the file then keeps its old one.
    using Writer = std::function<bool(QByteArrayView piece)>;
    using Content = std::function<bool(const Writer &write)>;
    static QString write(const QString &path, const Content &content, const Keep &keep = Keep(),
                         bool followLinks = true, const Going &going = Going());
    // Inside a content: puts length bytes of the file open as from, from start on, next into
    // the file written, by the system's copy between files where the file systems offer it,
    // else read and handed to write. False when they could not all be copied.
    static bool copyRange(int from, qint64 start, qint64 length, const Writer &write);
    // Tests turn the system's copy off to try the reads and writes in its place.
    static void setRangeCopyOffered(bool offered);
    // True while a content is made for a file written in place: a content that copies from the
    // old file must have read what it needs of it before it writes.
    static bool writesInPlace();

    // The steps of a write, told to a checkpoint with the bytes written so far in the step, so
    // that a crash test can stop a save at a chosen point.
    enum class Step { Backup, BackupSynced, Journal, Content, ContentSynced, Linked, Replaced };
    using Checkpoint = void (*)(Step step, qint64 bytes);
    static void setCheckpoint(Checkpoint checkpoint);

private:
    static QString writeFile(const QString &path, const Content &content, const Keep &keep,
                             bool followLinks);
};
