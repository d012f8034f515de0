// SPDX-License-Identifier: GPL-3.0-or-later
#include "operationaction.h"

#include "controls/clicklabel.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"

#include <QAbstractButton>
#include <QEvent>

OperationAction::OperationAction(const QString &name, const QString &text, const QKeySequence &keys,
                                 QObject *parent)
    : QAction(text, parent)
{
    setObjectName(name);
    setShortcut(keys);
    connect(this, &QAction::changed, this, &OperationAction::follow);
    // Connected first, so the option shows as chosen before the operation runs.
    connect(this, &QAction::triggered, this, &OperationAction::checkOptions);
}

void OperationAction::addControls(const QList<QAbstractButton *> &buttons,
                                  const QList<ClickLabel *> &labels)
{
    for (QAbstractButton *button : buttons) {
        connect(button, &QAbstractButton::clicked, this, &QAction::trigger);
        button->installEventFilter(this);
        m_controls.append(button);
        m_buttons.append(button);
        joinWindow(button);
    }
    for (ClickLabel *label : labels) {
        connect(label, &ClickLabel::clicked, this, &QAction::trigger);
        m_controls.append(label);
        joinWindow(label);
    }
    follow();
}

void OperationAction::joinWindow(QWidget *control)
{
    // A key of an action added only to its controls would stop working while their panel is
    // hidden; the window itself stays shown.
    QWidget *window = control->window();
    if (!window->actions().contains(this))
        window->addAction(this);
}

void OperationAction::waitForLoads(const Viewer &viewer)
{
    // Also while a long operation runs: one at a time, and none on a text being written.
    const auto follow = [this, &viewer] {
        setEnabled(!viewer.isLoading() && !viewer.isBusy());
    };
    follow();
    connect(&viewer, &Viewer::loadingChanged, this, follow);
    connect(&viewer.operations(), &LongOperation::runningChanged, this, follow);
}

void OperationAction::waitForOperations(const Viewer &viewer)
{
    setEnabled(!viewer.isBusy());
    connect(&viewer.operations(), &LongOperation::runningChanged, this,
            [this](bool running) { setEnabled(!running); });
}

bool OperationAction::eventFilter(QObject *watched, QEvent *event)
{
    // A button would take the second press of a double-click for a second click; as on the
    // picture controls, the double-click runs the operation once. Its release goes with it.
    // Only the buttons are watched.
    const bool swallow =
        event->type() == QEvent::MouseButtonDblClick ||
        (event->type() == QEvent::MouseButtonRelease && watched == m_secondPressOn);
    if (!swallow)
        return QAction::eventFilter(watched, event);
    m_secondPressOn = event->type() == QEvent::MouseButtonDblClick ? watched : nullptr;
    event->accept();
    return true;
}

void OperationAction::follow()
{
    for (QWidget *control : std::as_const(m_controls))
        control->setEnabled(isEnabled());
}

void OperationAction::checkOptions()
{
    // An option ("Make CAP" ...) shows as chosen when its key runs it, as after a click.
    for (QAbstractButton *button : std::as_const(m_buttons)) {
        if (button->isCheckable())
            button->setChecked(true);
    }
}
