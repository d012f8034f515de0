#pragma once

#include <QByteArrayView>
#include <QString>

class QTextDocument;

class RtfReader
{
public:
    // Clears doc and fills it with the formatted content; memory and time stay proportional to
    // the input, whatever it holds.
    static void read(QByteArrayView rtf, QTextDocument *doc);
    // The visible text, paragraphs separated by '\n'.
    static QString plainText(QByteArrayView rtf);
};
