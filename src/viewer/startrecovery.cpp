// SPDX-License-Identifier: GPL-3.0-or-later
#include "startrecovery.h"

#include "viewer/windowturns.h"

#include <QMetaObject>

StartRecovery::StartRecovery(QObject *parent) : QObject(parent)
{
}

StartRecovery::~StartRecovery()
{
    if (m_thread.joinable())
        m_thread.join();
}

void StartRecovery::start(Done done)
{
    if (m_thread.joinable())
        m_thread.join();
    m_running = true;
    m_thread = std::thread([this, done = std::move(done)] {
        QList<SaveJournal::Recovered> recovered = SaveJournal::recover();
        // Handed over before the thread is done, so that nothing waiting for it finds it over
        // before its result is on its way.
        QMetaObject::invokeMethod(
            this,
            [this, done, recovered = std::move(recovered)] {
                if (m_thread.joinable())
                    m_thread.join();
                done(recovered);
            },
            Qt::QueuedConnection);
        m_running = false;
    });
}

void StartRecovery::waitUntilWhole()
{
    WindowTurns::lendWhile([this] { return isRunning() || SaveJournal::restoresUnderWay() > 0; });
}
