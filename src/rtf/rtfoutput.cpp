// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfoutput.h"

#include <array>
#include <charconv>

namespace {

// Lines are broken at the next safe place after this many bytes, and wherever they are past
// the hard limit; tokens are short, so lines stay below about 200 bytes.
constexpr qsizetype SoftLineLimit = 150;
constexpr qsizetype HardLineLimit = 180;

// Code page 1252 bytes 0x80..0x9f; 0 where the code page leaves the byte undefined.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017d, 0,      0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178,
};

constexpr char HexDigits[] = "0123456789abcdef";

} // namespace

RtfOutput::RtfOutput(qsizetype expectedSize)
{
    m_out.reserve(expectedSize + 1024);
}

int RtfOutput::cp1252Byte(char16_t unit)
{
    if (unit >= 0xa0 && unit <= 0xff)
        return unit;
    for (std::size_t i = 0; i < Cp1252High.size(); ++i) {
        if (Cp1252High[i] == unit && unit != 0)
            return int(0x80 + i);
    }
    return -1;
}

void RtfOutput::beforeToken(bool breakHere)
{
    const qsizetype lineLength = m_out.size() - m_lineStart;
    if (lineLength >= HardLineLimit || (breakHere && lineLength >= SoftLineLimit))
        lineBreak();
}

void RtfOutput::lineBreak()
{
    // The delimiter goes before the line break: a reader must see the word end right there.
    if (m_needsDelimiter) {
        m_out.append(' ');
        m_needsDelimiter = false;
    }
    m_out.append('\n');
    m_lineStart = m_out.size();
}

void RtfOutput::openGroup()
{
    beforeToken(true);
    m_out.append('{');
    m_needsDelimiter = false;
}

void RtfOutput::closeGroup()
{
    beforeToken(true);
    m_out.append('}');
    m_needsDelimiter = false;
}

void RtfOutput::word(const char *name)
{
    beforeToken(true);
    m_out.append('\\');
    m_out.append(name);
    m_needsDelimiter = true;
}

void RtfOutput::word(const char *name, int value)
{
    word(name);
    appendNumber(value);
}

void RtfOutput::ignorableDestination(const char *name)
{
    controlSymbol('*');
    m_out.append('\\');
    m_out.append(name);
    m_needsDelimiter = true;
}

void RtfOutput::appendNumber(int value)
{
    char digits[16];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
    m_out.append(digits, result.ptr - digits);
}

void RtfOutput::controlSymbol(char symbol)
{
    beforeToken(true);
    const char token[2] = {'\\', symbol};
    m_out.append(token, 2);
    m_needsDelimiter = false;
}

void RtfOutput::text(QStringView text)
{
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        if (unit >= 0x20 && unit < 0x7f) {
            if (unit == '\\' || unit == '{' || unit == '}') {
                controlSymbol(char(unit));
                continue;
            }
            // Within text only a space is a good place to break: no reader can mistake the
            // line break for part of a word there.
            beforeToken(unit == ' ');
            if (m_needsDelimiter) {
                m_out.append(' ');
                m_needsDelimiter = false;
            }
            m_out.append(char(unit));
            continue;
        }
        switch (unit) {
        case '\t':
            word("tab");
            continue;
        case 0x2028: // QChar::LineSeparator, a line break within the paragraph
        case 0x2029:
            word("line");
            continue;
        case 0x00a0:
            controlSymbol('~');
            continue;
        case 0x00ad: // soft hyphen: where the word may break
            controlSymbol('-');
            continue;
        case 0x2011:
            controlSymbol('_');
            continue;
        case 0xfffc: // object replacement (images), written elsewhere or dropped
        case 0xfdd0: // frame markers of tables
        case 0xfdd1:
            continue;
        default:
            break;
        }
        if (unit < 0x20)
            continue;
        const int byte = m_unicodeOnly ? -1 : cp1252Byte(unit);
        if (byte >= 0) {
            beforeToken(true);
            const char token[4] = {'\\', '\'', HexDigits[byte >> 4], HexDigits[byte & 15]};
            m_out.append(token, 4);
            m_needsDelimiter = false;
            continue;
        }
        // Signed 16 bits, as older readers expect; a surrogate pair becomes two \u.
        beforeToken(true);
        m_out.append("\\u", 2);
        appendNumber(qint16(unit));
        m_out.append("\\'3f", 4);
        m_needsDelimiter = false;
    }
}

void RtfOutput::raw(QByteArrayView rtf)
{
    if (rtf.isEmpty())
        return;
    if (m_needsDelimiter && rtf.front() != '\\' && rtf.front() != '{' && rtf.front() != '}')
        m_out.append(' ');
    m_needsDelimiter = false;
    m_out.append(rtf);
    if (const qsizetype newline = rtf.lastIndexOf('\n'); newline >= 0)
        m_lineStart = m_out.size() - rtf.size() + newline + 1;
}

void RtfOutput::kept(QByteArrayView words)
{
    while (!words.isEmpty()) {
        qsizetype end = words.indexOf(' ');
        end = end < 0 ? words.size() : end + 1;
        beforeToken(true);
        raw(words.first(end));
        words = words.sliced(end);
    }
}

void RtfOutput::hex(QByteArrayView data)
{
    constexpr qsizetype BytesPerLine = 64;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i % BytesPerLine == 0)
            lineBreak();
        const auto byte = quint8(data[i]);
        const char digits[2] = {HexDigits[byte >> 4], HexDigits[byte & 15]};
        m_out.append(digits, 2);
    }
    lineBreak();
}

QByteArray RtfOutput::take()
{
    m_lineStart = 0;
    m_needsDelimiter = false;
    return std::exchange(m_out, QByteArray());
}
