// SPDX-License-Identifier: GPL-3.0-or-later
#include "textbuffer.h"

#include "plaintext/bytesearch.h"

#include <algorithm>
#include <atomic>

void TextBuffer::indexChunk(Chunk &chunk)
{
    // An edited chunk owns a copy of its text: the memory it was read into may go.
    if (chunk.storage && chunk.text.data_ptr().isMutable())
        chunk.storage.reset();
    chunk.breaks.clear();
    const QStringView text(chunk.text);
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1))
        chunk.breaks.push_back(qint32(at));
}

TextBuffer::ChunkText TextBuffer::chunkText(qsizetype chunk) const
{
    const Chunk &c = m_chunks[size_t(chunk)];
    ChunkText out;
    if (c.file) {
        out.hold = c.file->decode(c.span);
        out.text = QStringView(out.hold->text);
        out.breaks = &out.hold->breaks;
    } else {
        out.text = QStringView(c.text);
        out.breaks = &c.breaks;
    }
    return out;
}

void TextBuffer::materialize(qsizetype chunk)
{
    Chunk &c = m_chunks[size_t(chunk)];
    if (!c.file)
        return;
    const std::shared_ptr<const FileSource::Decoded> decoded = c.file->decode(c.span);
    c.text = decoded->text;
    c.breaks = decoded->breaks;
    c.file.reset();
}

qsizetype TextBuffer::chunkOf(qsizetype position) const
{
    if (m_chunks.empty())
        return -1;
    const auto it = std::upper_bound(m_chunkStart.begin(), m_chunkStart.end(), position);
    return std::max<qsizetype>(0, (it - m_chunkStart.begin()) - 1);
}

void TextBuffer::renumberFrom(qsizetype chunk)
{
    const auto count = qsizetype(m_chunks.size());
    m_chunkStart.resize(count);
    m_breaksBefore.resize(count);
    qsizetype start = chunk > 0 ? m_chunkStart[chunk - 1] + m_chunks[chunk - 1].size() : 0;
    qsizetype breaks = chunk > 0 ? m_breaksBefore[chunk - 1] + m_chunks[chunk - 1].breakCount() : 0;
    for (qsizetype i = std::max<qsizetype>(chunk, 0); i < count; ++i) {
        m_chunkStart[i] = start;
        m_breaksBefore[i] = breaks;
        start += m_chunks[i].size();
        breaks += m_chunks[i].breakCount();
    }
    m_length = start;
    m_breaks = breaks;
    ++m_revision;
}

void TextBuffer::splitIfLarge(qsizetype chunk)
{
    if (m_chunks[chunk].text.size() <= 2 * chunkTarget)
        return;
    const QString whole = std::move(m_chunks[chunk].text);
    std::vector<Chunk> pieces;
    for (qsizetype at = 0; at < whole.size(); at += chunkTarget) {
        Chunk piece;
        piece.text = whole.mid(at, chunkTarget);
        indexChunk(piece);
        pieces.push_back(std::move(piece));
    }
    m_chunks.erase(m_chunks.begin() + chunk);
    m_chunks.insert(m_chunks.begin() + chunk, std::make_move_iterator(pieces.begin()),
                    std::make_move_iterator(pieces.end()));
}

qsizetype TextBuffer::lineStart(qsizetype line) const
{
    if (line <= 0)
        return 0;
    if (line > m_breaks)
        return m_length;
    // The break that ends the line before.
    const qsizetype k = line - 1;
    const auto it = std::upper_bound(m_breaksBefore.begin(), m_breaksBefore.end(), k);
    const qsizetype c = (it - m_breaksBefore.begin()) - 1;
    return m_chunkStart[c] + (*chunkText(c).breaks)[k - m_breaksBefore[c]] + 1;
}

qsizetype TextBuffer::lineEnd(qsizetype line) const
{
    if (line < 0)
        return 0;
    if (line >= m_breaks)
        return m_length;
    const auto it = std::upper_bound(m_breaksBefore.begin(), m_breaksBefore.end(), line);
    const qsizetype c = (it - m_breaksBefore.begin()) - 1;
    return m_chunkStart[c] + (*chunkText(c).breaks)[line - m_breaksBefore[c]];
}

qsizetype TextBuffer::lineOf(qsizetype position) const
{
    if (m_chunks.empty() || position <= 0)
        return 0;
    position = std::min(position, m_length);
    const qsizetype c = chunkOf(position);
    const ChunkText piece = chunkText(c);
    const auto &breaks = *piece.breaks;
    const auto local = qint32(position - m_chunkStart[c]);
    return m_breaksBefore[c] +
           (std::lower_bound(breaks.begin(), breaks.end(), local) - breaks.begin());
}

QChar TextBuffer::at(qsizetype position) const
{
    if (position < 0 || position >= m_length)
        return QChar();
    const qsizetype c = chunkOf(position);
    return chunkText(c).text.at(position - m_chunkStart[c]);
}

QString TextBuffer::mid(qsizetype position, qsizetype count) const
{
    position = std::clamp<qsizetype>(position, 0, m_length);
    count = std::clamp<qsizetype>(count, 0, m_length - position);
    QString out;
    if (count == 0)
        return out;
    out.reserve(count);
    for (qsizetype c = chunkOf(position); count > 0; ++c) {
        const ChunkText piece = chunkText(c);
        const qsizetype local = position - m_chunkStart[c];
        const qsizetype n = std::min(count, piece.text.size() - local);
        out.append(piece.text.sliced(local, n));
        position += n;
        count -= n;
    }
    return out;
}

void TextBuffer::append(QStringView text)
{
    if (text.isEmpty())
        return;
    noteChange(m_length, 0, text.size());
    const qsizetype firstChanged = m_chunks.empty() ? 0 : qsizetype(m_chunks.size()) - 1;
    while (!text.isEmpty()) {
        if (m_chunks.empty() || m_chunks.back().file ||
            m_chunks.back().text.size() >= chunkTarget) {
            m_chunks.emplace_back();
            m_chunks.back().text.reserve(chunkTarget);
        }
        Chunk &last = m_chunks.back();
        const qsizetype n = std::min(text.size(), chunkTarget - last.text.size());
        const QStringView part = text.first(n);
        const qsizetype base = last.text.size();
        last.text.append(part);
        for (qsizetype at = part.indexOf(u'\n'); at >= 0; at = part.indexOf(u'\n', at + 1))
            last.breaks.push_back(qint32(base + at));
        text = text.sliced(n);
    }
    renumberFrom(firstChanged);
}

void TextBuffer::appendPiece(QString &&piece)
{
    // A small piece joins a last chunk that has room; a large one is cut as append() cuts it.
    if (piece.size() > 2 * chunkTarget ||
        (!m_chunks.empty() && !m_chunks.back().file &&
         m_chunks.back().text.size() + piece.size() <= chunkTarget)) {
        append(piece);
        return;
    }
    if (piece.isEmpty())
        return;
    noteChange(m_length, 0, piece.size());
    Chunk chunk;
    chunk.text = std::move(piece);
    indexChunk(chunk);
    m_chunks.push_back(std::move(chunk));
    renumberFrom(qsizetype(m_chunks.size()) - 1);
}

void TextBuffer::appendStored(QStringView piece, std::shared_ptr<const void> storage)
{
    if (piece.isEmpty())
        return;
    noteChange(m_length, 0, piece.size());
    const qsizetype firstChanged = qsizetype(m_chunks.size());
    for (qsizetype at = 0; at < piece.size(); at += chunkTarget) {
        const QStringView part = piece.sliced(at, std::min(chunkTarget, piece.size() - at));
        Chunk chunk;
        chunk.text = QString::fromRawData(part.data(), part.size());
        chunk.storage = storage;
        indexChunk(chunk);
        m_chunks.push_back(std::move(chunk));
    }
    renumberFrom(firstChanged);
}

void TextBuffer::appendFileSpans(std::shared_ptr<const FileSource> file,
                                 const std::vector<FileSource::Span> &spans)
{
    const qsizetype firstChanged = qsizetype(m_chunks.size());
    qsizetype added = 0;
    m_chunks.reserve(m_chunks.size() + spans.size());
    for (const FileSource::Span &span : spans) {
        if (span.length == 0)
            continue;
        Chunk chunk;
        chunk.file = file;
        chunk.span = span;
        added += span.length;
        m_chunks.push_back(std::move(chunk));
    }
    if (added == 0)
        return;
    noteChange(m_length, 0, added);
    m_file = std::move(file);
    renumberFrom(firstChanged);
}

void TextBuffer::append(TextBuffer &&later)
{
    if (later.m_chunks.empty())
        return;
    noteChange(m_length, 0, later.m_length);
    if (later.m_file)
        m_file = later.m_file;
    const qsizetype firstChanged = qsizetype(m_chunks.size());
    m_chunks.insert(m_chunks.end(), std::make_move_iterator(later.m_chunks.begin()),
                    std::make_move_iterator(later.m_chunks.end()));
    later.clear();
    renumberFrom(firstChanged);
}

void TextBuffer::insert(qsizetype position, QStringView text)
{
    if (text.isEmpty())
        return;
    position = std::clamp<qsizetype>(position, 0, m_length);
    if (m_chunks.empty() || position == m_length) {
        // Typing at the end fills the last chunk in place.
        if (!m_chunks.empty() && m_chunks.back().size() + text.size() <= 2 * chunkTarget) {
            noteChange(position, 0, text.size());
            const qsizetype c = qsizetype(m_chunks.size()) - 1;
            materialize(c);
            m_chunks[c].text.append(text);
            indexChunk(m_chunks[c]);
            renumberFrom(c);
            return;
        }
        append(text);
        return;
    }
    noteChange(position, 0, text.size());
    const qsizetype c = chunkOf(position);
    materialize(c);
    m_chunks[c].text.insert(position - m_chunkStart[c], text);
    indexChunk(m_chunks[c]);
    splitIfLarge(c);
    renumberFrom(c);
}

void TextBuffer::remove(qsizetype position, qsizetype count)
{
    position = std::clamp<qsizetype>(position, 0, m_length);
    count = std::clamp<qsizetype>(count, 0, m_length - position);
    if (count == 0)
        return;
    if (count == m_length) {
        clear();
        return;
    }
    noteChange(position, count, 0);
    const qsizetype first = chunkOf(position);
    qsizetype c = first;
    qsizetype local = position - m_chunkStart[c];
    qsizetype eraseFrom = -1;
    qsizetype eraseTo = -1;
    while (count > 0) {
        const qsizetype n = std::min(count, m_chunks[c].size() - local);
        if (local == 0 && n == m_chunks[c].size()) {
            if (eraseFrom < 0)
                eraseFrom = c;
            eraseTo = c + 1;
        } else {
            materialize(c);
            m_chunks[c].text.remove(local, n);
            indexChunk(m_chunks[c]);
        }
        count -= n;
        local = 0;
        ++c;
    }
    if (eraseFrom >= 0)
        m_chunks.erase(m_chunks.begin() + eraseFrom, m_chunks.begin() + eraseTo);
    // Neighbours that became small are joined, so that deleting never leaves many tiny chunks.
    const qsizetype at = std::min(first, qsizetype(m_chunks.size()) - 1);
    if (at + 1 < qsizetype(m_chunks.size()) &&
        m_chunks[at].size() + m_chunks[at + 1].size() <= chunkTarget) {
        materialize(at);
        materialize(at + 1);
        m_chunks[at].text.append(m_chunks[at + 1].text);
        indexChunk(m_chunks[at]);
        m_chunks.erase(m_chunks.begin() + at + 1);
    }
    renumberFrom(std::max<qsizetype>(0, at));
}

bool TextBuffer::mapPieces(const std::function<bool(QString &piece)> &map)
{
    bool changed = false;
    bool moved = false;
    qsizetype position = 0;
    for (size_t c = 0; c < m_chunks.size(); position += m_chunks[c].text.size(), ++c) {
        materialize(qsizetype(c));
        if (c + 1 < m_chunks.size())
            materialize(qsizetype(c) + 1);
        Chunk &chunk = m_chunks[c];
        // A pair split between two chunks comes together in the first of them.
        if (c + 1 < m_chunks.size() && !chunk.text.isEmpty() &&
            chunk.text.back().isHighSurrogate() && !m_chunks[c + 1].text.isEmpty() &&
            m_chunks[c + 1].text.front().isLowSurrogate()) {
            Chunk &next = m_chunks[c + 1];
            chunk.text.append(next.text.front());
            next.text.remove(0, 1);
            indexChunk(next);
            if (next.text.isEmpty())
                m_chunks.erase(m_chunks.begin() + qsizetype(c) + 1);
            moved = true;
        }
        const qsizetype before = chunk.text.size();
        if (!map(chunk.text))
            continue;
        noteChange(position, before, chunk.text.size());
        indexChunk(chunk);
        changed = true;
    }
    if (changed || moved)
        renumberFrom(0);
    return changed;
}

void TextBuffer::clear()
{
    noteChange(0, m_length, 0);
    m_chunks.clear();
    m_file.reset();
    m_chunkStart.clear();
    m_breaksBefore.clear();
    m_length = 0;
    m_breaks = 0;
    ++m_revision;
}

qsizetype TextBuffer::indexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const
{
    from = std::max<qsizetype>(from, 0);
    if (needle.isEmpty())
        return from <= m_length ? from : -1;
    if (from + needle.size() > m_length)
        return -1;
    if (needle.size() > chunkTarget / 2)
        return text().indexOf(needle, from, cs);
    for (qsizetype c = chunkOf(from); c < qsizetype(m_chunks.size()); ++c) {
        const ChunkText piece = chunkText(c);
        const QStringView text = piece.text;
        const qsizetype local = std::max<qsizetype>(0, from - m_chunkStart[c]);
        if (const qsizetype at = text.indexOf(needle, local, cs); at >= 0)
            return m_chunkStart[c] + at;
        // An occurrence that begins in this chunk and ends in the following ones.
        const qsizetype tail = std::min(text.size() - local, needle.size() - 1);
        if (tail > 0 && c + 1 < qsizetype(m_chunks.size())) {
            const qsizetype start = m_chunkStart[c] + text.size() - tail;
            const QString window = mid(start, tail + needle.size() - 1);
            if (const qsizetype at = window.indexOf(needle, 0, cs); at >= 0 && at < tail)
                return start + at;
        }
    }
    return -1;
}

bool TextBuffer::mayHold(QStringView needle, qsizetype position, qsizetype count) const
{
    position = std::max<qsizetype>(position, 0);
    const qsizetype end = std::min(m_length, position + count);
    if (!m_file || needle.isEmpty() || end - position < needle.size())
        return !needle.isEmpty() ? end - position >= needle.size() : true;
    // A line end of the text is one of three in the file; nothing else is changed by decoding.
    if (needle.contains(u'\n'))
        return true;
    QByteArray pattern;
    switch (m_file->encoding()) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithBom:
        pattern = needle.toUtf8();
        break;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16LENoBom:
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf16BENoBom: {
        const bool little = m_file->encoding() == TextEncoding::Utf16LE ||
                            m_file->encoding() == TextEncoding::Utf16LENoBom;
        for (const QChar c : needle) {
            const char low = char(c.unicode() & 0xFF);
            const char high = char(c.unicode() >> 8);
            pattern.append(little ? low : high).append(little ? high : low);
        }
        break;
    }
    case TextEncoding::Windows1252: {
        // A single-byte code page keeps ASCII as it is: the longest run of it must be there.
        qsizetype best = 0;
        qsizetype bestLength = 0;
        for (qsizetype i = 0; i < needle.size();) {
            qsizetype j = i;
            while (j < needle.size() && needle[j].unicode() < 0x80)
                ++j;
            if (j - i > bestLength) {
                best = i;
                bestLength = j - i;
            }
            i = j + 1;
        }
        if (bestLength == 0)
            return true;
        pattern = needle.sliced(best, bestLength).toLatin1();
        break;
    }
    default:
        return true;
    }
    // The bytes of the chunks the range touches, when they follow each other in the file.
    const qsizetype first = chunkOf(position);
    const qsizetype last = chunkOf(end - 1);
    for (qsizetype c = first; c <= last; ++c) {
        const Chunk &chunk = m_chunks[size_t(c)];
        if (chunk.file != m_file ||
            (c > first && chunk.span.offset != m_chunks[size_t(c - 1)].span.offset +
                                                   m_chunks[size_t(c - 1)].span.bytes))
            return true;
    }
    const qint64 from = m_chunks[size_t(first)].span.offset;
    const qint64 to = m_chunks[size_t(last)].span.offset + m_chunks[size_t(last)].span.bytes;
    // Read a block at a time, each reaching as far into the next as the pattern, less one.
    constexpr qint64 block = 4 << 20;
    QByteArray bytes;
    for (qint64 at = from; at < to; at += block) {
        const qint64 length = std::min<qint64>(block + pattern.size() - 1, to - at);
        if (length < pattern.size())
            break;
        bytes.resize(length);
        if (!m_file->readBytes(at, length, bytes.data()))
            return true;
        if (ByteSearch::find(bytes, pattern) >= 0)
            return true;
    }
    return false;
}

quint64 TextBuffer::markOriginal()
{
    static std::atomic<quint64> lastMark{0};
    m_origin = OriginMap(m_length);
    m_originMark = ++lastMark;
    return m_originMark;
}
