// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's mappings of its characters (Make CAP and Make Min), in place in either editor.
#include "richtextbox.h"

#include "controls/plaintextmapping.h"
#include "controls/richlayoutpump.h"
#include "controls/richtextmapping.h"
#include "controls/richundosteps.h"
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
            connect(mapping, &RichTextMapping::finished, this, [this, mapping] {
                if (m_mapping != mapping) // dropped with its content
                    return;
                m_mapping = nullptr;
                mapping->deleteLater();
                m_richEditor->setReadOnly(m_held); // held meanwhile, or not any more
                addUndoGroup(mapping->blocks());
                m_layoutPump->follow(m_richEditor->document());
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
    if (m_undoSteps)
        m_undoSteps->finish();
}

RichSteps *RichTextBox::runningSteps() const
{
    if (m_mapping)
        return m_mapping;
    return m_undoSteps;
}

int RichTextBox::mappingPercent() const
{
    if (m_mapping)
        return m_mapping->percent();
    return m_undoSteps ? m_undoSteps->percent() : 100;
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
    delete std::exchange(m_undoSteps, nullptr);
    m_replacing = replacing;
}

QList<RichTextBox::UndoGroup> &RichTextBox::undoGroups()
{
    if (m_undoGroupsOf != m_richEditor->document()) {
        m_undoGroups.clear();
        m_undoGroupsOf = m_richEditor->document();
    }
    return m_undoGroups;
}

void RichTextBox::addUndoGroup(int blocks)
{
    // One step is Qt's own.
    if (blocks < 2)
        return;
    const int top = m_richEditor->document()->availableUndoSteps();
    undoGroups().append({top, 0, blocks, false});
}

void RichTextBox::undo()
{
    undoOrRedo(true);
}

void RichTextBox::redo()
{
    undoOrRedo(false);
}

void RichTextBox::undoOrRedo(bool undo)
{
    if (!m_rich) {
        if (undo)
            m_plainView->undo();
        else
            m_plainView->redo();
        return;
    }
    if (isMapping() || m_richEditor->isReadOnly())
        return;
    const int count = m_richEditor->document()->availableUndoSteps();
    const QList<UndoGroup> &groups = undoGroups();
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const UndoGroup &group = groups.at(i);
        if (undo ? !group.undone && group.top == count : group.undone && group.below == count)
            return runUndoGroup(i, undo);
    }
    if (undo)
        m_richEditor->undo();
    else
        m_richEditor->redo();
}

void RichTextBox::runUndoGroup(qsizetype index, bool undo)
{
    using Direction = RichUndoSteps::Direction;
    QTextDocument *doc = m_richEditor->document();
    auto *steps = new RichUndoSteps(*m_richEditor, undo ? Direction::Undo : Direction::Redo,
                                    m_undoGroups.at(index).blocks, this);
    m_undoSteps = steps;
    connect(steps, &RichSteps::finished, this, [this, steps, doc, index, undo] {
        if (m_undoSteps != steps) // dropped with its content
            return;
        m_undoSteps = nullptr;
        steps->deleteLater();
        m_richEditor->setReadOnly(m_held);
        if (doc != m_richEditor->document() || index >= m_undoGroups.size())
            return;
        UndoGroup &group = m_undoGroups[index];
        group.undone = undo;
        (undo ? group.below : group.top) = doc->availableUndoSteps();
    });
    steps->runInSteps();
}

bool RichTextBox::canRedo() const
{
    return m_rich ? m_richEditor->document()->isRedoAvailable() : m_plainView->document().canRedo();
}
