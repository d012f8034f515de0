// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutactions.h"

#include "about/about.h"
#include "controls/operationaction.h"

#include <QPushButton>

AboutActions::AboutActions(Platform &platform, QWidget &window, QPushButton *button)
    : QObject(&window), m_platform(platform), m_window(window)
{
    // F1: the About box is the program's own help.
    auto *show = new OperationAction(QStringLiteral("actionAbout"), QStringLiteral("About"),
                                     QKeySequence(Qt::Key_F1), this);
    show->addControls({button}, {});
    connect(show, &QAction::triggered, this, &AboutActions::showAbout);
}

void AboutActions::showAbout()
{
    if (!m_box)
        m_box = new about(m_platform, &m_window);
    m_box->show();
    m_box->raise();
    m_box->activateWindow();
}
