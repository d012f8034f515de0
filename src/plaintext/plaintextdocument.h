// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/edithistory.h"
#include "plaintext/textbuffer.h"

#include <QObject>

// A plain text with its caret, selection and undo: everything a plain-text editor does that
// needs no window. Positions are those of the text (UTF-16 units, a line break counts one); the
// caret never rests inside a surrogate pair.
class PlainTextDocument : public QObject
{
    Q_OBJECT

public:
    explicit PlainTextDocument(QObject *parent = nullptr);

    const TextBuffer &buffer() const { return m_buffer; }
    qsizetype length() const { return m_buffer.length(); }
    QString text() const { return m_buffer.text(); }

    // Replaces the whole text; this is a load, not an edit: undo forgets what came before.
    void setText(QStringView text);
    void setBuffer(TextBuffer &&buffer);
    // Adds text after the end as a load does, not an edit: undo stays as it was. The selection
    // stays; a caret at the end (nothing selected) stays at the end.
    void appendLoaded(TextBuffer &&later);
    // Replaces the text by what map makes of it (see TextBuffer::mapPieces), in place; like
    // setText() it is a new text. Nothing happens when the map leaves the text as it is.
    bool mapText(const std::function<bool(QString &piece)> &map);
    // The same with the mapping done elsewhere (on another thread) on a copy of buffer(), taken
    // while the text did not change: mapped takes the text's place as mapText() would leave it.
    void takeMapped(TextBuffer &&mapped);

    qsizetype cursor() const { return m_cursor; }
    qsizetype anchor() const { return m_anchor; }
    qsizetype selectionStart() const { return std::min(m_cursor, m_anchor); }
    qsizetype selectionEnd() const { return std::max(m_cursor, m_anchor); }
    bool hasSelection() const { return m_cursor != m_anchor; }
    QString selectedText() const;

    // Moves the caret; with keepAnchor the selection stretches from the anchor to it.
    void setCursor(qsizetype position, bool keepAnchor = false);
    void setSelection(qsizetype anchor, qsizetype cursor);
    void selectAll() { setSelection(0, length()); }

    // Edits at the selection, as keys do. Inserted line ends of any style become '\n'.
    void insert(const QString &text);
    void deleteBackward(); // Backspace
    void deleteForward();  // Delete
    void deleteWordBackward();
    void deleteWordForward();
    // Replaces a range, as a program does. CaretAfter puts the caret after the new text; the
    // others keep caret and anchor where they were in the text around the range, and
    // JoinPreviousEdit makes the change part of the previous undo step.
    enum class Placement { CaretAfter, KeepCaret, JoinPreviousEdit };
    void replace(qsizetype position, qsizetype count, const QString &text,
                 Placement placement = Placement::CaretAfter);

    // A read-only text refuses every edit, undo and redo included; a new text (setText(),
    // setBuffer(), mapText()) still comes in. The caret and selection move as ever.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }

    // Changed since the text was set or since setModified(false); undoing back to that point
    // makes it unchanged again.
    bool isModified() const { return m_history.stepCount() != m_cleanStep; }
    void setModified(bool modified);

    bool canUndo() const { return !m_readOnly && m_history.canUndo(); }
    bool canRedo() const { return !m_readOnly && m_history.canRedo(); }
    void undo();
    void redo();

    // Positions for moving the caret through the text itself.
    qsizetype nextCharacter(qsizetype position) const;
    qsizetype previousCharacter(qsizetype position) const;
    qsizetype nextWordStart(qsizetype position) const;
    qsizetype previousWordStart(qsizetype position) const;
    // The word (or run of blanks or of other characters) around position, as [start, end).
    std::pair<qsizetype, qsizetype> wordAt(qsizetype position) const;

    static QString normalizedLineEnds(QString text);

    // The text as it is now is its file's text: later edits are noted against it
    // (TextBuffer::markOriginal()). Neither an edit nor a new text.
    quint64 markTextAsOriginal() { return m_buffer.markOriginal(); }

    // The start of what the last change removed, for listeners of contentsChanged, which comes
    // when it is gone: at most changeTextKept characters, so that a change of megabytes is not
    // kept twice.
    const QString &lastRemovedText() const { return m_lastRemoved; }
    static constexpr qsizetype changeTextKept = 64 * 1024;

signals:
    // The whole text was replaced (a load), before contentsChanged reports it.
    void textReplaced();
    // The text changed: at position, removed characters were replaced by added ones. A whole
    // new text comes as position 0 with the old and new lengths.
    void contentsChanged(qsizetype position, qsizetype removed, qsizetype added);
    void cursorMoved();

private:
    void wholeTextReplaced(qsizetype oldLength);
    // anchorAfter and cursorAfter: where they are after the edit; -1 puts them after the text.
    void apply(qsizetype position, qsizetype count, const QString &text, EditHistory::Kind kind,
               qsizetype anchorAfter = -1, qsizetype cursorAfter = -1);
    void removeRange(qsizetype from, qsizetype to, EditHistory::Kind kind);
    qsizetype aligned(qsizetype position) const;

    TextBuffer m_buffer;
    EditHistory m_history;
    qsizetype m_cursor = 0;
    qsizetype m_anchor = 0;
    qsizetype m_cleanStep = 0; // undo steps at the unchanged state; -1 when it cannot come back
    QString m_lastRemoved;
    bool m_readOnly = false;
};
