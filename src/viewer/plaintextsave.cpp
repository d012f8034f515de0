// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintextsave.h"

#include "platform/messageboxes.h"
#include "text/pieceencoder.h"
#include "text/textencodings.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/editedsave.h"
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
    case TextEncoding::Utf16LENoBom:
    case TextEncoding::Utf16BENoBom:
        return QStringLiteral("UTF-16");
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        return QStringLiteral("UTF-32");
    default:
        break;
    }
    return TextEncodings::label(encoding);
}

QString questionFor(const QString &path, TextEncoding encoding)
{
    return QStringLiteral("%1 is stored in %2, which cannot hold every character of the text.\n\n"
                          "Save it as UTF-8 instead? (No saves nothing.)")
        .arg(QDir::toNativeSeparators(path), nameOf(encoding));
}

// Encoded text is handed to the file in blocks of about this size.
constexpr qsizetype writeBlock = 1 << 20;

} // namespace

QString PlainTextSave::utf8Question(const QString &path, TextEncoding encoding)
{
    return questionFor(path, encoding);
}

std::optional<PlainTextSave::Content> PlainTextSave::bytesFor(MessageBoxes &messages,
                                                              const QString &path,
                                                              const QString &text,
                                                              const ShownFile &format)
{
    if (std::optional<QByteArray> bytes = PlainTextContent::forSave(text, format))
        return Content{std::move(*bytes), format.encoding};
    if (messages.show(questionFor(path, format.encoding), MessageBoxes::Icon::Question,
                      MessageBoxes::Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
        return std::nullopt;
    ShownFile utf8 = format;
    utf8.encoding = TextEncoding::Utf8;
    if (std::optional<QByteArray> bytes = PlainTextContent::forSave(text, utf8))
        return Content{std::move(*bytes), TextEncoding::Utf8};
    return std::nullopt; // UTF-8 holds every character; nothing is written should it not
}

namespace {

// The encoding to write in: the file's, or UTF-8 when the text no longer fits it and the user
// agrees; nothing when the user does not.
std::optional<TextEncoding> encodingFor(MessageBoxes &messages, const QString &path,
                                        const PlainTextSave::Pieces &text, const ShownFile &format)
{
    if (PlainTextSave::fits(text, format.encoding))
        return format.encoding;
    if (messages.show(questionFor(path, format.encoding), MessageBoxes::Icon::Question,
                      MessageBoxes::Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
        return std::nullopt;
    return TextEncoding::Utf8;
}

} // namespace

bool PlainTextSave::fits(const Pieces &text, TextEncoding encoding)
{
    bool fits = true;
    text([&](QStringView piece) { return fits = PieceEncoder::canHold(encoding, piece); });
    return fits;
}

bool PlainTextSave::fitsWriteBack(TextEncoding encoding, const Pieces &text,
                                  const std::optional<TextBuffer> &edited, const SourceMap *source,
                                  const ShownFile &format)
{
    if (!edited || !source || encoding != format.encoding ||
        !EditedSave::writesOnlyEdits(*edited, *source))
        return fits(text, encoding);
    // Only what was added is encoded: it is looked at in bounded parts, never the text whole,
    // and a character pair is never cut in two.
    constexpr qsizetype part = 1 << 20;
    qsizetype at = 0;
    for (const OriginMap::Piece &stretch : edited->origin()->pieces()) {
        const qsizetype end = at + stretch.length;
        for (qsizetype from = at; stretch.origin == OriginMap::added && from < end;) {
            qsizetype to = std::min(end, from + part);
            QString characters = edited->mid(from, to - from);
            if (to < end && characters.back().isHighSurrogate())
                characters += edited->at(to++);
            if (!PieceEncoder::canHold(encoding, characters))
                return false;
            from = to;
        }
        at = end;
    }
    return true;
}

PlainTextSave::Written PlainTextSave::write(MessageBoxes &messages, const QString &path,
                                            const Pieces &text, const ShownFile &format,
                                            const AtomicFileWriter::Keep &keep, bool followLinks)
{
    Written result;
    result.encoding = format.encoding;
    const std::optional<TextEncoding> encoding = encodingFor(messages, path, text, format);
    if (!encoding)
        return result;
    return writeIn(*encoding, path, text, format, keep, followLinks);
}

PlainTextSave::Written PlainTextSave::writeIn(TextEncoding encoding, const QString &path,
                                              const Pieces &text, const ShownFile &format,
                                              const AtomicFileWriter::Keep &keep, bool followLinks,
                                              const AtomicFileWriter::Going &going)
{
    ShownFile written = format;
    written.encoding = encoding;
    return writeWhole(path, text, written, keep, followLinks, going);
}

PlainTextSave::Written PlainTextSave::writeBack(MessageBoxes &messages, const QString &path,
                                                const Pieces &text,
                                                const std::optional<TextBuffer> &edited,
                                                const SourceMap *source, const ShownFile &format,
                                                const AtomicFileWriter::Keep &keep,
                                                bool followLinks)
{
    Written result;
    result.encoding = format.encoding;
    const std::optional<TextEncoding> encoding = encodingFor(messages, path, text, format);
    if (!encoding)
        return result;
    return writeBackIn(*encoding, path, text, edited, source, format, keep, followLinks);
}

PlainTextSave::Written
PlainTextSave::writeBackIn(TextEncoding encoding, const QString &path, const Pieces &text,
                           const std::optional<TextBuffer> &edited, const SourceMap *source,
                           const ShownFile &format, const AtomicFileWriter::Keep &keep,
                           bool followLinks, const AtomicFileWriter::Going &going)
{
    Written result;
    result.encoding = format.encoding;
    const bool onlyEdits = edited && source && encoding == format.encoding;
    if (onlyEdits) {
        EditedSave::Result exact =
            EditedSave::write(path, *edited, *source, format.lineEnding, keep, followLinks, going);
        if (exact.outcome == EditedSave::Outcome::Failed) {
            result.error = exact.error;
            return result;
        }
        if (exact.outcome == EditedSave::Outcome::Written) {
            result.written = true;
            result.saved = std::move(exact.saved);
            return result;
        }
    }
    // The file's bytes are gone (it changed since it was read) or the text is not the one read:
    // it is encoded whole, which the encoding may not hold where only the edits were asked of
    // it (fitsWriteBack()).
    if (onlyEdits && EditedSave::writesOnlyEdits(*edited, *source) && !fits(text, encoding)) {
        result.doesNotFit = true;
        return result;
    }
    return writeIn(encoding, path, text, format, keep, followLinks, going);
}

PlainTextSave::Written PlainTextSave::writeWhole(const QString &path, const Pieces &text,
                                                 const ShownFile &format,
                                                 const AtomicFileWriter::Keep &keep,
                                                 bool followLinks,
                                                 const AtomicFileWriter::Going &going)
{
    Written result;
    result.encoding = format.encoding;
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
    result.error = AtomicFileWriter::write(path, content, keep, followLinks, going);
    result.written = result.error.isEmpty();
    return result;
}
