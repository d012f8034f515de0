// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintextdocument.h"

#include <algorithm>

namespace {

enum class CharClass { Space, Word, Other, Break };

CharClass classOf(QChar c)
{
    if (c == u'\n')
        return CharClass::Break;
    if (c.isSpace())
        return CharClass::Space;
    if (c.isLetterOrNumber() || c == u'_' || c.isMark() || c.isSurrogate())
        return CharClass::Word;
    return CharClass::Other;
}

} // namespace

PlainTextDocument::PlainTextDocument(QObject *parent) : QObject(parent)
{
}

void PlainTextDocument::setText(QStringView text)
{
    setBuffer(TextBuffer(text));
}

void PlainTextDocument::setBuffer(TextBuffer &&buffer)
{
    const qsizetype old = m_buffer.length();
    m_lastRemoved = m_buffer.mid(0, changeTextKept);
    m_buffer = std::move(buffer);
    wholeTextReplaced(old);
}

void PlainTextDocument::appendLoaded(TextBuffer &&later)
{
    const qsizetype old = m_buffer.length();
    const qsizetype added = later.length();
    if (added == 0)
        return;
    const bool follow = m_cursor == old && m_anchor == old;
    m_buffer.append(std::move(later));
    m_lastRemoved.clear();
    emit contentsChanged(old, 0, added);
    if (follow) {
        m_cursor = m_anchor = m_buffer.length();
        emit cursorMoved();
    }
}

// After the whole text changed at once: no undo across it, the caret at the start.
void PlainTextDocument::wholeTextReplaced(qsizetype oldLength)
{
    m_history.clear();
    m_cleanStep = 0;
    m_cursor = m_anchor = 0;
    emit textReplaced();
    emit contentsChanged(0, oldLength, m_buffer.length());
    emit cursorMoved();
}

bool PlainTextDocument::mapText(const std::function<bool(QString &piece)> &map)
{
    const qsizetype old = m_buffer.length();
    QString start = m_buffer.mid(0, changeTextKept);
    if (!m_buffer.mapPieces(map))
        return false;
    m_lastRemoved = std::move(start);
    wholeTextReplaced(old);
    return true;
}

void PlainTextDocument::takeMapped(TextBuffer &&mapped)
{
    const qsizetype old = m_buffer.length();
    QString start = m_buffer.mid(0, changeTextKept);
    m_buffer = std::move(mapped);
    m_lastRemoved = std::move(start);
    wholeTextReplaced(old);
}

void PlainTextDocument::setModified(bool modified)
{
    m_history.closeStep(); // what is typed next is a change of its own
    m_cleanStep = modified ? -1 : m_history.stepCount();
}

QString PlainTextDocument::selectedText() const
{
    return m_buffer.mid(selectionStart(), selectionEnd() - selectionStart());
}

qsizetype PlainTextDocument::aligned(qsizetype position) const
{
    position = std::clamp<qsizetype>(position, 0, length());
    if (position > 0 && position < length() && m_buffer.at(position).isLowSurrogate() &&
        m_buffer.at(position - 1).isHighSurrogate())
        --position;
    return position;
}

void PlainTextDocument::setCursor(qsizetype position, bool keepAnchor)
{
    position = aligned(position);
    const bool changed = position != m_cursor || (!keepAnchor && m_anchor != position);
    m_cursor = position;
    if (!keepAnchor)
        m_anchor = position;
    m_history.closeStep();
    if (changed)
        emit cursorMoved();
}

void PlainTextDocument::setSelection(qsizetype anchor, qsizetype cursor)
{
    m_anchor = aligned(anchor);
    m_cursor = aligned(cursor);
    m_history.closeStep();
    emit cursorMoved();
}

QString PlainTextDocument::normalizedLineEnds(QString text)
{
    if (text.contains(u'\r')) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
    }
    return text;
}

void PlainTextDocument::apply(qsizetype position, qsizetype count, const QString &text,
                              EditHistory::Kind kind, qsizetype anchorAfter, qsizetype cursorAfter)
{
    if (m_readOnly)
        return;
    TextEdit edit;
    edit.position = position;
    edit.removed = m_buffer.mid(position, count);
    edit.inserted = text;
    edit.anchorBefore = m_anchor;
    edit.cursorBefore = m_cursor;
    m_lastRemoved = edit.removed.left(changeTextKept);
    m_buffer.remove(position, count);
    m_buffer.insert(position, text);
    // Set before the change is told: a listener may change the text again, moving them on.
    m_anchor = anchorAfter >= 0 ? anchorAfter : position + text.size();
    m_cursor = cursorAfter >= 0 ? cursorAfter : position + text.size();
    // An edit after undoing past the unchanged state leaves no way back to it.
    if (m_history.stepCount() < m_cleanStep)
        m_cleanStep = -1;
    m_history.record(std::move(edit), kind);
    emit contentsChanged(position, count, text.size());
    emit cursorMoved();
}

void PlainTextDocument::insert(const QString &text)
{
    const QString clean = normalizedLineEnds(text);
    if (clean.isEmpty() && !hasSelection())
        return;
    apply(selectionStart(), selectionEnd() - selectionStart(), clean,
          hasSelection() || clean.size() > 1 ? EditHistory::Kind::Other
                                             : EditHistory::Kind::Typing);
}

void PlainTextDocument::removeRange(qsizetype from, qsizetype to, EditHistory::Kind kind)
{
    if (to > from)
        apply(from, to - from, QString(), kind);
}

void PlainTextDocument::deleteBackward()
{
    if (hasSelection())
        return removeRange(selectionStart(), selectionEnd(), EditHistory::Kind::Other);
    removeRange(previousCharacter(m_cursor), m_cursor, EditHistory::Kind::Deleting);
}

void PlainTextDocument::deleteForward()
{
    if (hasSelection())
        return removeRange(selectionStart(), selectionEnd(), EditHistory::Kind::Other);
    removeRange(m_cursor, nextCharacter(m_cursor), EditHistory::Kind::Deleting);
}

void PlainTextDocument::deleteWordBackward()
{
    if (hasSelection())
        return removeRange(selectionStart(), selectionEnd(), EditHistory::Kind::Other);
    removeRange(previousWordStart(m_cursor), m_cursor, EditHistory::Kind::Other);
}

void PlainTextDocument::deleteWordForward()
{
    if (hasSelection())
        return removeRange(selectionStart(), selectionEnd(), EditHistory::Kind::Other);
    removeRange(m_cursor, nextWordStart(m_cursor), EditHistory::Kind::Other);
}

void PlainTextDocument::replace(qsizetype position, qsizetype count, const QString &text,
                                Placement placement)
{
    position = std::clamp<qsizetype>(position, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - position);
    const QString clean = normalizedLineEnds(text);
    // The caret and anchor move with the text around them: one inside the range, or at its
    // edge, ends after the new text.
    const auto moved = [&](qsizetype at) {
        if (at < position)
            return at;
        if (at <= position + count)
            return position + clean.size();
        return at + clean.size() - count;
    };
    const qsizetype anchor = moved(m_anchor);
    const qsizetype cursor = moved(m_cursor);
    const bool keep = placement != Placement::CaretAfter;
    apply(position, count, clean,
          placement == Placement::JoinPreviousEdit ? EditHistory::Kind::JoinPrevious
                                                   : EditHistory::Kind::Other,
          keep ? anchor : -1, keep ? cursor : -1);
}

void PlainTextDocument::undo()
{
    if (m_readOnly)
        return;
    const std::optional<EditHistory::Step> step = m_history.undo();
    if (!step)
        return;
    for (auto edit = step->rbegin(); edit != step->rend(); ++edit) {
        m_lastRemoved = edit->inserted.left(changeTextKept);
        m_buffer.remove(edit->position, edit->inserted.size());
        m_buffer.insert(edit->position, edit->removed);
        emit contentsChanged(edit->position, edit->inserted.size(), edit->removed.size());
    }
    m_anchor = step->front().anchorBefore;
    m_cursor = step->front().cursorBefore;
    emit cursorMoved();
}

void PlainTextDocument::redo()
{
    if (m_readOnly)
        return;
    const std::optional<EditHistory::Step> step = m_history.redo();
    if (!step)
        return;
    for (const TextEdit &edit : *step) {
        m_lastRemoved = edit.removed.left(changeTextKept);
        m_buffer.remove(edit.position, edit.removed.size());
        m_buffer.insert(edit.position, edit.inserted);
        emit contentsChanged(edit.position, edit.removed.size(), edit.inserted.size());
    }
    m_anchor = m_cursor = step->back().position + step->back().inserted.size();
    emit cursorMoved();
}

qsizetype PlainTextDocument::nextCharacter(qsizetype position) const
{
    if (position >= length())
        return length();
    if (m_buffer.at(position).isHighSurrogate() && position + 1 < length() &&
        m_buffer.at(position + 1).isLowSurrogate())
        return position + 2;
    return position + 1;
}

qsizetype PlainTextDocument::previousCharacter(qsizetype position) const
{
    if (position <= 0)
        return 0;
    if (position >= 2 && m_buffer.at(position - 1).isLowSurrogate() &&
        m_buffer.at(position - 2).isHighSurrogate())
        return position - 2;
    return position - 1;
}

qsizetype PlainTextDocument::nextWordStart(qsizetype position) const
{
    // Past the rest of the word (or punctuation) the caret is in, then past blanks; a line
    // break is a stop of its own.
    const qsizetype end = length();
    if (position >= end)
        return end;
    const CharClass start = classOf(m_buffer.at(position));
    if (start == CharClass::Break)
        return position + 1;
    if (start != CharClass::Space) {
        while (position < end && classOf(m_buffer.at(position)) == start)
            ++position;
    }
    while (position < end && classOf(m_buffer.at(position)) == CharClass::Space)
        ++position;
    return position;
}

qsizetype PlainTextDocument::previousWordStart(qsizetype position) const
{
    if (position <= 0)
        return 0;
    if (classOf(m_buffer.at(position - 1)) == CharClass::Break)
        return position - 1;
    while (position > 0 && classOf(m_buffer.at(position - 1)) == CharClass::Space)
        --position;
    if (position == 0)
        return 0;
    const CharClass kind = classOf(m_buffer.at(position - 1));
    if (kind == CharClass::Break)
        return position;
    while (position > 0 && classOf(m_buffer.at(position - 1)) == kind)
        --position;
    return position;
}

std::pair<qsizetype, qsizetype> PlainTextDocument::wordAt(qsizetype position) const
{
    position = std::clamp<qsizetype>(position, 0, length());
    if (length() == 0)
        return {0, 0};
    qsizetype probe = position < length() ? position : position - 1;
    if (classOf(m_buffer.at(probe)) == CharClass::Break && probe > 0 && probe == position)
        --probe; // a click after a line's last word takes that word
    const CharClass kind = classOf(m_buffer.at(probe));
    if (kind == CharClass::Break)
        return {probe, probe};
    qsizetype start = probe;
    qsizetype end = probe + 1;
    while (start > 0 && classOf(m_buffer.at(start - 1)) == kind)
        --start;
    while (end < length() && classOf(m_buffer.at(end)) == kind)
        ++end;
    return {start, end};
}
