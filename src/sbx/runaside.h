// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <QObject>
#include <QThread>

// Runs work on a thread of its own and hands its result to done on the window thread, unless
// context is gone by then. Reading or writing a clip of many megabytes takes seconds; the
// window stays responsive meanwhile. work must not touch context.
template <typename Result, typename Work, typename Done>
void runAside(QObject *context, Work work, Done done)
{
    auto result = std::make_shared<Result>();
    QThread *thread = QThread::create([work = std::move(work), result] { *result = work(); });
    QObject::connect(thread, &QThread::finished, context,
                     [done = std::move(done), result] { done(*result); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}
