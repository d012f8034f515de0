// SPDX-License-Identifier: GPL-3.0-or-later
#include "filesource.h"

#include "plaintext/bytechecksum.h"

#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <unistd.h>

FileSource::FileSource(int fd, TextEncoding encoding) : m_fd(fd), m_encoding(encoding)
{
}

FileSource::~FileSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

quint64 FileSource::checksum(const char *data, qsizetype size)
{
    return ByteChecksum::of(data, size);
}

bool FileSource::decodeBytes(const char *data, qsizetype size, TextEncoding encoding, Decoded &out)
{
    const QStringConverter::Encoding unicode = TextDecoder::unicodeConverter(encoding);
    const bool utf16 = unicode == QStringConverter::Utf16LE || unicode == QStringConverter::Utf16BE;
    // Never more characters than bytes (than half the bytes in UTF-16).
    out.text.resize(utf16 ? size / 2 + 1 : size);
    QChar *begin = out.text.data();
    QChar *end = nullptr;
    if (encoding == TextEncoding::Windows1252) {
        end = TextDecoder::fromWindows1252(QByteArrayView(data, size), begin);
    } else {
        QStringDecoder decoder(utf16 ? unicode : QStringConverter::Utf8, TextDecoder::contentFlags);
        end = decoder.appendToBuffer(begin, QByteArrayView(data, size));
        if (decoder.hasError())
            return false;
    }
    // CR LF and a lone CR become '\n'; a range never ends between the two of a CR LF.
    QChar *write = begin;
    out.breaks.clear();
    for (const QChar *read = begin; read < end; ++read) {
        QChar c = *read;
        if (c == u'\r') {
            if (read + 1 < end && read[1] == u'\n')
                ++read;
            c = u'\n';
        }
        if (c == u'\n')
            out.breaks.push_back(qint32(write - begin));
        *write++ = c;
    }
    out.text.truncate(write - begin);
    return true;
}

bool FileSource::readBytes(qint64 offset, qint64 length, char *into) const
{
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::pread(m_fd, into + got, size_t(length - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += n;
    }
    return true;
}

std::shared_ptr<const FileSource::Decoded> FileSource::load(const Span &span) const
{
    QByteArray bytes(span.bytes, Qt::Uninitialized);
    const bool whole = readBytes(span.offset, span.bytes, bytes.data());
    auto decoded = std::make_shared<Decoded>();
    if (whole && checksum(bytes.constData(), span.bytes) == span.checksum &&
        decodeBytes(bytes.constData(), span.bytes, m_encoding, *decoded) &&
        decoded->text.size() == span.length && decoded->breaks.size() == span.breaks)
        return decoded;
    // The bytes are not those the text was read from: blanks in their place, breaks first, so
    // that every line and position the index knows still exists.
    m_changed.store(true, std::memory_order_relaxed);
    decoded->text = QString(span.length, u' ');
    decoded->breaks.clear();
    for (qint32 i = 0; i < span.breaks; ++i) {
        decoded->text[i] = u'\n';
        decoded->breaks.push_back(i);
    }
    return decoded;
}

std::shared_ptr<const FileSource::Decoded> FileSource::decode(const Span &span) const
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (const auto it = m_cache.find(span.offset); it != m_cache.end()) {
            m_order.splice(m_order.begin(), m_order, it->second.place);
            return it->second.decoded;
        }
    }
    // Decoded outside the lock: another thread finds its own ranges meanwhile.
    std::shared_ptr<const Decoded> decoded = load(span);
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (const auto it = m_cache.find(span.offset); it != m_cache.end())
        return it->second.decoded;
    m_order.push_front(span.offset);
    m_cache.emplace(span.offset, Entry{decoded, m_order.begin()});
    m_cachedBytes += decoded->text.size() * qsizetype(sizeof(QChar));
    while (m_cachedBytes > cacheBytes && m_order.size() > 1) {
        const auto last = m_cache.find(m_order.back());
        m_cachedBytes -= last->second.decoded->text.size() * qsizetype(sizeof(QChar));
        m_cache.erase(last);
        m_order.pop_back();
    }
    return decoded;
}
