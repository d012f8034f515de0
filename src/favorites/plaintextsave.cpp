#include "plaintextsave.h"

#include "favorites/plaintextcontent.h"
#include "platform/messageboxes.h"

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
    }
    return {};
}

} // namespace

std::optional<PlainTextSave::Content> PlainTextSave::bytesFor(MessageBoxes &messages,
                                                              const QString &path,
                                                              const QString &text,
                                                              const ShownFile &format)
{
    if (std::optional<QByteArray> bytes = PlainTextContent::forSave(text, format))
        return Content{std::move(*bytes), format.encoding};
    const QString question =
        QStringLiteral("%1 is stored in %2, which cannot hold every character of the text.\n\n"
                       "Save it as UTF-8 instead? (No saves nothing.)")
            .arg(QDir::toNativeSeparators(path), nameOf(format.encoding));
    if (messages.show(question, MessageBoxes::Icon::Question,
                      MessageBoxes::Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
        return std::nullopt;
    ShownFile utf8 = format;
    utf8.encoding = TextEncoding::Utf8;
    if (std::optional<QByteArray> bytes = PlainTextContent::forSave(text, utf8))
        return Content{std::move(*bytes), TextEncoding::Utf8};
    return std::nullopt; // UTF-8 holds every character; nothing is written should it not
}
