// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfplaintextsink.h"

#include "rtf/rtfparser.h"

#include <algorithm>

void RtfPlainTextSink::enterLevel(int level)
{
    level = std::clamp(level, 0, RtfParser::MaxTableLevel);
    if (level != m_level && !m_text.isEmpty() && !m_text.endsWith(u'\n'))
        m_text.append(u'\n');
    m_level = level;
}

void RtfPlainTextSink::text(QStringView text, const RtfCharFormat &,
                            const RtfParagraphFormat &paragraph)
{
    enterLevel(paragraph.tableLevel());
    const qsizetype old = m_text.size();
    m_text.append(text);
    QChar *c = m_text.data() + old;
    QChar *const end = m_text.data() + m_text.size();
    for (; c != end; ++c) {
        if (c->unicode() == QChar::LineSeparator)
            *c = u'\n';
        else if (c->unicode() == QChar::Nbsp)
            *c = u' ';
    }
}

void RtfPlainTextSink::paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &,
                                    bool)
{
    enterLevel(paragraph.tableLevel());
    m_text.append(u'\n');
}

void RtfPlainTextSink::cellEnd(int level, const RtfParagraphFormat &)
{
    enterLevel(level);
    if (level == 1 && m_cellEnds.size() < MaxCellEnds)
        m_cellEnds.append(m_text.size());
    m_text.append(u'\n');
}

void RtfPlainTextSink::rowEnd(int level, const RtfRowDefinition &row)
{
    if (level == 1) {
        const QList<qsizetype> ends = std::exchange(m_cellEnds, {});
        for (qsizetype i = std::min(ends.size(), row.cells.size()) - 1; i > 0; --i) {
            if ((row.cells[i].merge & RtfCellDefinition::InRow) && ends[i] == ends[i - 1] + 1 &&
                ends[i] < m_text.size() && m_text[ends[i]] == u'\n')
                m_text.remove(ends[i], 1);
        }
    }
    if (level > m_level)
        return; // a row without cells
    enterLevel(level);
    if (!m_text.isEmpty() && !m_text.endsWith(u'\n'))
        m_text.append(u'\n'); // the next row starts on a new line
}

bool RtfPlainTextSink::picture(const RtfPicture &, const RtfCharFormat &,
                               const RtfParagraphFormat &paragraph)
{
    enterLevel(paragraph.tableLevel());
    return true;
}

void RtfPlainTextSink::finish(const RtfParagraphFormat &)
{
    enterLevel(0);
}

// As the document shows them: an empty line for the rule, then each note with its mark.
void RtfPlainTextSink::notes(const QList<RtfNote> &notes)
{
    m_text += u'\n';
    for (const RtfNote &note : notes) {
        QString line = note.mark.isEmpty() ? note.text : note.mark + u' ' + note.text;
        m_text += u'\n';
        m_text += line.replace(QChar::LineSeparator, u'\n').replace(QChar::Nbsp, u' ');
    }
}
