// SPDX-License-Identifier: GPL-3.0-or-later
#include "shownfilelook.h"

#include "viewer/fileidentity.h"

#include <atomic>
#include <mutex>
#include <thread>

struct ShownFileLook::Job
{
    Request request;
    Done done;
    Outcome outcome;
    std::atomic<bool> ended{false};
};

// Where the looks' threads hand in what they found; the looker may go while they run.
struct ShownFileLook::Mailbox
{
    std::mutex lock;
    ShownFileLook *target = nullptr;
};

ShownFileLook::ShownFileLook(QObject *parent)
    : QObject(parent), m_mailbox(std::make_shared<Mailbox>()), m_look(&ShownFileLook::look)
{
    m_mailbox->target = this;
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, &ShownFileLook::giveUp);
}

ShownFileLook::~ShownFileLook()
{
    // A thread blocked in the system is not waited for: it finds no one to deliver to.
    const std::lock_guard<std::mutex> lock(m_mailbox->lock);
    m_mailbox->target = nullptr;
}

ShownFileLook::Outcome ShownFileLook::look(const Request &request)
{
    Outcome outcome;
    outcome.now = FileIdentity::of(request.path);
    if (!FileIdentity::isKnown(outcome.now))
        return outcome;
    if (request.tailOnly) {
        // Only a file untouched since it was shown still has the pane's bytes for certain: one
        // written to meanwhile may have been written anew, which no look can tell from an
        // addition.
        if (outcome.now == request.was) {
            QByteArray tail = AppendedText::tailOf(request.path, request.from);
            if (FileIdentity::of(request.path) == request.was)
                outcome.tail = std::move(tail);
        }
        return outcome;
    }
    outcome.resolved = FileIdentity::resolved(request.path);
    // The same file under the same name, longer than the pane's text: only what it gained is
    // read.
    if (request.mayAppend && outcome.now.device == request.was.device &&
        outcome.now.inode == request.was.inode && outcome.now.size > request.from &&
        outcome.resolved == request.target)
        outcome.appended = AppendedText::read(request.path, request.from, request.tail,
                                              request.encoding, request.limit);
    return outcome;
}

bool ShownFileLook::start(const Request &request, Done done)
{
    if (m_job)
        return false;
    if (m_stuck && m_stuck->ended)
        m_stuck.reset();
    if (m_stuck && m_stuck->request.path == request.path)
        return false;
    auto job = std::make_shared<Job>();
    job->request = request;
    job->done = std::move(done);
    m_job = job;
    std::thread([job, mailbox = m_mailbox, look = m_look] {
        Outcome outcome = look(job->request);
        const std::lock_guard<std::mutex> lock(mailbox->lock);
        if (ShownFileLook *target = mailbox->target) {
            job->outcome = std::move(outcome);
            QMetaObject::invokeMethod(
                target, [target, job] { target->deliver(job); }, Qt::QueuedConnection);
        }
        job->ended = true;
    }).detach();
    m_answerTimer.start(m_answerTimeoutMs);
    return true;
}

void ShownFileLook::deliver(const std::shared_ptr<Job> &job)
{
    if (job != m_job) {
        job->outcome = {}; // given up before it came: what it read goes now
        return;
    }
    m_job.reset();
    m_answerTimer.stop();
    const Done done = std::move(job->done);
    done(std::exchange(job->outcome, {}));
}

void ShownFileLook::giveUp()
{
    if (!m_job)
        return;
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    m_stuck = job;
    const Done done = std::exchange(job->done, nullptr);
    Outcome outcome;
    outcome.gaveUp = true;
    done(std::move(outcome));
}
