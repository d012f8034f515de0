// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// Byte sink for RTF: writes control words, groups and escaped text as plain ASCII, and breaks
// lines only where readers ignore the line break (never inside a control word or its
// delimiter), so that the output stays friendly to mail and diff tools.
class RtfOutput
{
public:
    explicit RtfOutput(qsizetype expectedSize = 0);

    void openGroup();
    void closeGroup();
    // "\name" or "\nameN"; a delimiting space is added only if text follows.
    void word(const char *name);
    void word(const char *name, int value);
    // "\*\name": a destination that readers which do not know it skip. No blank between the two:
    // a reader that meets one there takes it for text.
    void ignorableDestination(const char *name);
    // Text of the document: escapes RTF syntax, writes code page 1252 as \'hh and the rest as
    // \uN with a '?' fallback.
    void text(QStringView text);
    // RTF kept from a file, written as it was.
    void raw(QByteArrayView rtf);
    // Control words kept from a file (RtfKeptWords: entries that end in a blank), with line
    // breaks between entries where lines grow long.
    void kept(QByteArrayView words);
    // Text beyond ASCII as \u only: the file's code pages are not 1252.
    void setUnicodeOnly(bool on) { m_unicodeOnly = on; }
    // Binary data as hex digits in short lines, as \pict groups carry images.
    void hex(QByteArrayView data);
    // A line break between tokens, for readability (e.g. after each paragraph).
    void lineBreak();

    QByteArray take();

    // The code page 1252 byte for a UTF-16 unit above 127, or -1 if it has none.
    static int cp1252Byte(char16_t unit);

private:
    void beforeToken(bool breakHere);
    void controlSymbol(char symbol);
    void appendNumber(int value);

    QByteArray m_out;
    qsizetype m_lineStart = 0;
    bool m_needsDelimiter = false;
    bool m_unicodeOnly = false;
};
