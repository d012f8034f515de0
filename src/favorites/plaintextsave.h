#pragma once

#include "app/shownfile.h"

#include <optional>
#include <QByteArray>
#include <QString>

class MessageBoxes;

// The bytes of a plain text about to be written to a file, in the conventions the shown file
// has. A text that no longer fits the file's encoding (a character typed that Windows-1252
// lacks) is never re-encoded silently, nor written with a '?' in its place: the user is asked
// whether to save it as UTF-8, and when they say no nothing is written.
class PlainTextSave
{
public:
    struct Content
    {
        QByteArray bytes;
        TextEncoding encoding; // the one written, which the user may have changed to UTF-8
    };
    static std::optional<Content> bytesFor(MessageBoxes &messages, const QString &path,
                                           const QString &text, const ShownFile &format);
};
