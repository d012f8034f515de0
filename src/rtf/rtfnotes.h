// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// A footnote or endnote: its mark and its text (paragraphs apart by '\n').
struct RtfNote
{
    QString mark;
    QString text;
    bool endnote = false;
};

// The document's footnotes and endnotes: each kind numbered on its own, in the formats and from
// the numbers the document says (\ftnnar, \aftnnrlc, \ftnstart, \aftnstart ...), and the
// texts of the notes, shown at the document's end. Bounded: notes past the cap, and text past
// the budget, are not collected (the notes stay in the file).
class RtfNotes
{
public:
    void reset() { *this = RtfNotes(); }
    // A document word of the notes' numbering; false when name is none.
    bool setting(QByteArrayView name, bool hasParameter, int value);

    // The mark of the next footnote (\chftn), counted.
    QString nextFootnoteMark();
    // The footnote mark given last is an endnote's (\ftnalt): the footnote count is given back,
    // and the endnote's mark is counted and returned.
    QString footnoteWasEndnote();

    // The text of a note: begins with the mark shown for it (empty when the file writes its
    // own), goes on with its text, ends.
    void begin(const QString &mark);
    void setMark(const QString &mark, bool endnote);
    void append(QStringView text);
    void end();
    const QList<RtfNote> &notes() const { return m_notes; }

    static constexpr qsizetype MaxNotes = 10000;
    static constexpr qsizetype MaxText = 1 << 20; // characters of all notes together

private:
    enum Format : int { Chicago = -1 }; // else an \levelnfc number
    static QString markText(int number, int format);

    int m_footnoteFormat = 0; // arabic
    int m_endnoteFormat = 2;  // lower roman, as word processors number endnotes unless told
    int m_footnoteStart = 1;
    int m_endnoteStart = 1;
    int m_footnotes = 0; // counted so far
    int m_endnotes = 0;
    QList<RtfNote> m_notes;
    qsizetype m_textSize = 0;
    bool m_reading = false;
};
