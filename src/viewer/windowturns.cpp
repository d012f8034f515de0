// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowturns.h"

#include <QElapsedTimer>
#include <QObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>

struct WindowTurns::Shared
{
    enum class Phase { Idle, Asked, Held, Abandoned };
    std::mutex mutex;
    std::condition_variable changed;
    Phase phase = Phase::Idle;
    QElapsedTimer slice;
};

WindowTurns::WindowTurns(QObject *window)
    : m_shared(std::make_shared<Shared>()), m_window(window), m_windowThread(window->thread())
{
}

WindowTurns::~WindowTurns()
{
    giveBack();
}

bool WindowTurns::take(const std::function<bool()> &stopped)
{
    // On the window's thread nothing else can touch the window's objects meanwhile.
    if (QThread::currentThread() == m_windowThread)
        return !stopped();
    Shared &shared = *m_shared;
    std::unique_lock lock(shared.mutex);
    if (shared.phase == Shared::Phase::Held) {
        if (!shared.slice.hasExpired(sliceMs) && !stopped())
            return true;
        shared.phase = Shared::Phase::Idle;
        shared.changed.notify_all();
    }
    if (stopped())
        return false;
    shared.phase = Shared::Phase::Asked;
    // The turn comes behind the events the window has waiting.
    QMetaObject::invokeMethod(
        m_window,
        [state = m_shared] {
            std::unique_lock lock(state->mutex);
            if (state->phase != Shared::Phase::Asked)
                return; // the work stopped waiting
            state->phase = Shared::Phase::Held;
            state->slice.start();
            state->changed.notify_all();
            state->changed.wait(lock, [&state] { return state->phase != Shared::Phase::Held; });
        },
        Qt::QueuedConnection);
    // The window may be ending and never give the turn: the wait looks at stopped() now and
    // then.
    while (shared.phase != Shared::Phase::Held) {
        shared.changed.wait_for(lock, std::chrono::milliseconds(20));
        if (shared.phase != Shared::Phase::Held && stopped()) {
            shared.phase = Shared::Phase::Abandoned;
            return false;
        }
    }
    return true;
}

void WindowTurns::giveBack()
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->phase == Shared::Phase::Held) {
        m_shared->phase = Shared::Phase::Idle;
        m_shared->changed.notify_all();
    }
}
