// SPDX-License-Identifier: GPL-3.0-or-later
#include "edithistory.h"

void EditHistory::record(TextEdit edit, Kind kind)
{
    m_redo.clear();
    if (kind == Kind::JoinPrevious && !m_undo.empty()) {
        m_undo.back().push_back(std::move(edit));
        return;
    }
    if (m_open && kind == m_lastKind && !m_undo.empty()) {
        TextEdit &last = m_undo.back().back();
        if (kind == Kind::Typing && edit.removed.isEmpty() &&
            edit.position == last.position + last.inserted.size() &&
            !edit.inserted.contains(u'\n')) {
            last.inserted += edit.inserted;
            return;
        }
        if (kind == Kind::Deleting && edit.inserted.isEmpty() && last.inserted.isEmpty()) {
            if (edit.position + edit.removed.size() == last.position) { // Backspace
                last.removed.prepend(edit.removed);
                last.position = edit.position;
                return;
            }
            if (edit.position == last.position) { // Delete
                last.removed += edit.removed;
                return;
            }
        }
    }
    const bool breaksLine = edit.inserted.contains(u'\n');
    m_undo.push_back(Step{std::move(edit)});
    m_lastKind = kind;
    // A line break ends a typing step, as does anything that is neither typing nor deleting.
    m_open = (kind == Kind::Typing || kind == Kind::Deleting) && !breaksLine;
}

void EditHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
    m_open = false;
}

std::optional<EditHistory::Step> EditHistory::undo()
{
    if (m_undo.empty())
        return std::nullopt;
    m_open = false;
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
    return m_redo.back();
}

std::optional<EditHistory::Step> EditHistory::redo()
{
    if (m_redo.empty())
        return std::nullopt;
    m_open = false;
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
    return m_undo.back();
}
