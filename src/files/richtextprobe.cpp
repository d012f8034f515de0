// SPDX-License-Identifier: GPL-3.0-or-later
#include "richtextprobe.h"

#include "rtf/rtfparser.h"
#include "rtf/rtfreader.h"

#include <algorithm>
#include <cstdlib>

bool RichTextProbe::fits(QByteArrayView rtf)
{
    RtfParser parser;
    RichTextProbe probe(parser);
    parser.parse(rtf, probe, &probe.m_tooLong);
    return probe.m_cost.fits();
}

bool RichTextProbe::buildIfFits(QByteArrayView rtf, QTextDocument *doc)
{
    // The estimate reads the file in a fraction of the building's time. Read beside the building
    // on a thread of its own it saved no time on a busy machine: two readings at once of a file
    // with a large font table cost more than one after the other.
    if (!fits(rtf))
        return false;
    return RtfReader::read(rtf, doc);
}

void RichTextProbe::text(QStringView text, const RtfCharFormat &format, const RtfParagraphFormat &)
{
    if (format.isHiddenText())
        return;
    if (m_runs == 0 || !(format == m_runFormat)) {
        ++m_runs;
        m_runFormat = format;
    }
    // A wide character (Chinese, Japanese, Korean) takes the room of two.
    qint64 wide = 0;
    for (const QChar c : text)
        wide += c.unicode() >= 0x2e80 && c.unicode() < 0xfb00;
    m_characters += text.size() + wide;
    m_lineBreaks += text.count(QChar::LineSeparator);
    m_tabs += text.count(u'\t');
    m_largestHalfPoints = std::max(m_largestHalfPoints, format.halfPoints);
}

void RichTextProbe::paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &mark,
                                 bool)
{
    if (paragraph.tableLevel() == 0)
        m_rowsBefore.clear(); // the tables under way end
    endParagraph(paragraph, mark.halfPoints);
}

void RichTextProbe::cellEnd(int level, const RtfParagraphFormat &paragraph)
{
    level = std::clamp(level, 1, int(RtfContentSink::MaxNesting));
    endParagraph(paragraph, 0, cellWidth(level));
    if (m_cellsEnded.size() < level)
        m_cellsEnded.resize(level);
    ++m_cellsEnded[level - 1];
}

void RichTextProbe::rowEnd(int level, const RtfRowDefinition &)
{
    level = std::clamp(level, 1, int(RtfContentSink::MaxNesting));
    if (m_cellsEnded.size() >= level)
        m_cellsEnded[level - 1] = 0;
    // Rows in a row make one table; a nested table is one within its cell.
    if (m_rowsBefore.size() < level)
        m_rowsBefore.resize(level);
    if (!m_rowsBefore[level - 1] || level > 1)
        m_cost.addTable();
    m_rowsBefore[level - 1] = true;
}

qreal RichTextProbe::cellWidth(int level) const
{
    constexpr qreal pixelsPerTwip = 96.0 / 1440;
    const int index = m_cellsEnded.size() >= level ? m_cellsEnded[level - 1] : 0;
    const QList<RtfCellDefinition> &cells = m_parser.rowDefinition(level > 1).cells;
    if (index >= cells.size())
        return RichLayoutCost::paneWidth;
    const int left = index > 0 ? cells[index - 1].right : 0;
    return std::max(0, cells[index].right - left) * pixelsPerTwip;
}

bool RichTextProbe::picture(const RtfPicture &, const RtfCharFormat &, const RtfParagraphFormat &)
{
    return true;
}

void RichTextProbe::finish(const RtfParagraphFormat &paragraph)
{
    endParagraph(paragraph, 0);
}

void RichTextProbe::endParagraph(const RtfParagraphFormat &paragraph, int markHalfPoints,
                                 qreal width)
{
    constexpr qreal pixelsPerHalfPoint = 96.0 / 72 / 2;
    constexpr qreal pixelsPerTwip = 96.0 / 1440;
    int halfPoints = std::max(m_largestHalfPoints, markHalfPoints);
    if (halfPoints <= 0)
        halfPoints = RtfCharFormat().halfPoints; // an empty cell
    qreal line = halfPoints * pixelsPerHalfPoint;
    // A line spacing of its own may make each line far higher than its font.
    if (paragraph.lineMultiple)
        line *= std::max(1.0, paragraph.lineSpacing / 240.0);
    else
        line = std::max(line, std::abs(qreal(paragraph.lineSpacing)) * pixelsPerTwip);
    const qreal margins = std::max(0, paragraph.spaceBefore + paragraph.spaceAfter) * pixelsPerTwip;
    m_cost.addParagraph(m_characters, m_lineBreaks, m_tabs, line, margins, width, m_runs,
                        paragraph.tableLevel() > 0);
    if (!m_cost.fits()) // the cost only grows: the rest need not be read
        m_tooLong.store(true, std::memory_order_relaxed);
    m_characters = m_lineBreaks = m_tabs = m_runs = 0;
    m_largestHalfPoints = 0;
}
