// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/savejournal.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

// Puts back, on a thread of its own, the old bytes of every in-place save that a kill cut short,
// so that the window is on screen and answering meanwhile. What it did is handed to the window's
// thread when it is over. A display meanwhile puts back its own file first (or waits for the
// entry being put back): no file is read half put back.
class StartRecovery : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const QList<SaveJournal::Recovered> &recovered)>;

    explicit StartRecovery(QObject *parent = nullptr);
    // Waits for a restore still under way: it is never cut in half.
    ~StartRecovery() override;

    // done comes on the window's thread, unless this is gone first.
    void start(Done done);
    bool isRunning() const { return m_running.load(); }
    // On the window's thread, which must wait (the program is about to end): until every entry
    // being put back, by this or by a display, is whole. Turns that work of other threads asks
    // of the window are given meanwhile.
    void waitUntilWhole();

private:
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};
