// SPDX-License-Identifier: GPL-3.0-or-later
#include "richlayoutcost.h"

#include <algorithm>

void RichLayoutCost::addParagraph(qint64 characters, qint64 lineBreaks, qint64 tabs,
                                  qreal fontPixels, qreal margins, qreal width, qint64 runs)
{
    // Latin text runs about half a font size a character; wider scripts wrap sooner, which the
    // bounds' margin allows for. A narrow cell wraps its text into as many more rows, down to a
    // character a row.
    const qreal character = std::max<qreal>(1, fontPixels * 0.5);
    const qreal lineWidth = std::clamp<qreal>(width, character, paneWidth);
    const qint64 rows =
        1 + lineBreaks + qint64((characters * character + tabs * qreal(tabPixels)) / lineWidth);
    const qint64 tabRows = tabs * tabs / tabsSquaredPerRow;
    ++m_paragraphs;
    m_rows += rows;
    m_tabRows += tabRows;
    if (rows + tabRows + std::max<qint64>(0, runs - 1) * rowsPerRun > maxParagraphRows)
        m_paragraphTooLong = true;
    m_height += qint64(rows * fontPixels * 1.25 + margins);
}

bool RichLayoutCost::fits() const
{
    return !m_paragraphTooLong && m_tables <= maxTables && m_height <= maxHeight &&
           m_rows + m_tabRows + m_paragraphs * (rowsPerParagraph - 1) <= maxWeightedRows;
}
