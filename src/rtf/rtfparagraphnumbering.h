// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfkeyword.h"

#include <QHash>
#include <QString>

// Word 6 numbering (\pn) of a paragraph, read for the label a paragraph shows when the file
// gives no label text, and the counters of the numbers shown so far.
class RtfParagraphNumbering
{
public:
    void reset();
    // \pn: a paragraph's numbering begins.
    void begin();
    // \pntxtb, \pntxta: the text before or after the number follows.
    void beginText(bool before);
    void endText() { m_target = nullptr; }
    // The text being read, nullptr outside \pntxtb and \pntxta.
    QString *text() { return m_target; }
    void word(RtfKeyword keyword, int parameter);
    // The font of the number, -1 when the numbering names none.
    int font() const { return m_definition.font; }
    // Whether the numbering shows a label: not for a paragraph without a level or one that
    // goes on an item (\pnlvlcont).
    bool showsLabel() const { return m_definition.level != 0 && !m_definition.continued; }
    // The label: the text before, the number (or the bullet), the text after. Counts the
    // number as shown.
    QString nextLabel();

    enum Style : quint8 { Bullet, Decimal, UpperLetter, LowerLetter, UpperRoman, LowerRoman };
    // What the words of one numbering said, without the counters: a paragraph style's
    // numbering is read once and given to each paragraph of the style.
    struct Definition
    {
        int level = 0;          // 1..9, 10 for \pnlvlbody, 0 for none
        bool continued = false; // \pnlvlcont: no number
        bool previous = false;  // \pnprev: the level above's number comes first
        quint8 style = Decimal;
        int start = 1;
        int font = -1;
        QString before;
        QString after;
    };
    const Definition &definition() const { return m_definition; }
    void setDefinition(const Definition &definition);

private:
    Definition m_definition;
    QString *m_target = nullptr; // which text the characters go to
    QHash<QString, int> m_counters;
    int m_levelNumbers[11] = {};
};
