// SPDX-License-Identifier: GPL-3.0-or-later
#include "displayloading.h"

#include "rtf/rtfdetect.h"
#include "viewer/paneport.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <unistd.h>

struct DisplayLoading::Job
{
    QString path;
    PaneFileReader::Limits limits;
    Done done;
    std::atomic<bool> cancel{false};
    std::atomic<qint64> read{0};
    std::atomic<qint64> total{1};
    PaneFileReader::Result result;
};

DisplayLoading::DisplayLoading(PanePort &pane, QObject *parent) : QObject(parent), m_pane(&pane)
{
    m_progressTimer.setInterval(100);
    connect(&m_progressTimer, &QTimer::timeout, this, &DisplayLoading::showProgress);
}

DisplayLoading::~DisplayLoading()
{
    // The pane may be gone already (it is the window's child, as this is's owner): it is not
    // touched.
    if (m_job)
        m_job->cancel = true;
    m_job.reset();
    // A thread still reading stops at its next block; it must not outlive what it reports to.
    for (QThread *thread : std::as_const(m_threads)) {
        thread->wait();
        delete thread;
    }
}

void DisplayLoading::cancel()
{
    if (m_job)
        m_job->cancel = true;
    m_job.reset();
    m_progressTimer.stop();
    m_pane->hideLoadProgress();
}

void DisplayLoading::start(const QString &path, const PaneFileReader::Limits &limits, Done done)
{
    cancel();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->limits = limits;
    job->done = std::move(done);
    // Refusals come at once; only the reading itself waits.
    if (PaneFileReader::Result refused = PaneFileReader::check(path, limits);
        refused.status != WholeFileReader::Status::Ok) {
        job->done(std::move(refused));
        return;
    }
    if (!inBackground(path)) {
        PaneFileReader::Result result = PaneFileReader::read(path, limits);
        job->done(std::move(result));
        return;
    }
    m_job = job;
    QThread *thread = QThread::create([job, self = QPointer<DisplayLoading>(this)] {
        job->result = PaneFileReader::read(job->path, job->limits, &job->cancel,
                                           [&job](qint64 done, qint64 total) {
                                               job->read = done;
                                               job->total = std::max<qint64>(total, 1);
                                           });
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
    m_pane->showLoadPreview(PaneFileReader::head(path));
    m_clock.start();
    m_progressTimer.start();
    thread->start(QThread::LowPriority);
}

bool DisplayLoading::inBackground(const QString &path) const
{
    const qint64 size = QFileInfo(path).size();
    if (size >= m_backgroundFrom)
        return true;
    if (size < richBackgroundFrom)
        return false;
    // Building a formatted document costs far more per byte than decoding plain text: a few
    // hundred kilobytes of RTF can take a second.
    WholeFileReader::Opened opened = WholeFileReader::open(path); // never waits on the file
    if (opened.status != WholeFileReader::Status::Ok)
        return false;
    QFile file;
    if (!file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        return false;
    }
    return isRtf(file.read(16));
}

void DisplayLoading::showProgress()
{
    if (!m_job || m_clock.elapsed() < progressAfterMs)
        return;
    const qint64 total = m_job->total;
    m_pane->showLoadProgress(int(std::min<qint64>(100, m_job->read * 100 / total)));
}

void DisplayLoading::deliver(const std::shared_ptr<Job> &job)
{
    if (job != m_job || job->cancel)
        return; // dropped for a newer choice
    m_job.reset();
    m_progressTimer.stop();
    m_pane->hideLoadProgress();
    job->done(std::move(job->result));
    emit finished();
}
