#pragma once

#include "viewer/shownfile.h"
#include "text/textencoder.h"

#include <QByteArray>
#include <QString>

class QTextDocument;

// The bytes of a plain text file written from the viewing pane.
class PlainTextContent
{
public:
    // The pane's text with '\n' between lines. Unlike QTextDocument::toPlainText() it keeps
    // no-break spaces, which would otherwise be turned into blanks on every save.
    static QString paneText(const QTextDocument &document);

    // Written back to its file: in the encoding and line-end style it was read with, ending in
    // one line end (added only when the text lacks it, so saving never grows the file). None
    // when the text holds a character that the encoding cannot.
    static std::optional<QByteArray> forSave(QString text, const ShownFile &format);
};
