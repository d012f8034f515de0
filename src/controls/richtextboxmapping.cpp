// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's mappings of its characters (Make CAP and Make Min), in place in either editor.
#include "richtextbox.h"

#include "controls/plaintextmapping.h"
#include "controls/richlayoutpump.h"
#include "controls/richtextmapping.h"
#include "plaintext/plaintextview.h"

#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

bool RichTextBox::mapRange(qsizetype start, qsizetype length, const Map &map, UndoStep step)
{
    if (m_readOnly)
        return false;
    finishMapping();
    const qsizetype total = textLength();
    start = std::clamp<qsizetype>(start, 0, total);
    length = std::clamp<qsizetype>(length, 0, total - start);
    if (m_rich) {
        auto *mapping = new RichTextMapping(*m_richEditor, start, start + length, map,
                                            step == UndoStep::JoinPrevious, this);
        if (length > mappedAtOnceUpTo) {
            m_mapping = mapping;
            connect(mapping, &RichTextMapping::finished, this, [this] {
                if (m_mapping)
                    std::exchange(m_mapping, nullptr)->deleteLater();
                m_layoutPump->follow(m_richEditor->document()); // its new layout
            });
            mapping->runInSteps();
            return true;
        }
        mapping->finish();
        const bool changed = mapping->changedText();
        delete mapping;
        return changed;
    }
    const qsizetype top = m_plainView->firstVisiblePosition();
    const QList<TextMapEdits::Edit> edits = PlainTextMapping::apply(
        m_plainView->document(), start, start + length, map, step == UndoStep::JoinPrevious);
    if (edits.isEmpty())
        return false;
    if (step == UndoStep::New)
        m_plainView->scrollTo(TextMapEdits::mapPosition(edits, top));
    return true;
}

void RichTextBox::finishMapping() const
{
    if (m_mapping)
        m_mapping->finish();
}

int RichTextBox::mappingPercent() const
{
    return m_mapping ? m_mapping->percent() : 100;
}

void RichTextBox::cancelMapping()
{
    if (m_mapping)
        m_mapping->cancel();
}

void RichTextBox::dropMapping()
{
    // The content is replaced: what was mapped so far is not reported.
    const bool replacing = std::exchange(m_replacing, true);
    delete std::exchange(m_mapping, nullptr);
    m_replacing = replacing;
}

bool RichTextBox::canRedo() const
{
    return m_rich ? m_richEditor->document()->isRedoAvailable() : m_plainView->document().canRedo();
}
