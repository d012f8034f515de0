// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <optional>

// How a text file was stored, kept with the shown text so that it can be written back alike.
enum class TextEncoding {
    Utf8,
    Utf8WithBom,
    Utf16LE,
    Utf16BE,
    Utf32LE,
    Utf32BE,
    Windows1252,
    // UTF-16 read from a file without a byte-order mark, and written back without one.
    Utf16LENoBom,
    Utf16BENoBom,
    // Older code pages, converted by name (TextEncodings lists them).
    Windows1250,
    Windows1251,
    Windows1253,
    Windows1254,
    Windows1255,
    Windows1256,
    Windows1257,
    Windows1258,
    Iso8859_1,
    Iso8859_2,
    Iso8859_3,
    Iso8859_4,
    Iso8859_5,
    Iso8859_6,
    Iso8859_7,
    Iso8859_8,
    Iso8859_9,
    Iso8859_10,
    Iso8859_13,
    Iso8859_15,
    Koi8R,
    Koi8U,
    Ibm852,
    Ibm855,
    Ibm866,
    MacCyrillic,
    MacCentralEurope,
    Tis620,
    ShiftJis,
    EucJp,
    Gb18030,
    Big5,
    EucKr,
    Cp949
};
enum class LineEnding { CrLf, Lf, Cr };

struct DecodedText
{
    QString text; // line ends turned into '\n'
    TextEncoding encoding = TextEncoding::Utf8;
    LineEnding lineEnding = LineEnding::CrLf;
};

// Turns a file's bytes into text: a byte-order mark names the Unicode encoding; UTF-16 without
// one is told by its zero bytes; valid UTF-8 is UTF-8; anything else is in the code page it
// looks like (LegacyEncodingGuess), Windows-1252 when that is not sure.
class TextDecoder
{
public:
    static DecodedText decode(const QByteArray &bytes);
    // The style most of the text's line ends have (see LineEndTally).
    static LineEnding detectLineEnding(QStringView text);

    // The Unicode encoding a byte-order mark at the start names, and the mark's length.
    struct ByteOrderMark
    {
        TextEncoding encoding;
        qsizetype length;
    };
    static std::optional<ByteOrderMark> byteOrderMark(QByteArrayView bytes);
    static QString fromWindows1252(QByteArrayView bytes);
    // The same into room for bytes.size() characters at out; returns the end of what it wrote.
    static QChar *fromWindows1252(QByteArrayView bytes, QChar *out);
    // Qt's converter for a Unicode encoding; UTF-8 for the others.
    static QStringConverter::Encoding unicodeConverter(TextEncoding encoding);
    // Whether files in the encoding begin with a byte-order mark.
    static bool hasByteOrderMark(TextEncoding encoding);
    // The Unicode encoding a file without a byte-order mark has, when its bytes tell one.
    static std::optional<TextEncoding> unmarkedUnicode(QByteArrayView head);
    // For decoding bytes that hold only text: the file's own byte-order mark is taken off
    // before, so a U+FEFF at the start of a piece is a character of the text (a zero-width
    // no-break space) and is kept, where Qt's decoder would drop it as a mark.
    static constexpr QStringConverter::Flags contentFlags =
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
};
