// SPDX-License-Identifier: GPL-3.0-or-later
#include "textencoder.h"

#include "text/textencodings.h"

#include <optional>
#include <QStringEncoder>

namespace {

// The inverse of the decoder's table: bytes 0x80-0x9F of Windows-1252.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i) {
        if (windows1252High[i] == c)
            return char(0x80 + i);
    }
    return std::nullopt;
}

std::optional<QByteArray> toWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (QChar c : text) {
        const std::optional<char> byte = windows1252Byte(c.unicode());
        if (!byte)
            return std::nullopt;
        *out++ = *byte;
    }
    return bytes;
}

QByteArray toUnicode(QStringView text, QStringConverter::Encoding encoding, bool bom)
{
    QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom
                                         : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

// An older code page, by Qt's converter; none when a character has no bytes in it.
std::optional<QByteArray> toCodePage(QStringView text, const char *name)
{
    QStringEncoder encoder(name);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError())
        return std::nullopt;
    return bytes;
}

} // namespace

std::optional<QByteArray> TextEncoder::encode(QString text, TextEncoding encoding,
                                              LineEnding lineEnding)
{
    // Only '\n' ends a line in the pane's text; U+2028, U+2029, U+0085 and the like are
    // characters of the text and are written as such.
    if (lineEnding == LineEnding::CrLf)
        text.replace(u'\n', QStringLiteral("\r\n"));
    else if (lineEnding == LineEnding::Cr)
        text.replace(u'\n', u'\r');

    switch (encoding) {
    case TextEncoding::Windows1252:
        return toWindows1252(text);
    case TextEncoding::Utf8WithBom:
        return toUnicode(text, QStringConverter::Utf8, true);
    case TextEncoding::Utf16LE:
        return toUnicode(text, QStringConverter::Utf16LE, true);
    case TextEncoding::Utf16BE:
        return toUnicode(text, QStringConverter::Utf16BE, true);
    case TextEncoding::Utf16LENoBom:
        return toUnicode(text, QStringConverter::Utf16LE, false);
    case TextEncoding::Utf16BENoBom:
        return toUnicode(text, QStringConverter::Utf16BE, false);
    case TextEncoding::Utf32LE:
        return toUnicode(text, QStringConverter::Utf32LE, true);
    case TextEncoding::Utf32BE:
        return toUnicode(text, QStringConverter::Utf32BE, true);
    case TextEncoding::Utf8:
        break;
    default:
        if (const char *name = TextEncodings::converterName(encoding))
            return toCodePage(text, name);
        break;
    }
    return toUnicode(text, QStringConverter::Utf8, false);
}
