// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class OperationProgress;
class QThread;

// Runs the window's long operations (saving, sending to a clip, copying, printing, converting
// case, finding) on a thread of their own, one at a time, so that the window goes on answering.
// One that takes longer than a quarter of a second shows its progress, and the user may cancel
// it: the work sees the request at its next step and stops, leaving what it wrote as it was.
// Its result comes back on the window's thread.
class LongOperation : public QObject
{
    Q_OBJECT

public:
    // What the work, on its thread, reports and asks.
    class Control
    {
    public:
        // Whether the user asked the work to stop.
        bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
        // How far the work got, in its own units (bytes, characters, pages).
        void setTotal(qint64 total) { m_total.store(std::max<qint64>(total, 0)); }
        void setDone(qint64 done) { m_done.store(done); }
        void addDone(qint64 done) { m_done.fetch_add(done); }
        int percent() const;

    private:
        friend class LongOperation;
        std::atomic<bool> m_cancelled{false};
        std::atomic<qint64> m_total{0};
        std::atomic<qint64> m_done{0};
    };

    using Work = std::function<void(Control &control)>;
    // Back on the window's thread once the work ended; cancelled when the user stopped it.
    using Done = std::function<void(bool cancelled)>;

    explicit LongOperation(QObject *parent = nullptr);
    // Cancels the work still running and waits for it: it must not outlive what it reports to.
    ~LongOperation() override;

    // Starts work on a thread, or does it at once when size (its bytes or characters) is below
    // backgroundFrom(): a small one is over before a thread would have started. False, and
    // nothing done, while another operation runs.
    bool run(const QString &label, qint64 size, Work work, Done done);
    // For work that must stay on the window's thread and goes on in steps of its own there
    // (from its own timer): poll, called from the event loop, reports its progress and returns
    // true once the work is over. It shows progress and may be cancelled as work on a thread;
    // a cancel is delivered at the event loop's next turn, and done must then stop the work.
    using Poll = std::function<bool(Control &control)>;
    bool follow(const QString &label, Poll poll, Done done);
    bool isRunning() const { return bool(m_job); }
    void cancel();
    // Cancels the operation running and waits for its work to stop; its result is delivered,
    // as cancelled, before this returns (the program is about to end).
    void stop();
    // Runs the work on the caller's thread and delivers at once: for a caller that has nothing
    // to show meanwhile, and for tests of what the work does.
    void runHere(Work work, Done done);

    // Tests set 0 to run every operation on a thread.
    void setBackgroundFrom(qint64 size) { m_backgroundFrom = size; }
    qint64 backgroundFrom() const { return m_backgroundFrom; }
    static constexpr qint64 defaultBackgroundFrom = 1 << 20;

    // Where progress is shown; none shows nothing (the work still runs on its thread).
    void setProgress(OperationProgress *progress) { m_progress = progress; }
    OperationProgress *progress() const { return m_progress; }
    // How long an operation runs before its progress shows, and the clock that tells; tests
    // set both, and poll() in place of the timer.
    static constexpr int progressAfterMs = 250;
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    void poll();

signals:
    void runningChanged(bool running);

private:
    struct Job;
    void deliver(const std::shared_ptr<Job> &job);

    std::shared_ptr<Job> m_job;
    QList<QThread *> m_threads;
    OperationProgress *m_progress = nullptr;
    QTimer m_pollTimer;
    QTimer m_followTimer;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_clock;
    bool m_shown = false;
    qint64 m_backgroundFrom = defaultBackgroundFrom;
};
