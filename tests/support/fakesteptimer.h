// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/steptimer.h"

// A timer that ticks only when the test says so; it keeps what a real timer would do with the
// interval and the countdown, so tests can read it back.
class FakeStepTimer : public StepTimer
{
public:
    void onTick(std::function<void()> handler) override { m_handler = std::move(handler); }
    void setInterval(int milliseconds) override
    {
        m_interval = milliseconds;
        if (m_active)
            ++restarts;
    }
    int interval() const override { return m_interval; }
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    // The countdown ran out: a running timer ticks, a stopped one does not.
    void elapse()
    {
        if (m_active && m_handler)
            m_handler();
    }

    int restarts = 0; // times a running countdown began again with a new interval

private:
    std::function<void()> m_handler;
    int m_interval = 0;
    bool m_active = false;
};
