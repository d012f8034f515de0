#include "operationaction.h"

#include "controls/clicklabel.h"
#include "viewer/viewer.h"

#include <QAbstractButton>

OperationAction::OperationAction(const QString &text, QObject *parent) : QAction(text, parent)
{
    connect(this, &QAction::changed, this, &OperationAction::follow);
}

void OperationAction::addControls(const QList<QAbstractButton *> &buttons,
                                  const QList<ClickLabel *> &labels)
{
    for (QAbstractButton *button : buttons) {
        connect(button, &QAbstractButton::clicked, this, &QAction::trigger);
        m_controls.append(button);
    }
    for (ClickLabel *label : labels) {
        connect(label, &ClickLabel::clicked, this, &QAction::trigger);
        m_controls.append(label);
    }
    follow();
}

void OperationAction::waitForLoads(const Viewer &viewer)
{
    setEnabled(!viewer.isLoading());
    connect(&viewer, &Viewer::loadingChanged, this, [this](bool loading) { setEnabled(!loading); });
}

void OperationAction::follow()
{
    for (QWidget *control : std::as_const(m_controls))
        control->setEnabled(isEnabled());
}
