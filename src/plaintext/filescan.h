// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/filesource.h"

#include <QByteArrayView>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

// Goes once through a range of a file's bytes and cuts it into spans of about spanBytes, each
// ending where a character and a line end do (never inside a UTF-8 sequence, never between the
// CR and the LF of a CR LF), counting for each its characters and line breaks as the decoded text
// will have them. Pure ASCII goes eight bytes at a time. Checks that UTF-8 is UTF-8.
class FileScan
{
public:
    struct Part
    {
        enum class Status { Ok, NotUtf8, ReadFailed, Cancelled, LineTooLong };
        Status status = Status::Ok;
        std::vector<FileSource::Span> spans;
        qint64 crLf = 0;
        qint64 lf = 0; // all LFs, those of CR LF included
        qint64 cr = 0; // all CRs, those of CR LF included
        // Whether the first LF ends a CR LF; none while no LF was met.
        std::optional<bool> firstLfAfterCr;
        qint64 firstHigh = -1; // the offset of the first byte beyond ASCII, once one was met
    };
    using Progress = std::function<void(qint64 bytes)>;

    // Scans [from, to) of fd. utf8 false: Windows-1252, every byte a character. Stops with
    // LineTooLong after about longestLine bytes without a line break (0: never).
    static Part scan(int fd, qint64 from, qint64 to, bool utf8, qint64 longestLine,
                     const std::atomic<bool> *cancel, const Progress &progress = {});
    // The counts of one span's bytes; false when utf8 and they are not UTF-8.
    static bool count(QByteArrayView bytes, bool utf8, FileSource::Span &span, Part &part,
                      bool &crBefore);
    // Where a span that should end at target may end: at or before it, after begin.
    static qsizetype cut(QByteArrayView bytes, qsizetype begin, qsizetype target, bool utf8);

    static constexpr qsizetype spanBytes = 32 << 10;
    static constexpr qsizetype blockBytes = 4 << 20;
};
