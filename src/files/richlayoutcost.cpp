// SPDX-License-Identifier: GPL-3.0-or-later
#include "richlayoutcost.h"

void RichLayoutCost::addParagraph(qint64 characters, qint64 lineBreaks, qreal fontPixels,
                                  qreal margins)
{
    // Latin text runs about half a font size a character; wider scripts wrap sooner, which the
    // bounds' margin allows for.
    const qint64 rows = 1 + lineBreaks + qint64(characters * fontPixels * 0.5 / paneWidth);
    ++m_paragraphs;
    m_rows += rows;
    m_height += qint64(rows * fontPixels * 1.25 + margins);
}

bool RichLayoutCost::fits() const
{
    return m_height <= maxHeight &&
           m_rows + m_paragraphs * (rowsPerParagraph - 1) <= maxWeightedRows;
}
