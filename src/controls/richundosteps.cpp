// SPDX-License-Identifier: GPL-3.0-or-later
#include "richundosteps.h"

#include <QTextDocument>
#include <QTextEdit>

RichUndoSteps::RichUndoSteps(QTextEdit &editor, Direction direction, int steps, QObject *parent)
    : RichSteps(parent), m_editor(editor), m_doc(editor.document()), m_direction(direction),
      m_total(steps), m_left(steps)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &RichUndoSteps::step);
}

RichUndoSteps::~RichUndoSteps()
{
    m_left = 0;
    end();
}

void RichUndoSteps::runInSteps()
{
    if (isFinished())
        return;
    if (!m_madeReadOnly) {
        m_madeReadOnly = true;
        m_wasReadOnly = m_editor.isReadOnly();
        m_editor.setReadOnly(true);
    }
    m_timer.start();
}

void RichUndoSteps::finish()
{
    while (m_left > 0 && m_doc)
        step();
    end();
}

int RichUndoSteps::percent() const
{
    return m_total > 0 ? (m_total - m_left) * 100 / m_total : 100;
}

void RichUndoSteps::step()
{
    if (m_left > 0 && m_doc) {
        --m_left;
        // The document's own undo and redo, not the editor's, which would move the caret to
        // each step's place and scroll there.
        if (m_direction == Direction::Undo)
            m_doc->undo();
        else
            m_doc->redo();
    }
    if (m_left == 0 || !m_doc)
        end();
}

void RichUndoSteps::end()
{
    if (isFinished())
        return;
    m_timer.stop();
    if (m_madeReadOnly)
        m_editor.setReadOnly(m_wasReadOnly);
    markFinished();
}
