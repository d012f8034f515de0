// SPDX-License-Identifier: GPL-3.0-or-later
#include "pieceencoder.h"

#include "text/textencodings.h"

namespace {

bool writesBom(TextEncoding encoding)
{
    return encoding != TextEncoding::Utf8 && encoding != TextEncoding::Windows1252 &&
           encoding != TextEncoding::Utf16LENoBom && encoding != TextEncoding::Utf16BENoBom &&
           !TextEncodings::isCodePage(encoding);
}

QStringEncoder encoderFor(TextEncoding encoding)
{
    if (const char *name = TextEncodings::converterName(encoding))
        return QStringEncoder(name);
    return QStringEncoder(TextDecoder::unicodeConverter(encoding),
                          writesBom(encoding) ? QStringConverter::Flag::WriteBom
                                              : QStringConverter::Flag::Default);
}

// Whether a code page has bytes for every character of text (a surrogate pair cut at either
// edge counts as one the code page may hold only when it holds such characters at all).
bool codePageHolds(TextEncoding encoding, QStringView text)
{
    if (!text.isEmpty() && text.front().isLowSurrogate()) {
        if (!TextEncodings::holdsEveryCharacter(encoding))
            return false;
        text = text.sliced(1);
    }
    if (!text.isEmpty() && text.back().isHighSurrogate()) {
        if (!TextEncodings::holdsEveryCharacter(encoding))
            return false;
        text.chop(1);
    }
    QStringEncoder encoder(TextEncodings::converterName(encoding));
    const QByteArray bytes = encoder.encode(text); // converts only when taken
    return encoder.isValid() && !encoder.hasError();
}

// Bytes 0x80-0x9F of Windows-1252, as the decoder reads them.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte for c, or -1 when Windows-1252 has none.
int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (windows1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

QStringView lineEndText(LineEnding ending)
{
    switch (ending) {
    case LineEnding::CrLf:
        return u"\r\n";
    case LineEnding::Cr:
        return u"\r";
    case LineEnding::Lf:
        break;
    }
    return u"\n";
}

// Room beyond what the encoder asks for, for a character pair completed across two calls.
constexpr qsizetype slack = 16;

} // namespace

PieceEncoder::PieceEncoder(TextEncoding encoding, LineEnding lineEnding)
    : m_encoding(encoding), m_lineEnding(lineEnding), m_unicode(encoderFor(encoding))
{
}

bool PieceEncoder::canHold(TextEncoding encoding, QStringView text)
{
    if (TextEncodings::isCodePage(encoding))
        return codePageHolds(encoding, text);
    if (encoding != TextEncoding::Windows1252)
        return true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80 && windows1252Byte(c.unicode()) < 0)
            return false;
    }
    return true;
}

bool PieceEncoder::add(QStringView piece, QByteArray &out)
{
    if (piece.isEmpty())
        return true;
    const qsizetype before = out.size();
    if (m_encoding == TextEncoding::Windows1252) {
        if (!addWindows1252(piece, out))
            return false;
    } else if (m_lineEnding == LineEnding::Lf) {
        const qsizetype start = out.size();
        out.resize(start + m_unicode.requiredSpace(piece.size()) + slack);
        const char *end = m_unicode.appendToBuffer(out.data() + start, piece);
        out.truncate(end - out.constData());
    } else {
        // Line by line, each '\n' replaced by the line end; the encoder carries a pair's first
        // half over to the next call.
        const QStringView lineEnd = lineEndText(m_lineEnding);
        const qsizetype breaks = piece.count(u'\n');
        const qsizetype start = out.size();
        out.resize(start + m_unicode.requiredSpace(piece.size() + breaks * lineEnd.size()) + slack);
        char *at = out.data() + start;
        qsizetype from = 0;
        for (qsizetype line = piece.indexOf(u'\n'); line >= 0;
             from = line + 1, line = piece.indexOf(u'\n', from)) {
            at = m_unicode.appendToBuffer(at, piece.sliced(from, line - from));
            at = m_unicode.appendToBuffer(at, lineEnd);
        }
        at = m_unicode.appendToBuffer(at, piece.sliced(from));
        out.truncate(at - out.constData());
    }
    if (m_encoding != TextEncoding::Windows1252 && (m_unicode.hasError() || !m_unicode.isValid())) {
        out.truncate(before);
        return false; // a character the code page has no bytes for
    }
    m_lastWasBreak = piece.back() == u'\n';
    return true;
}

bool PieceEncoder::addWindows1252(QStringView piece, QByteArray &out)
{
    const QStringView lineEnd = lineEndText(m_lineEnding);
    const qsizetype start = out.size();
    out.resize(start + piece.size() * lineEnd.size());
    char *at = out.data() + start;
    for (QChar c : piece) {
        if (c == u'\n') {
            for (QChar e : lineEnd)
                *at++ = char(e.unicode());
            continue;
        }
        const int byte = windows1252Byte(c.unicode());
        if (byte < 0) {
            out.truncate(start);
            return false;
        }
        *at++ = char(byte);
    }
    out.truncate(at - out.constData());
    return true;
}
