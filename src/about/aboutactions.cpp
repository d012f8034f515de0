#include "aboutactions.h"

#include "about/about.h"

#include <QPushButton>

AboutActions::AboutActions(Platform &platform, QWidget &window, QPushButton *button)
    : QObject(&window), m_platform(platform), m_window(window)
{
    connect(button, &QPushButton::clicked, this, &AboutActions::showAbout);
}

void AboutActions::showAbout()
{
    if (!m_box)
        m_box = new about(m_platform, &m_window);
    m_box->show();
    m_box->raise();
    m_box->activateWindow();
}
