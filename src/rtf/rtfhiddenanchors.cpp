// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfhiddenanchors.h"

#include "rtf/rtfproperties.h"

#include <QTextCursor>

#include <utility>

// Written before the first of the text that is left: deleting a word next to it does not
// lose it.
void RtfHiddenAnchors::take(bool noText, const QTextBlock &block)
{
    // A table's start or end ends the span too, as a paragraph's end does.
    if (block != m_spanBlock)
        m_span.clear();
    if (noText || m_pending.isEmpty() || m_count >= MaxHiddenAnchors)
        return;
    m_span = std::exchange(m_pending, {});
    m_spanId = ++m_count;
    m_spanBlock = block;
}

QTextCharFormat RtfHiddenAnchors::withHidden(QTextCharFormat format) const
{
    if (!m_span.isEmpty()) {
        format.setProperty(RtfProperty::HiddenBefore, m_span);
        format.setProperty(RtfProperty::HiddenId, m_spanId);
    }
    return format;
}

void RtfHiddenAnchors::attachToBlock(QTextCursor &cursor)
{
    m_span.clear(); // the paragraph or cell ends the span
    if (m_pending.isEmpty())
        return;
    QTextBlockFormat format = cursor.blockFormat();
    format.setProperty(RtfProperty::HiddenAtEnd,
                       format.property(RtfProperty::HiddenAtEnd).toByteArray() +
                           std::exchange(m_pending, {}));
    format.setProperty(RtfProperty::HiddenId, ++m_count);
    cursor.setBlockFormat(format);
}
