// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfinterned.h"

#include <QByteArray>
#include <QList>

// Paragraph properties of an RTF group. Lengths are in twips.
struct RtfParagraphFormat
{
    enum Alignment : quint8 { Left, Center, Right, Justify };

    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0; // \sl: >0 at least, <0 exactly, 0 auto
    bool lineMultiple = false;
    bool pageBreakBefore = false; // \pagebb
    quint8 alignment = Left;
    // \rtlpar, \ltrpar: the paragraph's direction; none said is left to right.
    enum Direction : quint8 { DirectionNotSaid, LeftToRight, RightToLeft };
    quint8 direction = DirectionNotSaid;
    // Tab stops: position in twips times 64, plus the leader times 8, plus the kind. A bar tab
    // (\tb) is a line drawn at its position, not a stop the text moves to.
    enum TabKind : quint8 { LeftTab, CenterTab, RightTab, DecimalTab, BarTab };
    enum TabLeader : quint8 { NoLeader, Dots, Hyphens, Underline, ThickLine, Equals, MiddleDots };
    static constexpr int tabStop(int position, int kind, int leader)
    {
        return position * 64 + leader * 8 + kind;
    }
    static constexpr int tabPosition(int stop) { return stop / 64; }
    static constexpr int tabKind(int stop) { return stop % 8; }
    static constexpr int tabLeader(int stop) { return stop / 8 % 8; }
    RtfInterned<QList<int>> tabStops;
    bool inTable = false;          // \intbl
    int nestLevel = 0;             // \itap
    int style = -1;                // \sN: the stylesheet's paragraph style, -1 for none said
    bool endsSection = false;      // given to a sink's paragraphEnd: the paragraph ended in \sect
    RtfInterned<QByteArray> words; // kept words the pane does not show (RtfKeptWords)
    // The Word 6 numbering group (\pn) in effect, as the file wrote it: paragraphs after the
    // one that said it are numbered by it too, until \pard.
    RtfInterned<QByteArray> numbering;

    // 0 outside tables, 1 for a table cell, 2+ for nested tables.
    int tableLevel() const { return nestLevel > 0 ? nestLevel : (inTable ? 1 : 0); }

    bool operator==(const RtfParagraphFormat &) const = default;
};
