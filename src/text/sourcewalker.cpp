// SPDX-License-Identifier: GPL-3.0-or-later
#include "sourcewalker.h"

namespace {

constexpr qint64 windowBytes = 64 * 1024;

void setCodePoint(SourceWalker::Unit &unit, char32_t code)
{
    if (code > 0xFFFF) {
        unit.text[0] = char16_t(0xD800 + ((code - 0x10000) >> 10));
        unit.text[1] = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
        unit.count = 2;
    } else {
        unit.text[0] = char16_t(code);
        unit.count = 1;
    }
}

} // namespace

SourceWalker::SourceWalker(const SourceMap &map, ByteSource &bytes)
    : m_map(map), m_bytes(bytes), m_offset(map.textStart)
{
}

qint64 SourceWalker::offset() const
{
    return m_offset;
}

bool SourceWalker::bytesAt(qint64 offset, qint64 count, const unsigned char *&data)
{
    if (offset + count > m_map.size)
        return false;
    if (offset < m_windowStart || offset + count > m_windowStart + m_window.size()) {
        m_windowStart = offset;
        if (!m_bytes.read(offset, windowBytes, m_window)) {
            m_failed = true;
            m_window.clear();
            return false;
        }
        if (count > m_window.size())
            return false;
    }
    data = reinterpret_cast<const unsigned char *>(m_window.constData()) + (offset - m_windowStart);
    return true;
}

bool SourceWalker::decodeAt(qint64 offset, Unit &unit)
{
    unit = Unit{};
    unit.start = offset;
    const unsigned char *b = nullptr;
    switch (m_map.encoding) {
    case TextEncoding::Windows1252: {
        if (!bytesAt(offset, 1, b))
            return false;
        QChar c;
        TextDecoder::fromWindows1252(QByteArrayView(reinterpret_cast<const char *>(b), 1), &c);
        unit.text[0] = c.unicode();
        unit.count = 1;
        unit.end = offset + 1;
        return true;
    }
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithBom: {
        if (!bytesAt(offset, 1, b))
            return false;
        const int length = b[0] < 0x80 ? 1 : b[0] >= 0xF0 ? 4 : b[0] >= 0xE0 ? 3 : 2;
        if (!bytesAt(offset, length, b))
            return false;
        char32_t code = length == 1   ? b[0]
                        : length == 2 ? b[0] & 0x1F
                        : length == 3 ? b[0] & 0x0F
                                      : b[0] & 0x07;
        for (int i = 1; i < length; ++i)
            code = (code << 6) | (b[i] & 0x3F);
        setCodePoint(unit, code);
        unit.end = offset + length;
        return true;
    }
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16LENoBom:
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf16BENoBom: {
        if (!bytesAt(offset, 2, b))
            return false;
        const bool little =
            m_map.encoding == TextEncoding::Utf16LE || m_map.encoding == TextEncoding::Utf16LENoBom;
        unit.text[0] = little ? char16_t(b[0] | b[1] << 8) : char16_t(b[1] | b[0] << 8);
        unit.count = 1;
        unit.end = offset + 2;
        return true;
    }
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE: {
        if (!bytesAt(offset, 4, b))
            return false;
        const bool little = m_map.encoding == TextEncoding::Utf32LE;
        const char32_t code = little ? char32_t(b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24)
                                     : char32_t(b[3] | b[2] << 8 | b[1] << 16 | b[0] << 24);
        setCodePoint(unit, code);
        unit.end = offset + 4;
        return true;
    }
    default:
        break; // other code pages: their places are not traced (the map is never exact)
    }
    return false;
}

bool SourceWalker::next(Unit &unit)
{
    if (m_position >= m_map.length || !decodeAt(m_offset, unit))
        return false;
    if (unit.count == 1 && unit.text[0] == u'\r') {
        Unit following;
        const bool lf =
            decodeAt(unit.end, following) && following.count == 1 && following.text[0] == u'\n';
        unit.text[0] = u'\n';
        unit.lineEnd = lf ? Break::CrLf : Break::Cr;
        if (lf)
            unit.end = following.end;
    } else if (unit.count == 1 && unit.text[0] == u'\n') {
        unit.lineEnd = Break::Lf;
    }
    m_offset = unit.end;
    m_position += unit.count;
    return true;
}

qint64 SourceWalker::textEnd()
{
    return seek(m_map.length) ? m_offset : -1;
}

bool SourceWalker::seek(qsizetype position)
{
    const SourceMap::Mark mark = m_map.markBefore(position);
    m_position = mark.position;
    m_offset = mark.offset;
    m_hasPrevious = false;
    m_hasLineEnd = false;
    Unit unit;
    while (m_position < position) {
        if (!next(unit))
            return false;
        m_previous = unit;
        m_hasPrevious = true;
        if (unit.lineEnd != Break::None) {
            m_lineEnd = unit;
            m_hasLineEnd = true;
        }
    }
    return m_position == position;
}
