// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfkeyword.h"
#include "rtf/rtfrowdefinition.h"

#include <QByteArray>
#include <QByteArrayView>

// Table row definitions (\trowd ... \cellx) as they are read, of top-level and nested tables,
// and the border said last with the words of its line.
class RtfRowReader
{
public:
    enum BorderTarget : quint8 {
        NoBorder,
        BorderOfCell,
        BorderOfRow,
        BorderOfParagraph,
        BorderOfChars
    };

    void reset();
    // The row definition in effect for top-level (nested false) or nested table rows.
    const RtfRowDefinition &row(bool nested) const { return nested ? m_nestedRow : m_outerRow; }

    // A word of a row's or cell's definition; nestedProps: said within \nesttableprops.
    void definitionWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter, int parameter,
                        bool nestedProps);

    // A border word (\brdrt, \clbrdrb ...) starts a border; the words of its line that follow
    // go with it.
    void startBorder(BorderTarget target, QByteArrayView name);
    BorderTarget borderTarget() const { return m_borderTarget; }
    const QByteArray &borderEntry() const { return m_borderEntry; }
    // The border said last is no longer the target of line words, if it is of that kind.
    void endBorder(BorderTarget target)
    {
        if (m_borderTarget == target)
            m_borderTarget = NoBorder;
    }
    // A line word (\brdrs, \brdrw ...) of the cell's or row's border said last.
    void borderLineWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter, int parameter);

private:
    RtfRowDefinition &definedRow() { return m_definingNested ? m_nestedRow : m_outerRow; }

    RtfRowDefinition m_outerRow;
    RtfRowDefinition m_nestedRow;
    bool m_definingNested = false;
    RtfCellDefinition m_cell; // properties of the next \cellx
    quint64 m_rowSerial = 0;
    // The border said last (a bit of the cell or of the row, the name of its kept entry): its
    // line's words go with it, and \brdrnone or \brdrw0 takes it away.
    quint8 m_borderBit = 0;
    BorderTarget m_borderTarget = NoBorder;
    QByteArray m_borderEntry;
};
