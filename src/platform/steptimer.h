// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// A repeating timer on the user-interface thread, as Auto view steps on it. Tests drive their
// own, so that no test waits for real time to pass.
class StepTimer
{
public:
    virtual ~StepTimer() = default;

    virtual void onTick(std::function<void()> handler) = 0;
    // Milliseconds; a running countdown starts again with the new value.
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    // A timer that is already running keeps its countdown.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};
