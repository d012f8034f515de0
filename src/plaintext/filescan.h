// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/filesource.h"

class ScanGrowth;

#include <QByteArrayView>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

// Goes once through a range of a file's bytes and cuts it into spans of about spanBytes, each
// ending where a character and a line end do (never inside a UTF-8 sequence, never between the
// CR and the LF of a CR LF), counting for each its characters and line breaks as the decoded text
// will have them. Pure ASCII goes sixteen bytes at a time. Checks that UTF-8 is UTF-8 and that
// UTF-16 pairs its surrogates.
class FileScan
{
public:
    // How the bytes make characters: UTF-8, one byte each (Windows-1252), or UTF-16.
    enum class Form { Utf8, SingleByte, Utf16LE, Utf16BE };

    struct Part
    {
        enum class Status { Ok, NotText, ReadFailed, Cancelled, LineTooLong };
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

    // Scans [from, to) of fd (for UTF-16, an even number of bytes). Stops with LineTooLong
    // after about longestLine bytes without a line break (0: never). The spans found are handed
    // to growth, when there is one, a block at a time.
    // Spans are of about spanSize bytes; 0 takes spanBytesFor() the range.
    static Part scan(int fd, qint64 from, qint64 to, Form form, qint64 longestLine,
                     const std::atomic<bool> *cancel, const Progress &progress = {},
                     ScanGrowth *growth = nullptr, qsizetype spanSize = 0);
    // The same for [from, to) cut in two near the middle, where a character and a line end
    // begin, and both halves scanned at once, the second on a thread of its own; in one piece
    // when it is shorter than splitFrom or cannot be cut. Gives what one scan gives; growth has
    // the first half's spans as they are found.
    using HalvesProgress = std::function<void(qint64 done, qint64 total)>;
    static Part scanInHalves(int fd, qint64 from, qint64 to, Form form, qint64 longestLine,
                             const std::atomic<bool> *cancel, const HalvesProgress &progress,
                             qint64 splitFrom, ScanGrowth *growth = nullptr);
    // The counts of one span's bytes; false when they are not text of the form.
    static bool count(QByteArrayView bytes, Form form, FileSource::Span &span, Part &part,
                      bool &crBefore);
    // Up to length bytes of fd from offset; fewer where the file ends.
    static QByteArray readAt(int fd, qint64 offset, qint64 length);
    // Where a span that should end at target may end: at or before it, after begin.
    static qsizetype cut(QByteArrayView bytes, qsizetype begin, qsizetype target, Form form);

    // Whether the processor's wide instructions may be used where it has them (the narrow way
    // finds the same; tests compare the two).
    static void allowWideInstructions(bool allowed);

    static constexpr qsizetype spanBytes = 32 << 10;
    // A text of many gigabytes is cut into longer spans, up to largestSpanBytes, so that it
    // has no more than about manySpans of them: the window's work on a whole text (taking it
    // over once it is read, handing it to the reader) grows with their number.
    static constexpr qsizetype largestSpanBytes = 256 << 10;
    static constexpr qint64 manySpans = 64 << 10;
    static qsizetype spanBytesFor(qint64 textBytes);
    static constexpr qsizetype blockBytes = 4 << 20;
};
