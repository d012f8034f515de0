// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QList>

class ClickLabel;
class QAbstractButton;
class QKeySequence;
class Viewer;

// One action per operation: its buttons and its picture and label controls trigger it, once
// for a click or a double-click, and are enabled and disabled with it. Its key works wherever
// the focus is in its controls' window, also while the controls themselves are hidden.
class OperationAction : public QAction
{
    Q_OBJECT

public:
    // name: its objectName, by which tests and screen readers find it.
    OperationAction(const QString &name, const QString &text, const QKeySequence &keys,
                    QObject *parent);

    // Buttons and picture or label controls that run this operation.
    void addControls(const QList<QAbstractButton *> &buttons, const QList<ClickLabel *> &labels);
    // Acts on the file the pane shows: waits, disabled, while a display's file is read, so
    // that it never acts on a file whose text is not on screen.
    void waitForLoads(const Viewer &viewer);
    // Waits, disabled, while a long operation runs (one runs at a time).
    void waitForOperations(const Viewer &viewer);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow();
    void checkOptions();
    void joinWindow(QWidget *control);

    QList<QWidget *> m_controls;
    QList<QAbstractButton *> m_buttons;
    QObject *m_secondPressOn = nullptr; // the button whose double-click press was swallowed
};
