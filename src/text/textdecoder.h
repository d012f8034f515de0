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
    Utf16LENoBom,
    Utf16BENoBom
};
enum class LineEnding { CrLf, Lf, Cr };

struct DecodedText
{
    QString text; // line ends turned into '\n'
    TextEncoding encoding = TextEncoding::Utf8;
    LineEnding lineEnding = LineEnding::CrLf;
};

// Turns a file's bytes into text: a byte-order mark names the Unicode encoding; UTF-16 without
// one is told by its zero bytes; valid UTF-8 is UTF-8; anything else is Windows-1252, the code
// page such files were written in.
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
