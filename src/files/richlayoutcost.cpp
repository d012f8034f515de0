// SPDX-License-Identifier: GPL-3.0-or-later
#include "richlayoutcost.h"

#include <algorithm>

void RichLayoutCost::addParagraph(qint64 characters, qint64 lineBreaks, qint64 tabs,
                                  qreal fontPixels, qreal margins, qreal width, qint64 runs,
                                  bool inTable)
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
    const qint64 cost = rows + tabRows + std::max<qint64>(0, runs - 1) * rowsPerRun;
    if (cost > maxParagraphRows)
        m_paragraphTooLong = true;
    m_height += qint64(rows * fontPixels * 1.25 + margins);

    // A table is laid out beside the steps (its cells are bounded by the tables' own limits),
    // but its characters count in the steps' lengths.
    const qint64 start = m_length;
    m_length += characters + 1;
    if (!inTable) {
        m_step.push_back({start, cost + rowsPerParagraph});
        m_stepRows += m_step.back().rows;
    }
    const qint64 stepStart =
        m_length - std::clamp(m_length / 2, firstStepCharacters, maxStepCharacters);
    while (!m_step.empty() && m_step.front().start < stepStart) {
        m_stepRows -= m_step.front().rows;
        m_step.pop_front();
    }
    m_heaviestStep = std::max(m_heaviestStep, m_stepRows);
}

bool RichLayoutCost::fits() const
{
    return !m_paragraphTooLong && m_tables <= maxTables && m_height <= maxHeight &&
           m_heaviestStep <= maxStepRows &&
           m_rows + m_tabRows + m_paragraphs * (rowsPerParagraph - 1) <= maxWeightedRows;
}
