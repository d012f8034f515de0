// SPDX-License-Identifier: GPL-3.0-or-later
#include "appendedtext.h"

#include <QFile>

namespace {
// Where the last whole UTF-8 character ends.
qsizetype wholeUtf8(const QByteArray &bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 4 && back <= size; ++back) {
        const uchar c = uchar(bytes[size - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte
        const qsizetype needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return needed > back ? size - back : size;
    }
    return size;
}
} // namespace

QByteArray AppendedText::tailOf(const QString &path, qint64 end)
{
    QFile file(path);
    const qint64 from = qMax<qint64>(0, end - tailBytes);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return {};
    return file.read(end - from);
}

AppendedText::Read AppendedText::read(const QString &path, qint64 from, const QByteArray &tail,
                                      TextEncoding encoding, qint64 limit)
{
    Read result;
    if (encoding != TextEncoding::Utf8 && encoding != TextEncoding::Utf8WithBom &&
        encoding != TextEncoding::Windows1252)
        return result;
    QFile file(path);
    const qint64 tailFrom = from - tail.size();
    if (tailFrom < 0 || !file.open(QIODevice::ReadOnly) || file.size() - from > limit ||
        !file.seek(tailFrom))
        return result;
    // The bytes shown last are still there: the file was added to, not written anew.
    if (file.read(tail.size()) != tail)
        return result;
    QByteArray bytes = file.read(limit);
    // A CR at the end is a line end at once: should its LF follow, the two make one line end
    // (below), as they do in a file read whole.
    const qsizetype take = encoding == TextEncoding::Windows1252 ? bytes.size() : wholeUtf8(bytes);
    bytes.truncate(take);
    QString text = encoding == TextEncoding::Windows1252 ? TextDecoder::fromWindows1252(bytes)
                                                         : QString::fromUtf8(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    // A CR held back from the last read and the LF that now follows it make one line end.
    if (tail.endsWith('\r') && text.startsWith(u'\n'))
        text.remove(0, 1);
    result.ok = true;
    result.text = std::move(text);
    result.end = from + take;
    result.tail = (tail + bytes).right(tailBytes);
    return result;
}
