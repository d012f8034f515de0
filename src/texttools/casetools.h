// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/richtextbox.h"
#include "texttools/caseconversion.h"

#include <QObject>

class QRadioButton;
class Viewer;
struct Platform;

// "Make CAP", "Make Min" and "Nomal": converting the pane's whole text once, keeping it in the
// chosen case while it changes, and going back to the file's own text.
class CaseTools : public QObject
{
    Q_OBJECT

public:
    // The controls it works with.
    struct Controls
    {
        QRadioButton *cap;
        QRadioButton *min;
        QRadioButton *Option3;
        RichTextBox *Text1;
    };

    CaseTools(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent);

    CaseMode mode() const;

    // A change longer than this (a large paste) is put in case in steps on the operation's
    // thread, with progress; a shorter one takes a few milliseconds at most.
    static constexpr qsizetype convertedAtOnceUpTo = 1 << 20;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void convertWhole(CaseMode mode);
    void convertInPlace(CaseMode mode);
    void convertChangeInSteps(CaseMode mode, qsizetype windowStart, qsizetype windowEnd,
                              qsizetype from, qsizetype to);
    void clearModes();
    static RichTextBox::Map caseMap(CaseMode mode);
    void backToFileText();
    void noteChange(int position, int removed, int added);
    void keepInCase();

    Viewer &m_viewer;
    Platform &m_platform;
    Controls ui;
    bool m_converting = false;
    // The part of the text changed since the last reaction, or none (from < 0).
    qsizetype m_changedFrom = -1;
    qsizetype m_changedTo = -1;
};
