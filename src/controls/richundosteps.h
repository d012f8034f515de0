// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/richsteps.h"

#include <QPointer>
#include <QTimer>

class QTextDocument;
class QTextEdit;

// Undoes or redoes a number of the editor's undo steps, one a turn of the event loop: a change
// made in steps is taken back, or made again, the same way, never in one go that would hold the
// window. The editor takes no keys meanwhile.
class RichUndoSteps : public RichSteps
{
    Q_OBJECT

public:
    enum class Direction { Undo, Redo };
    RichUndoSteps(QTextEdit &editor, Direction direction, int steps, QObject *parent = nullptr);
    // Stops where it got to.
    ~RichUndoSteps() override;

    void runInSteps();
    void finish() override;
    int percent() const;

private:
    void step();
    void end();

    QTextEdit &m_editor;
    QPointer<QTextDocument> m_doc;
    Direction m_direction;
    int m_total = 0;
    int m_left = 0;
    bool m_madeReadOnly = false;
    bool m_wasReadOnly = false;
    QTimer m_timer;
};
