// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

class QTextDocument;

class RtfReader
{
public:
    // Clears doc and fills it with the formatted content; memory and time stay proportional to
    // the input, whatever it holds.
    // Returns false when doc was simplified in a way a save of it would lose (see
    // RtfDocumentBuilder::lostForSave): it may be shown, but not written back in its file's place.
    static bool read(QByteArrayView rtf, QTextDocument *doc);
    // The visible text, paragraphs separated by '\n'.
    static QString plainText(QByteArrayView rtf);
};
