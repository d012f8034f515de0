// SPDX-License-Identifier: GPL-3.0-or-later
#include "displayloading.h"

#include "plaintext/scangrowth.h"
#include "viewer/paneport.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> liveLoadCount{0};

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

struct DisplayLoading::Job
{
    QString path;
    PaneFileReader::Limits limits;
    Done done;
    std::atomic<bool> cancel{false};
    std::atomic<qint64> read{0};
    std::atomic<qint64> total{1};
    // When the read last moved, and whether every byte is in: what remains is work on them,
    // which cannot hang on the file.
    std::atomic<qint64> lastActivity{0};
    std::atomic<bool> allRead{false};
    bool abandoned = false; // both under the mailbox's lock
    bool ended = false;
    PaneFileReader::Result result;

    void touch() { lastActivity.store(nowMs(), std::memory_order_relaxed); }
};

// Where the loads' threads hand in their results. The loader may go while they run: the
// threads then find no one to deliver to, and its destructor waits only for the reads that are
// still expected to end soon.
struct DisplayLoading::Mailbox
{
    std::mutex lock;
    std::condition_variable ended;
    DisplayLoading *target = nullptr;
    int running = 0; // threads neither ended nor given up
};

DisplayLoading::DisplayLoading(PanePort &pane, QObject *parent)
    : QObject(parent), m_pane(&pane), m_mailbox(std::make_shared<Mailbox>()),
      m_reader(&PaneFileReader::read)
{
    m_mailbox->target = this;
    m_watchTimer.setInterval(100);
    connect(&m_watchTimer, &QTimer::timeout, this, &DisplayLoading::watch);
}

DisplayLoading::~DisplayLoading()
{
    // The pane may be gone already (it is the window's child, as this is's owner): it is not
    // touched.
    if (m_job)
        m_job->cancel = true;
    m_job.reset();
    std::unique_lock<std::mutex> lock(m_mailbox->lock);
    m_mailbox->target = nullptr;
    // A dropped read stops at its next block; one blocked in the system is not waited for.
    m_mailbox->ended.wait_for(lock, std::chrono::seconds(2),
                              [this] { return m_mailbox->running == 0; });
}

int DisplayLoading::liveLoads()
{
    return liveLoadCount.load();
}

QString DisplayLoading::notAnsweringMessage(const QString &path)
{
    return QStringLiteral("%1 does not answer: reading it was given up. It may lie on a device "
                          "or network share that is not responding.")
        .arg(QDir::toNativeSeparators(path));
}

void DisplayLoading::cancel()
{
    if (m_job)
        m_job->cancel = true;
    m_job.reset();
    m_watchTimer.stop();
    m_pane->hideLoadProgress();
}

void DisplayLoading::start(const QString &path, const PaneFileReader::Limits &limits, Done done,
                           Preparation prepare, Aftercare after)
{
    cancel();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->limits = limits;
    // A large text's pane grows with the scan: the text found so far is taken on each watch.
    if (!job->limits.growth)
        job->limits.growth = std::make_shared<ScanGrowth>();
    job->done = std::move(done);
    job->touch();
    m_job = job;
    {
        const std::lock_guard<std::mutex> lock(m_mailbox->lock);
        ++m_mailbox->running;
    }
    ++liveLoadCount;
    // Everything that touches the file happens on the thread, even the look at its size: on a
    // stuck mount that waits as well.
    std::thread([job, mailbox = m_mailbox, reader = m_reader, prepare = std::move(prepare),
                 after = std::move(after)] {
        if (prepare) {
            // Handed over before the result, which comes after it on the same queue.
            std::function<void()> prepared = prepare();
            job->touch();
            const std::lock_guard<std::mutex> lock(mailbox->lock);
            if (DisplayLoading *target = mailbox->target; target && prepared)
                QMetaObject::invokeMethod(target, std::move(prepared), Qt::QueuedConnection);
        }
        PaneFileReader::Result result = PaneFileReader::check(job->path, job->limits);
        job->touch();
        if (result.status == WholeFileReader::Status::Ok && !job->cancel) {
            if (QFileInfo(job->path).size() >= previewFrom) {
                TextBuffer head = PaneFileReader::head(job->path);
                job->touch();
                const std::lock_guard<std::mutex> lock(mailbox->lock);
                if (DisplayLoading *target = mailbox->target; target && !head.isEmpty()) {
                    QMetaObject::invokeMethod(
                        target,
                        [target, job, head = std::make_shared<TextBuffer>(std::move(head))] {
                            target->preview(job, std::move(*head));
                        },
                        Qt::QueuedConnection);
                }
            }
            result =
                reader(job->path, job->limits, &job->cancel, [&job](qint64 done, qint64 total) {
                    job->read = done;
                    job->total = std::max<qint64>(total, 1);
                    if (done >= total)
                        job->allRead = true;
                    job->touch();
                });
            if (after && !job->cancel) {
                after(result);
                job->touch();
            }
        }
        if (job->cancel)
            result = {}; // a dropped load gives its memory back now, not when the window looks
        {
            const std::lock_guard<std::mutex> lock(mailbox->lock);
            if (DisplayLoading *target = mailbox->target; target && !job->cancel) {
                job->result = std::move(result);
                QMetaObject::invokeMethod(
                    target, [target, job] { target->deliver(job); }, Qt::QueuedConnection);
            }
            if (!job->abandoned)
                --mailbox->running;
            job->ended = true;
            mailbox->ended.notify_all();
        }
        result = {};
        --liveLoadCount;
    }).detach();
    m_clock.start();
    m_watchTimer.start();
}

void DisplayLoading::preview(const std::shared_ptr<Job> &job, TextBuffer &&head)
{
    if (job == m_job)
        m_pane->showLoadPreview(std::move(head));
}

void DisplayLoading::watch()
{
    if (!m_job)
        return m_watchTimer.stop();
    if (!m_job->allRead && nowMs() - m_job->lastActivity >= m_answerTimeoutMs)
        return giveUp();
    TextBuffer more;
    if (const ScanGrowth::Taken taken = m_job->limits.growth->take(more);
        taken != ScanGrowth::Taken::Nothing)
        m_pane->growLoadPreview(std::move(more), taken == ScanGrowth::Taken::Restart);
    if (m_clock.elapsed() < progressAfterMs)
        return;
    const qint64 total = m_job->total;
    m_pane->showLoadProgress(int(std::min<qint64>(100, m_job->read * 100 / total)));
}

void DisplayLoading::giveUp()
{
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    job->cancel = true;
    {
        const std::lock_guard<std::mutex> lock(m_mailbox->lock);
        job->abandoned = true;
        if (!job->ended)
            --m_mailbox->running;
    }
    m_watchTimer.stop();
    m_pane->hideLoadProgress();
    PaneFileReader::Result failed;
    failed.status = WholeFileReader::Status::Failed;
    failed.error = notAnsweringMessage(job->path);
    job->done(std::move(failed));
    emit finished();
}

void DisplayLoading::deliver(const std::shared_ptr<Job> &job)
{
    if (job != m_job || job->cancel)
        return; // dropped for a newer choice
    m_job.reset();
    m_watchTimer.stop();
    // What the reader did in the text found so far carries over to the whole text.
    const std::optional<PanePort::PreviewPlace> place = m_pane->loadPreviewPlace();
    const bool shown = job->result.status == WholeFileReader::Status::Ok && !job->result.rich;
    m_pane->hideLoadProgress();
    job->done(std::move(job->result));
    if (place && shown)
        m_pane->setPreviewPlace(*place);
    emit finished();
}
