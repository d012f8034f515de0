// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QtGlobal>

#include <algorithm>
#include <vector>

// Where a text decoded from a file lies in the file's bytes, so that a save can copy what was not
// edited instead of encoding it again: the encoding, the bytes before the text (a byte-order
// mark), and now and then a place where a character of the text and its bytes begin together,
// from which any position is found by decoding a little (SourceWalker).
struct SourceMap
{
    struct Mark
    {
        qsizetype position; // in the text, line ends counting one
        qint64 offset;      // in the file
    };
    // The file as it was read, to tell later whether its bytes are still those.
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Identity &) const = default;
    };

    TextEncoding encoding = TextEncoding::Utf8;
    qint64 textStart = 0; // the byte-order mark's length
    // The bytes read. Past the last character there may be bytes that make none (the odd last
    // byte of a UTF-16 file): they belong to the end of the text.
    qint64 size = 0;
    qsizetype length = 0;    // characters of the text
    std::vector<Mark> marks; // ascending, the first at {0, textStart}
    // Whether the marks can be trusted: the decoding met nothing they cannot follow (a sequence
    // the encoding does not allow, which became a replacement character).
    bool exact = false;
    quint64 textMark = 0; // TextBuffer::originMark() of the text read
    Identity file;

    // The last mark at or before position.
    Mark markBefore(qsizetype position) const
    {
        const auto after = std::upper_bound(
            marks.begin(), marks.end(), position,
            [](qsizetype value, const Mark &mark) { return value < mark.position; });
        return after == marks.begin() ? Mark{0, textStart} : *(after - 1);
    }
};
