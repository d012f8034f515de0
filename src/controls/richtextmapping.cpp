// SPDX-License-Identifier: GPL-3.0-or-later
#include "richtextmapping.h"

#include "controls/richundosteps.h"
#include "rtf/rtfproperties.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace {

bool startsPair(const QTextDocument &doc, qsizetype position)
{
    return doc.characterAt(int(position)).isHighSurrogate() &&
           doc.characterAt(int(position + 1)).isLowSurrogate();
}

} // namespace

RichTextMapping::RichTextMapping(QTextEdit &editor, qsizetype from, qsizetype to,
                                 TextMapEdits::Map map, bool joinPrevious, QObject *parent)
    : RichSteps(parent), m_editor(editor), m_doc(editor.document()), m_map(std::move(map)),
      m_cursor(editor.document()), m_joinPrevious(joinPrevious)
{
    QTextDocument &doc = *m_doc;
    // The document counts its closing paragraph mark, which is no text.
    const qsizetype length = doc.characterCount() - 1;
    m_from = std::clamp<qsizetype>(from, 0, length);
    m_to = std::clamp<qsizetype>(to, m_from, length);
    if (m_from > 0 && startsPair(doc, m_from - 1))
        --m_from;
    if (m_to > 0 && m_to < length && startsPair(doc, m_to - 1))
        ++m_to;
    m_block = doc.findBlock(int(m_from));
    // Numbers, not a cursor: a cursor would move with the edits.
    m_anchor = editor.textCursor().anchor();
    m_position = editor.textCursor().position();
    m_startAnchor = m_anchor;
    m_startPosition = m_position;
    m_wasModified = doc.isModified();
    if (joinPrevious) {
        m_cursor.joinPreviousEditBlock();
        m_inBlock = true;
        m_blockJoined = true;
        m_blocks = 1;
    } else {
        openBlock();
    }
    m_steps.setInterval(0);
    connect(&m_steps, &QTimer::timeout, this, [this] { mapBlocks(m_stepMs); });
}

RichTextMapping::~RichTextMapping()
{
    // Dropped with its content: what was mapped or taken back so far stays.
    if (m_takeBack)
        disconnect(m_takeBack, nullptr, this, nullptr);
    delete std::exchange(m_takeBack, nullptr);
    closeBlock();
    complete();
}

void RichTextMapping::finish()
{
    if (m_takeBack)
        m_takeBack->finish();
    else
        mapBlocks(-1);
}

void RichTextMapping::cancel()
{
    if (isFinished() || m_cancelled)
        return;
    if (m_joinPrevious) {
        finish();
        return;
    }
    m_cancelled = true;
    m_steps.stop();
    closeBlock();
    if (m_blocks == 0 || !m_doc) {
        complete();
        return;
    }
    // Block by block, from the last: each undo costs about what its step did.
    m_takeBack = new RichUndoSteps(m_editor, RichUndoSteps::Direction::Undo, m_blocks, this);
    connect(m_takeBack, &RichSteps::finished, this, &RichTextMapping::complete);
    if (m_madeReadOnly)
        m_takeBack->runInSteps();
    else
        m_takeBack->finish();
}

int RichTextMapping::percent() const
{
    if (isFinished() || !m_doc || !m_block.isValid() || m_to <= m_from)
        return 100;
    return int(
        std::clamp<qsizetype>((m_block.position() - m_from) * 100 / (m_to - m_from), 0, 100));
}

void RichTextMapping::runInSteps(qint64 stepMs)
{
    if (isFinished() || m_cancelled)
        return;
    m_stepMs = stepMs;
    // Nothing typed may come between the steps: it would be part of this undo step.
    if (!m_madeReadOnly) {
        m_madeReadOnly = true;
        m_wasReadOnly = m_editor.isReadOnly();
        m_editor.setReadOnly(true);
    }
    m_steps.start();
}

void RichTextMapping::mapBlocks(qint64 budget)
{
    if (isFinished() || m_cancelled)
        return;
    QElapsedTimer clock;
    clock.start();
    // A step's block is reported and laid out when it closes, at a cost that grows with what
    // the step changed: the mapping leaves room for it.
    const qint64 mapping = budget < 0 ? -1 : std::max(budget / 4, budget - m_closeMs);
    while (m_doc && m_block.isValid() && m_block.position() < m_to) {
        mapBlock(m_block);
        m_block = m_block.next();
        if (mapping >= 0 && clock.elapsed() >= mapping && m_block.isValid() &&
            m_block.position() < m_to) {
            closeBlock();
            openBlock();
            return;
        }
    }
    closeBlock();
    complete();
}

void RichTextMapping::openBlock()
{
    m_cursor.beginEditBlock();
    m_inBlock = true;
    m_blockJoined = false;
    m_blockChanged = false;
}

void RichTextMapping::closeBlock()
{
    if (!std::exchange(m_inBlock, false))
        return;
    QElapsedTimer clock;
    clock.start();
    m_cursor.endEditBlock(); // the document reports the change and lays it out
    m_closeMs = clock.elapsed();
    // An edit block with no edit is no undo step; a joined one is the edit before.
    if (m_blockChanged && !m_blockJoined)
        ++m_blocks;
}

bool RichTextMapping::mapped(const QTextFragment &fragment)
{
    const int index = fragment.charFormatIndex();
    auto known = m_formats.find(index);
    if (known == m_formats.end()) {
        const QTextCharFormat format = fragment.charFormat();
        const bool mapped = !format.isImageFormat() &&
                            format.objectType() == QTextFormat::NoObject &&
                            !format.boolProperty(RtfProperty::Generated) &&
                            !format.hasProperty(RtfProperty::ListLabel) &&
                            !format.boolProperty(RtfProperty::FootnoteMark);
        known = m_formats.insert(index, mapped ? std::optional(format) : std::nullopt);
    }
    return known->has_value();
}

void RichTextMapping::mapBlock(const QTextBlock &block)
{
    if (block.blockFormat().boolProperty(RtfProperty::ReaderNote))
        return;
    const QString text = block.text();
    const qsizetype blockStart = block.position();
    QList<TextMapEdits::Edit> edits;
    QList<int> formats; // each edit's, as the document numbers them
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const qsizetype start = std::max<qsizetype>(fragment.position(), m_from);
        const qsizetype end = std::min<qsizetype>(fragment.position() + fragment.length(), m_to);
        if (start >= end || !mapped(fragment))
            continue;
        TextMapEdits::collect(QStringView(text).sliced(start - blockStart, end - start), start,
                              m_map, edits);
        formats.resize(edits.size(), fragment.charFormatIndex());
    }
    // From the end: the positions of the edits still to come stay as they were. Each new text
    // takes its run's format, the kept parts attached to it included.
    for (qsizetype i = edits.size() - 1; i >= 0; --i) {
        const TextMapEdits::Edit &edit = edits.at(i);
        m_cursor.setPosition(int(edit.start));
        m_cursor.setPosition(int(edit.start + edit.removed), QTextCursor::KeepAnchor);
        m_cursor.insertText(edit.inserted, **m_formats.constFind(formats.at(i)));
        m_to += edit.inserted.size() - edit.removed;
        m_changed = true;
        m_blockChanged = true;
    }
    m_anchor = TextMapEdits::mapPosition(edits, m_anchor);
    m_position = TextMapEdits::mapPosition(edits, m_position);
}

void RichTextMapping::complete()
{
    if (isFinished())
        return;
    m_steps.stop();
    if (m_madeReadOnly)
        m_editor.setReadOnly(m_wasReadOnly);
    if (m_doc && m_cancelled && m_changed) {
        // Taken back: what was mapped is not kept for a redo.
        m_doc->clearUndoRedoStacks(QTextDocument::RedoStack);
        m_anchor = m_startAnchor;
        m_position = m_startPosition;
    }
    if (m_doc && m_cancelled)
        m_doc->setModified(m_wasModified);

    // The editor's cursor moved with the edits, but one at the start of a changed run went
    // past its new text: it goes back between the characters it was between, the view stays.
    QTextCursor selection = m_editor.textCursor();
    if (m_doc && m_changed &&
        (selection.anchor() != m_anchor || selection.position() != m_position)) {
        const int horizontal = m_editor.horizontalScrollBar()->value();
        const int vertical = m_editor.verticalScrollBar()->value();
        selection.setPosition(int(m_anchor));
        selection.setPosition(int(m_position), QTextCursor::KeepAnchor);
        m_editor.setTextCursor(selection);
        m_editor.horizontalScrollBar()->setValue(horizontal);
        m_editor.verticalScrollBar()->setValue(vertical);
    }
    markFinished();
}

bool RichTextMapping::typeMapped(QTextEdit &editor, QEvent *event, const TextMapEdits::Map &map)
{
    if (!map || editor.isReadOnly())
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        QString text = key->text();
        if (text.isEmpty() || !map(text))
            return false;
        QKeyEvent mapped(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                         key->nativeVirtualKey(), key->nativeModifiers(), text, key->isAutoRepeat(),
                         key->count(), key->device());
        QCoreApplication::sendEvent(&editor, &mapped);
        event->setAccepted(mapped.isAccepted());
        return true;
    }
    if (event->type() == QEvent::InputMethod) {
        const auto *input = static_cast<QInputMethodEvent *>(event);
        QString text = input->commitString();
        if (text.isEmpty() || !map(text))
            return false;
        QInputMethodEvent mapped(input->preeditString(), input->attributes());
        mapped.setCommitString(text, input->replacementStart(), input->replacementLength());
        QCoreApplication::sendEvent(&editor, &mapped);
        event->setAccepted(mapped.isAccepted());
        return true;
    }
    return false;
}
