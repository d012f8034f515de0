#include "plaintextsave.h"

#include "platform/messageboxes.h"
#include "text/pieceencoder.h"
#include "text/textencodings.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/plaintextcontent.h"

#include <QDir>

namespace {

QString nameOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithBom:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16");
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        return QStringLiteral("UTF-32");
    default:
        break;
    }
    return TextEncodings::label(encoding);
}

QString utf8Question(const QString &path, TextEncoding encoding)
{
    return QStringLiteral("%1 is stored in %2, which cannot hold every character of the text.\n\n"
                          "Save it as UTF-8 instead? (No saves nothing.)")
        .arg(QDir::toNativeSeparators(path), nameOf(encoding));
}

// Encoded text is handed to the file in blocks of about this size.
constexpr qsizetype writeBlock = 1 << 20;

} // namespace

std::optional<PlainTextSave::Content> PlainTextSave::bytesFor(MessageBoxes &messages,
                                                              const QString &path,
                                                              const QString &text,
                                                              const ShownFile &format)
{
    if (std::optional<QByteArray> bytes = PlainTextContent::forSave(text, format))
        return Content{std::move(*bytes), format.encoding};
    if (messages.show(utf8Question(path, format.encoding), MessageBoxes::Icon::Question,
                      MessageBoxes::Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
        return std::nullopt;
    ShownFile utf8 = format;
    utf8.encoding = TextEncoding::Utf8;
    if (std::optional<QByteArray> bytes = PlainTextContent::forSave(text, utf8))
        return Content{std::move(*bytes), TextEncoding::Utf8};
    return std::nullopt; // UTF-8 holds every character; nothing is written should it not
}

PlainTextSave::Written PlainTextSave::write(MessageBoxes &messages, const QString &path,
                                            const Pieces &text, const ShownFile &format,
                                            const AtomicFileWriter::Keep &keep, bool followLinks)
{
    Written result;
    result.encoding = format.encoding;
    bool fits = true;
    text([&](QStringView piece) { return fits = PieceEncoder::canHold(format.encoding, piece); });
    if (!fits) {
        if (messages.show(utf8Question(path, format.encoding), MessageBoxes::Icon::Question,
                          MessageBoxes::Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
            return result;
        result.encoding = TextEncoding::Utf8;
    }
    const auto content = [&](const AtomicFileWriter::Writer &write) {
        PieceEncoder encoder(result.encoding, format.lineEnding);
        QByteArray block;
        block.reserve(writeBlock + writeBlock / 2);
        bool ok = true;
        text([&](QStringView piece) {
            ok = encoder.add(piece, block) && (block.size() < writeBlock || write(block));
            if (block.size() >= writeBlock)
                block.resize(0);
            return ok;
        });
        // One line end closes the file, unless the text has it already.
        if (ok && !encoder.endsWithLineEnd())
            ok = encoder.add(u"\n", block);
        return ok && write(block);
    };
    result.error = AtomicFileWriter::write(path, content, keep, followLinks);
    result.written = result.error.isEmpty();
    return result;
}
