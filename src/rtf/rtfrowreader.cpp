// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfrowreader.h"

#include "rtf/rtfkeptwords.h"
#include "rtf/rtfparser.h"

#include <algorithm>

namespace {
constexpr qsizetype kMaxCellEdges = 64;
} // namespace

void RtfRowReader::reset()
{
    *this = RtfRowReader();
    m_nestedRow.nested = true;
}

void RtfRowReader::definitionWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                                  int parameter, bool nestedProps)
{
    using K = RtfKeyword;
    auto cellBorder = [&](quint8 bit) {
        m_cell.borders |= bit;
        m_borderBit = bit;
        RtfKeptWords::set(m_cell.words, name, false, 0);
        startBorder(BorderOfCell, name);
    };
    auto rowBorder = [&](quint8 bit) {
        definedRow().borders |= bit;
        m_borderBit = bit;
        RtfKeptWords::set(definedRow().words, name, false, 0);
        startBorder(BorderOfRow, name);
    };
    switch (keyword) {
    case K::Trowd: {
        m_definingNested = nestedProps;
        RtfRowDefinition &row = definedRow();
        row = RtfRowDefinition();
        row.nested = m_definingNested;
        row.serial = ++m_rowSerial;
        m_cell = RtfCellDefinition();
        m_borderBit = 0;
        if (m_borderTarget == BorderOfCell || m_borderTarget == BorderOfRow)
            m_borderTarget = NoBorder;
        break;
    }
    case K::Cellx: {
        RtfRowDefinition &row = definedRow();
        // A single line of 15 twips is the border a save writes of every cell that shows one:
        // it is kept by the cell's format, not as words.
        for (const char *side : {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr"}) {
            if (!m_cell.words.isEmpty() &&
                RtfKeptWords::entry(m_cell.words, side) ==
                    QByteArray('\\' + QByteArray(side) + "\\brdrs\\brdrw15 "))
                m_cell.words = RtfKeptWords::without(m_cell.words, side);
        }
        if (row.cells.size() < kMaxCellEdges) {
            m_cell.right = std::clamp(parameter, -RtfParser::MaxLength, RtfParser::MaxLength);
            row.cells.append(m_cell);
        }
        m_cell = RtfCellDefinition();
        m_borderBit = 0;
        if (m_borderTarget == BorderOfCell)
            m_borderTarget = NoBorder;
        break;
    }
    case K::KeptRow:
    case K::Ts:
        // A save gives every row the gap of 108 twips that is kept of no other.
        if (name == "trgaph" && hasParameter && parameter == 108)
            definedRow().words = RtfKeptWords::without(definedRow().words, name);
        else
            RtfKeptWords::set(definedRow().words, name, hasParameter, parameter);
        break;
    case K::KeptCell:
        RtfKeptWords::set(m_cell.words, name, hasParameter, parameter);
        break;
    case K::Clmgf:
        m_cell.merge |= RtfCellDefinition::FirstOfRow;
        break;
    case K::Clmrg:
        m_cell.merge |= RtfCellDefinition::InRow;
        break;
    case K::Clvmgf:
        m_cell.merge |= RtfCellDefinition::FirstOfColumn;
        break;
    case K::Clvmrg:
        m_cell.merge |= RtfCellDefinition::InColumn;
        break;
    case K::Clbrdrt:
        cellBorder(RtfBorder::Top);
        break;
    case K::Clbrdrl:
        cellBorder(RtfBorder::Left);
        break;
    case K::Clbrdrb:
        cellBorder(RtfBorder::Bottom);
        break;
    case K::Clbrdrr:
        cellBorder(RtfBorder::Right);
        break;
    case K::Trbrdrt:
        rowBorder(RtfBorder::Top);
        break;
    case K::Trbrdrl:
        rowBorder(RtfBorder::Left);
        break;
    case K::Trbrdrb:
        rowBorder(RtfBorder::Bottom);
        break;
    case K::Trbrdrr:
        rowBorder(RtfBorder::Right);
        break;
    case K::Trbrdrh:
        rowBorder(RtfBorder::InnerHorizontal);
        break;
    case K::Trbrdrv:
        rowBorder(RtfBorder::InnerVertical);
        break;
    default:
        break;
    }
}

void RtfRowReader::startBorder(BorderTarget target, QByteArrayView name)
{
    m_borderTarget = target;
    m_borderEntry = name.toByteArray();
}

// The line style, width, colour ... of the border said last, kept with it. A border without a
// line (\brdrnone, or a width of zero) is no border of its cell or row.
void RtfRowReader::borderLineWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                                  int parameter)
{
    QByteArray &words = m_borderTarget == BorderOfCell ? m_cell.words : definedRow().words;
    RtfKeptWords::extend(words, m_borderEntry, name, hasParameter, parameter);
    const bool none = keyword == RtfKeyword::Brdrnone ||
                      (keyword == RtfKeyword::Brdrw && hasParameter && parameter <= 0);
    if (none && m_borderTarget == BorderOfRow)
        definedRow().borders &= quint8(~m_borderBit);
    else if (none && m_borderTarget == BorderOfCell)
        m_cell.borders &= quint8(~m_borderBit);
}
