// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/sourcemap.h"

#include <QByteArray>

// The bytes of a file, read at any offset.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Up to length bytes from offset into out (fewer at the end); false when reading failed.
    virtual bool read(qint64 offset, qint64 length, QByteArray &out) = 0;
};

// Steps through a file's bytes character by character as the text was decoded from them: each
// step is one character of the text (two for a character beyond U+FFFF) with the bytes it came
// from, any line end (CR LF, LF or a lone CR) being one '\n'.
class SourceWalker
{
public:
    enum class Break { None, Cr, Lf, CrLf };
    struct Unit
    {
        char16_t text[2] = {};
        int count = 0; // characters: 1, or 2 for a surrogate pair
        qint64 start = 0;
        qint64 end = 0;
        Break lineEnd = Break::None;
    };

    SourceWalker(const SourceMap &map, ByteSource &bytes);

    // Goes to position of the text, decoding from the mark before it. False when the position
    // lies inside a character's bytes (between the halves of a pair) or the bytes cannot be read.
    bool seek(qsizetype position);
    qsizetype position() const { return m_position; }
    qint64 offset() const;
    // Where the last character's bytes end: bytes after it make no character (the odd last
    // byte of UTF-16). -1 when the bytes cannot be read.
    qint64 textEnd();
    // The step before the position reached by seek(), if seek() passed one; the last line end
    // passed since the mark seek() started from.
    const Unit *previous() const { return m_hasPrevious ? &m_previous : nullptr; }
    const Unit *lastLineEnd() const { return m_hasLineEnd ? &m_lineEnd : nullptr; }

    // The next character and its bytes; false at the end of the text (or when reading failed,
    // which failed() tells).
    bool next(Unit &unit);
    bool failed() const { return m_failed; }

private:
    // One character of the encoding at offset, before line ends are joined; 0 bytes at the end.
    bool decodeAt(qint64 offset, Unit &unit);
    bool bytesAt(qint64 offset, qint64 count, const unsigned char *&data);

    const SourceMap &m_map;
    ByteSource &m_bytes;
    qsizetype m_position = 0;
    qint64 m_offset = 0;
    Unit m_previous;
    bool m_hasPrevious = false;
    Unit m_lineEnd;
    bool m_hasLineEnd = false;
    bool m_failed = false;
    QByteArray m_window;
    qint64 m_windowStart = 0;
};
