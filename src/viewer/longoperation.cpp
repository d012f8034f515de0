// SPDX-License-Identifier: GPL-3.0-or-later
#include "longoperation.h"

#include "platform/operationprogress.h"

#include <QPointer>
#include <QThread>

struct LongOperation::Job
{
    QString label;
    Work work;
    Done done;
    Poll poll;
    Control control;
    qint64 started = 0;
};

int LongOperation::Control::percent() const
{
    const qint64 total = m_total.load();
    if (total <= 0)
        return -1;
    return int(std::clamp<qint64>(m_done.load() * 100 / total, 0, 100));
}

LongOperation::LongOperation(QObject *parent) : QObject(parent)
{
    m_pollTimer.setInterval(100);
    connect(&m_pollTimer, &QTimer::timeout, this, &LongOperation::poll);
    m_followTimer.setInterval(0);
    connect(&m_followTimer, &QTimer::timeout, this, [this] {
        const std::shared_ptr<Job> job = m_job; // outlives its delivery
        if (job && job->poll && (job->control.isCancelled() || job->poll(job->control)))
            deliver(job);
    });
    m_elapsed.start();
    m_clock = [this] {
        return m_elapsed.elapsed();
    };
}

LongOperation::~LongOperation()
{
    if (m_job)
        m_job->control.m_cancelled = true;
    m_job.reset();
    for (QThread *thread : std::as_const(m_threads)) {
        thread->wait();
        delete thread;
    }
    // The progress may be gone before this: it is not touched.
}

bool LongOperation::run(const QString &label, qint64 size, Work work, Done done)
{
    if (m_job)
        return false;
    if (size < m_backgroundFrom) {
        runHere(std::move(work), std::move(done));
        return true;
    }
    auto job = std::make_shared<Job>();
    job->label = label;
    job->work = std::move(work);
    job->done = std::move(done);
    job->started = m_clock();
    m_job = job;
    m_shown = false;
    QThread *thread = QThread::create([job, self = QPointer<LongOperation>(this)] {
        job->work(job->control);
        QMetaObject::invokeMethod(
            self.data(),
            [self, job] {
                if (self)
                    self->deliver(job);
            },
            Qt::QueuedConnection);
    });
    m_threads.append(thread);
    connect(thread, &QThread::finished, this, [this, thread] {
        m_threads.removeOne(thread);
        thread->deleteLater();
    });
    m_pollTimer.start();
    emit runningChanged(true);
    thread->start();
    return true;
}

bool LongOperation::follow(const QString &label, Poll poll, Done done)
{
    if (m_job)
        return false;
    auto job = std::make_shared<Job>();
    job->label = label;
    job->poll = std::move(poll);
    job->done = std::move(done);
    job->started = m_clock();
    m_job = job;
    m_shown = false;
    m_pollTimer.start();
    m_followTimer.start();
    emit runningChanged(true);
    return true;
}

void LongOperation::runHere(Work work, Done done)
{
    Control control;
    work(control);
    done(control.isCancelled());
}

void LongOperation::cancel()
{
    if (m_job)
        m_job->control.m_cancelled = true;
}

void LongOperation::stop()
{
    if (!m_job)
        return;
    m_job->control.m_cancelled = true;
    for (QThread *thread : std::as_const(m_threads))
        thread->wait();
    deliver(m_job);
}

void LongOperation::poll()
{
    if (!m_job || m_job->control.isCancelled())
        return;
    if (m_clock() - m_job->started < progressAfterMs)
        return;
    if (!m_progress)
        return;
    m_shown = true;
    // The cancel may come after this job ended and another began: it stops only its own.
    std::weak_ptr<Job> shownJob = m_job;
    m_progress->show(m_job->label, m_job->control.percent(), [shownJob] {
        if (const std::shared_ptr<Job> job = shownJob.lock())
            job->control.m_cancelled = true;
    });
}

void LongOperation::deliver(const std::shared_ptr<Job> &job)
{
    if (job != m_job)
        return;
    m_job.reset();
    m_pollTimer.stop();
    m_followTimer.stop();
    if (m_shown && m_progress)
        m_progress->hide();
    m_shown = false;
    emit runningChanged(false);
    job->done(job->control.isCancelled());
}
