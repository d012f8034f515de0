// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

// Work on the pane's formatted document done in steps on the window's thread, a few
// milliseconds at a time, while the window goes on: a conversion, or an undo or redo of one.
class RichSteps : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Does what is left at once.
    virtual void finish() = 0;
    bool isFinished() const { return m_finished; }

    // For work that reads the document, on another thread, once these steps are over (finished
    // or dropped): the function returned waits for that, without holding the window, and on
    // the window's thread does what is left at once. Nothing when there are no steps.
    static std::function<void()> awaitEnd(RichSteps *steps);

signals:
    void finished();

protected:
    // Marks the work done and says so, once.
    void markFinished();

private:
    bool m_finished = false;
};
