// SPDX-License-Identifier: GPL-3.0-or-later
#include "richsteps.h"

#include <QPointer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

void RichSteps::markFinished()
{
    if (std::exchange(m_finished, true))
        return;
    emit finished();
}

std::function<void()> RichSteps::awaitEnd(RichSteps *steps)
{
    if (!steps || steps->isFinished())
        return {};
    auto ended = std::make_shared<std::atomic<bool>>(false);
    const auto mark = [ended] {
        *ended = true;
    };
    connect(steps, &RichSteps::finished, mark);
    connect(steps, &QObject::destroyed, mark);
    return [ended, pointer = QPointer<RichSteps>(steps), window = steps->thread()] {
        if (QThread::currentThread() == window) {
            if (pointer)
                pointer->finish();
            return;
        }
        while (!*ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
}
