// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bytes of a file held in memory, read as a save reads a file, and small comparisons of what a
// save wrote: for tests that check which bytes an edited save changed.
#include "text/sourcewalker.h"

#include <QByteArray>
#include <QString>

#include <limits>

class MemoryBytes : public ByteSource
{
public:
    explicit MemoryBytes(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    bool read(qint64 offset, qint64 length, QByteArray &out) override
    {
        out = m_bytes.mid(offset, length);
        return true;
    }

private:
    QByteArray m_bytes;
};

// The text in bytes of a known encoding, as a save's walker reads it.
inline QString textOf(const QByteArray &bytes, const SourceMap &like)
{
    SourceMap map;
    map.encoding = like.encoding;
    map.textStart = like.textStart;
    map.size = bytes.size();
    map.length = std::numeric_limits<qsizetype>::max();
    MemoryBytes source(bytes);
    SourceWalker walker(map, source);
    QString text;
    SourceWalker::Unit unit;
    while (walker.next(unit))
        text.append(QStringView(unit.text, unit.count));
    return text;
}

// Where the characters before position lie in bytes.
inline qint64 offsetOf(const QByteArray &bytes, const SourceMap &map, qsizetype position)
{
    MemoryBytes source(bytes);
    SourceWalker walker(map, source);
    return walker.seek(position) ? walker.offset() : -1;
}

// The text in UTF-16 of either byte order, without a byte-order mark.
inline QByteArray utf16(const QString &text, bool little)
{
    QByteArray out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        out.append(char(little ? u & 0xFF : u >> 8));
        out.append(char(little ? u >> 8 : u & 0xFF));
    }
    return out;
}

inline qsizetype commonPrefix(const QByteArray &a, const QByteArray &b)
{
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

inline qsizetype commonSuffix(const QByteArray &a, const QByteArray &b)
{
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[a.size() - 1 - i] == b[b.size() - 1 - i])
        ++i;
    return i;
}
