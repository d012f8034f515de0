#include "aboutactions.h"

#include "about/about.h"
#include "app/pgwell.h"

#include <QPushButton>

AboutActions::AboutActions(pgwell &window) : QObject(&window), w(window)
{
    connect(w.Command4, &QPushButton::clicked, this, &AboutActions::showAbout);
}

void AboutActions::showAbout()
{
    if (!m_box)
        m_box = new about(w.platform(), &w);
    m_box->show();
    m_box->raise();
    m_box->activateWindow();
}
