// SPDX-License-Identifier: GPL-3.0-or-later
#include "richtextprobe.h"

#include "rtf/rtfparser.h"
#include "rtf/rtfreader.h"

#include <algorithm>
#include <cstdlib>

bool RichTextProbe::fits(QByteArrayView rtf)
{
    RtfParser parser;
    RichTextProbe probe;
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
    m_characters += text.size();
    m_lineBreaks += text.count(QChar::LineSeparator);
    m_largestHalfPoints = std::max(m_largestHalfPoints, format.halfPoints);
}

void RichTextProbe::paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &mark,
                                 bool)
{
    endParagraph(paragraph, mark.halfPoints);
}

void RichTextProbe::cellEnd(int, const RtfParagraphFormat &paragraph)
{
    endParagraph(paragraph, 0);
}

void RichTextProbe::rowEnd(int, const RtfRowDefinition &)
{
}

bool RichTextProbe::picture(const RtfPicture &, const RtfCharFormat &, const RtfParagraphFormat &)
{
    return true;
}

void RichTextProbe::finish(const RtfParagraphFormat &paragraph)
{
    endParagraph(paragraph, 0);
}

void RichTextProbe::endParagraph(const RtfParagraphFormat &paragraph, int markHalfPoints)
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
    m_cost.addParagraph(m_characters, m_lineBreaks, line, margins);
    if (!m_cost.fits()) // the cost only grows: the rest need not be read
        m_tooLong.store(true, std::memory_order_relaxed);
    m_characters = m_lineBreaks = 0;
    m_largestHalfPoints = 0;
}
