// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtffonttable.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <unordered_map>
#include <vector>

class RtfTextDecoder;

// The document's font and colour tables as they are read, and their entries as the file wrote
// them, for a save that keeps their numbers.
class RtfDocumentTables
{
public:
    void reset();

    const RtfFontTable &fonts() const { return m_fonts; }
    const std::vector<quint32> &colors() const { return m_colors; }
    const QByteArray &fontTableRtf() const { return m_fontTableRtf; }
    const QByteArray &colorTableRtf() const { return m_colorTableRtf; }
    // A font number above every number the file's font table defined or its text used.
    int fontNumberEnd() const { return m_fontNumberEnd; }
    void noteFontNumber(int number);
    bool fontTableSeen() const { return m_fontTableSeen; }

    // A font table begins; entriesStart is the offset after its word.
    void beginFontTable(qsizetype entriesStart, int unicodeSkip);
    void beginColorTable(qsizetype entriesStart);
    qsizetype entriesStart() const { return m_tableEntriesStart; }
    // The document's own table closed with these entries.
    void fontTableClosed(const QByteArray &entries);
    void colorTableClosed(const QByteArray &entries);

    // \fN in the font table: the font before it is complete.
    void beginFont(int number, RtfTextDecoder &decoder, int documentPage);
    void setCharset(int charset) { m_font.charset = charset; }
    void setFontCodePage(int page) { m_font.codePage = page; }
    // Bytes and characters of the font's name; ';' is not among them.
    void appendNameByte(char c);
    void appendNameChar(QChar c, RtfTextDecoder &decoder, int documentPage);
    // Ends the font being defined (at ';' or the table's end). Returns the number of the font
    // it defined, or -1 with none; *defined says whether it defined one.
    int commitFont(RtfTextDecoder &decoder, int documentPage, bool *defined);
    // Fonts defined whose table entries were not kept, or not as the file gives them.
    bool fontsOutsideKeptTables() const
    {
        return m_fontCommits != m_fontCommitsKept || m_heldFontKept;
    }
    // A part kept for a save is read in this font.
    void holdFont(int number) { m_heldFonts.insert(number); }

    void setColorComponent(int component, int value); // 0 red, 1 green, 2 blue
    void commitColor();
    quint32 color(int index) const;
    // The first entry of the colour, -1 when the table has none.
    int colorIndex(quint32 color);

    // The tables as read, written out: for a table the file never closed, or whose entries
    // were not kept.
    void writeTablesAsRead();
    void setTablesRtf(const QByteArray &fonts, const QByteArray &colors);

private:
    int fontNamePage(int documentPage) const;
    void flushNameBytes(RtfTextDecoder &decoder, int documentPage);

    RtfFontTable m_fonts;
    int m_fontNumberEnd = 0;
    bool m_fontTableSeen = false;
    QSet<int> m_heldFonts;       // fonts kept parts were read in
    bool m_heldFontKept = false; // one of them was given again in another code page
    RtfFont m_font;
    QByteArray m_fontName; // bytes not yet decoded
    QString m_fontNameText;
    bool m_fontPending = false;
    qint64 m_fontCommits = 0;        // fonts defined so far
    qint64 m_fontCommitsKept = 0;    // of them, in tables whose entries are kept
    qint64 m_fontCommitsAtTable = 0; // when the font table being read began
    QByteArray m_fontTableRtf;
    QByteArray m_colorTableRtf;
    qsizetype m_tableEntriesStart = 0; // after \fonttbl or \colortbl
    int m_tableUnicodeSkip = 1;        // \uc in effect at \fonttbl

    std::vector<quint32> m_colors;
    std::unordered_map<quint32, int> m_colorIndexes; // the first entry of each colour
    size_t m_colorIndexSize = 0;                     // entries of m_colors in m_colorIndexes
    int m_components[3] = {};
    bool m_colorSet = false;
};
