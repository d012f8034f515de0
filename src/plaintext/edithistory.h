// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <vector>

// One change of a text: at position, removed was replaced by inserted. The selection before the
// change comes back with an undo.
struct TextEdit
{
    qsizetype position = 0;
    QString removed;
    QString inserted;
    qsizetype anchorBefore = 0;
    qsizetype cursorBefore = 0;
};

// Undo and redo of a text's edits, by steps. Keys typed one after another, and runs of
// deletions, are merged into one step, as a text editor's undo goes back a word or a run, not a
// letter; an edit that follows up on another (a typed letter turned into a capital) joins its
// step.
class EditHistory
{
public:
    enum class Kind { Typing, Deleting, Other, JoinPrevious };
    using Step = std::vector<TextEdit>;

    void record(TextEdit edit, Kind kind);
    // The next edit starts a new step (the caret was moved, a file was loaded ...).
    void closeStep() { m_open = false; }
    void clear();

    bool canUndo() const { return !m_undo.empty(); }
    qsizetype stepCount() const { return qsizetype(m_undo.size()); }
    bool canRedo() const { return !m_redo.empty(); }
    std::optional<Step> undo(); // the step to revert, last edit last; it moves to the redo list
    std::optional<Step> redo(); // the step to apply again

private:
    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    Kind m_lastKind = Kind::Other;
    bool m_open = false;
};
