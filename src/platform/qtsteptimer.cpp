// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtsteptimer.h"

#include <QTimer>

void QtStepTimer::onTick(std::function<void()> handler)
{
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(handler));
}

void QtStepTimer::setInterval(int milliseconds)
{
    // QTimer restarts a running countdown itself.
    m_timer.setInterval(milliseconds);
}

int QtStepTimer::interval() const
{
    return m_timer.interval();
}

void QtStepTimer::start()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void QtStepTimer::stop()
{
    m_timer.stop();
}

bool QtStepTimer::isActive() const
{
    return m_timer.isActive();
}
