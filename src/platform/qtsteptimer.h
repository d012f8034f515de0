// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "steptimer.h"

class QTimer;

// A StepTimer over a QTimer that its owner keeps.
class QtStepTimer : public StepTimer
{
public:
    explicit QtStepTimer(QTimer &timer) : m_timer(timer) {}

    void onTick(std::function<void()> handler) override;
    void setInterval(int milliseconds) override;
    int interval() const override;
    void start() override;
    void stop() override;
    bool isActive() const override;

private:
    QTimer &m_timer;
};
