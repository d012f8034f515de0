// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdecoder.h"

#include "text/legacyencodingguess.h"
#include "text/lineendtally.h"
#include "text/piecedecoder.h"
#include "text/utf16detect.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

struct BomInfo
{
    TextEncoding encoding;
    QStringConverter::Encoding converter;
    qsizetype length;
};

std::optional<BomInfo> bomOf(QByteArrayView bytes)
{
    const auto starts = [&bytes](std::initializer_list<unsigned char> prefix) {
        if (bytes.size() < qsizetype(prefix.size()))
            return false;
        qsizetype i = 0;
        for (unsigned char c : prefix) {
            if (static_cast<unsigned char>(bytes[i++]) != c)
                return false;
        }
        return true;
    };
    // UTF-32 LE before UTF-16 LE: its mark begins with the same two bytes.
    if (starts({0xFF, 0xFE, 0x00, 0x00}))
        return BomInfo{TextEncoding::Utf32LE, QStringConverter::Utf32LE, 4};
    if (starts({0x00, 0x00, 0xFE, 0xFF}))
        return BomInfo{TextEncoding::Utf32BE, QStringConverter::Utf32BE, 4};
    if (starts({0xEF, 0xBB, 0xBF}))
        return BomInfo{TextEncoding::Utf8WithBom, QStringConverter::Utf8, 3};
    if (starts({0xFF, 0xFE}))
        return BomInfo{TextEncoding::Utf16LE, QStringConverter::Utf16LE, 2};
    if (starts({0xFE, 0xFF}))
        return BomInfo{TextEncoding::Utf16BE, QStringConverter::Utf16BE, 2};
    return std::nullopt;
}

// Windows-1252 by table: bytes 0x80-0x9F carry typographic characters, the rest is Latin-1.
// (Five of those bytes are unassigned; they keep their C1 code, as Windows itself does.)
QChar *decodeWindows1252(QByteArrayView bytes, QChar *out)
{
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        *out++ = QChar(c >= 0x80 && c < 0xA0 ? high[c - 0x80] : char16_t(c));
    }
    return out;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeWindows1252(bytes, text.data());
    return text;
}

// In place: a text of hundreds of megabytes must not be copied for this.
void normaliseLineEnds(QString &text)
{
    const qsizetype first = text.indexOf(u'\r');
    if (first < 0)
        return;
    QChar *data = text.data();
    const qsizetype size = text.size();
    qsizetype out = first;
    for (qsizetype in = first; in < size; ++in) {
        if (data[in] == u'\r') {
            data[out++] = u'\n';
            if (in + 1 < size && data[in + 1] == u'\n')
                ++in;
        } else {
            data[out++] = data[in];
        }
    }
    text.truncate(out);
}

// The whole of bytes in the code page result names, into its text; false when they are not all
// characters of it, exactly.
bool decodeCodePage(QByteArrayView bytes, DecodedText &result)
{
    if (result.encoding == TextEncoding::Windows1252)
        return false;
    PieceDecoder decoder(result.encoding);
    result.text.resize(decoder.requiredSpace(bytes.size()));
    QChar *end = result.text.data();
    // In pieces, so that the check of what comes back never holds a copy of all the bytes.
    constexpr qsizetype piece = 1 << 20;
    for (qsizetype at = 0; at < bytes.size() && !decoder.hasError(); at += piece)
        end = decoder.decode(bytes.sliced(at, std::min(piece, bytes.size() - at)), end);
    result.text.truncate(end - result.text.constData());
    return decoder.isExact();
}

} // namespace

LineEnding TextDecoder::detectLineEnding(QStringView text)
{
    LineEndTally tally;
    tally.add(text);
    return tally.style();
}

DecodedText TextDecoder::decode(const QByteArray &bytes)
{
    DecodedText result;
    if (const auto bom = bomOf(bytes)) {
        QStringDecoder decoder(bom->converter, contentFlags);
        result.text = decoder.decode(QByteArrayView(bytes).sliced(bom->length));
        result.encoding = bom->encoding;
    } else if (const auto unmarked = unmarkedUnicode(bytes)) {
        // As the pane's loader reads it: an odd last byte makes no character.
        QStringDecoder decoder(unicodeConverter(*unmarked),
                               QStringConverter::Flag::ConvertInitialBom);
        result.text = decoder.decode(bytes);
        result.encoding = *unmarked;
    } else {
        QStringDecoder utf8(QStringConverter::Utf8, contentFlags);
        result.text = utf8.decode(bytes);
        result.encoding = TextEncoding::Utf8;
        if (utf8.hasError()) {
            result.encoding = LegacyEncodingGuess::of(LegacyEncodingGuess::sampleOf(bytes));
            if (!decodeCodePage(bytes, result)) {
                result.text = decodeWindows1252(bytes);
                result.encoding = TextEncoding::Windows1252;
            }
        }
    }
    result.lineEnding = detectLineEnding(result.text);
    normaliseLineEnds(result.text);
    return result;
}

std::optional<TextDecoder::ByteOrderMark> TextDecoder::byteOrderMark(QByteArrayView bytes)
{
    if (const auto bom = bomOf(bytes))
        return ByteOrderMark{bom->encoding, bom->length};
    return std::nullopt;
}

QString TextDecoder::fromWindows1252(QByteArrayView bytes)
{
    return decodeWindows1252(bytes);
}

QChar *TextDecoder::fromWindows1252(QByteArrayView bytes, QChar *out)
{
    return decodeWindows1252(bytes, out);
}

QStringConverter::Encoding TextDecoder::unicodeConverter(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16LENoBom:
        return QStringConverter::Utf16LE;
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf16BENoBom:
        return QStringConverter::Utf16BE;
    case TextEncoding::Utf32LE:
        return QStringConverter::Utf32LE;
    case TextEncoding::Utf32BE:
        return QStringConverter::Utf32BE;
    default:
        return QStringConverter::Utf8;
    }
}

bool TextDecoder::hasByteOrderMark(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8WithBom:
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        return true;
    default:
        break; // code pages, UTF-8 and UTF-16 read without one
    }
    return false;
}

std::optional<TextEncoding> TextDecoder::unmarkedUnicode(QByteArrayView head)
{
    return utf16WithoutByteOrderMark(head);
}
