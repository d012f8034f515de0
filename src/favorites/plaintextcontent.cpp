#include "plaintextcontent.h"

#include <QTextDocument>

QString PlainTextContent::paneText(const QTextDocument &document)
{
    QString text = document.toRawText();
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // start of a frame (a table, for instance)
        case 0xFDD1: // end of a frame
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return text;
}

std::optional<QByteArray> PlainTextContent::forSave(QString text, const ShownFile &format)
{
    if (!text.endsWith(u'\n'))
        text += u'\n';
    return TextEncoder::encode(std::move(text), format.encoding, format.lineEnding);
}
