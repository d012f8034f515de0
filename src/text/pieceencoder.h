// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QByteArray>
#include <QStringEncoder>
#include <QStringView>

// Encodes a text handed over in pieces, as the pane keeps a large one, into a file's bytes:
// the same bytes TextEncoder gives for the whole text ('\n' becomes the line end given, a
// byte-order mark starts the encodings that had one), without the whole text or its bytes ever
// being held at once. A character pair split between two pieces is encoded whole.
class PieceEncoder
{
public:
    PieceEncoder(TextEncoding encoding, LineEnding lineEnding);

    // Appends the piece's bytes to out. False, with nothing appended, when the encoding cannot
    // hold one of its characters (a code page; Unicode holds every one).
    bool add(QStringView piece, QByteArray &out);
    // Whether the last character added was a line end.
    bool endsWithLineEnd() const { return m_lastWasBreak; }

    // Whether the encoding can hold every character of the text.
    static bool canHold(TextEncoding encoding, QStringView text);

private:
    bool addWindows1252(QStringView piece, QByteArray &out);

    TextEncoding m_encoding;
    LineEnding m_lineEnding;
    QStringEncoder m_unicode;
    bool m_lastWasBreak = false;
};
