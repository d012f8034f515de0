#pragma once

#include <QAction>
#include <QList>

class ClickLabel;
class QAbstractButton;
class Viewer;

// One action per operation: its buttons and its picture and label controls trigger it, once
// for a click or a double-click, and are enabled and disabled with it.
class OperationAction : public QAction
{
    Q_OBJECT

public:
    OperationAction(const QString &text, QObject *parent);

    // Buttons and picture or label controls that run this operation.
    void addControls(const QList<QAbstractButton *> &buttons, const QList<ClickLabel *> &labels);
    // Acts on the file the pane shows: waits, disabled, while a display's file is read, so
    // that it never acts on a file whose text is not on screen.
    void waitForLoads(const Viewer &viewer);

private:
    void follow();

    QList<QWidget *> m_controls;
};
