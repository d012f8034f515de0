// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowturns.h"

#include <QElapsedTimer>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

struct WindowTurns::Shared
{
    enum class Phase { Idle, Asked, Held, Abandoned };
    std::mutex mutex;
    std::condition_variable changed;
    Phase phase = Phase::Idle;
    QElapsedTimer slice;
};

namespace {
// When the last turn of any work ended, on the window's thread: two turns (of two works) are
// not given one right after the other, so that the window's events come between them.
qint64 lastTurnEnded = -1;
// The works waiting for a turn, for a window's thread that waits itself and lends them.
std::mutex askingMutex;
std::condition_variable askingChanged;
std::vector<std::weak_ptr<void>> asking;

QElapsedTimer &windowClock()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock;
}
} // namespace

void WindowTurns::offer(QObject *window, const std::shared_ptr<Shared> &shared)
{
    // The turn comes behind the events the window has waiting.
    QMetaObject::invokeMethod(
        window,
        [window, state = shared] {
            std::unique_lock lock(state->mutex);
            if (state->phase != Shared::Phase::Asked)
                return; // the work stopped waiting
            if (lastTurnEnded >= 0 && windowClock().elapsed() - lastTurnEnded < 2) {
                lock.unlock();
                offer(window, state); // after the window's events
                return;
            }
            grant(*state, lock);
        },
        Qt::QueuedConnection);
}

void WindowTurns::grant(Shared &shared, std::unique_lock<std::mutex> &lock)
{
    shared.phase = Shared::Phase::Held;
    shared.slice.start();
    shared.changed.notify_all();
    shared.changed.wait(lock, [&shared] { return shared.phase != Shared::Phase::Held; });
    lastTurnEnded = windowClock().elapsed();
}

void WindowTurns::lendWhile(const std::function<bool()> &waiting)
{
    while (waiting()) {
        std::shared_ptr<Shared> next;
        {
            std::unique_lock lock(askingMutex);
            askingChanged.wait_for(lock, std::chrono::milliseconds(5),
                                   [] { return !asking.empty(); });
            while (!next && !asking.empty()) {
                next = std::static_pointer_cast<Shared>(asking.front().lock());
                asking.erase(asking.begin());
            }
        }
        if (!next)
            continue;
        std::unique_lock lock(next->mutex);
        if (next->phase == Shared::Phase::Asked)
            grant(*next, lock); // its offer, still queued, then finds it taken
    }
}

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
    offer(m_window, m_shared);
    {
        // Once for each work, whose asks are all its own turns.
        std::lock_guard asked(askingMutex);
        std::erase_if(asking, [](const std::weak_ptr<void> &work) { return work.expired(); });
        const std::weak_ptr<void> self = m_shared;
        if (std::none_of(asking.begin(), asking.end(), [&self](const std::weak_ptr<void> &work) {
                return !work.owner_before(self) && !self.owner_before(work);
            }))
            asking.push_back(self);
    }
    askingChanged.notify_all();
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
