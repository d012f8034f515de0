// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/panefilereader.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class PanePort;

// Reads the file of a display operation on a thread of its own, so that the window never waits
// on it: a small file's result comes on the event loop's next turn, a large one shows its first
// lines at once and its progress once it takes longer than a quarter of a second; the pane
// keeps its text until the new one is there. A large text left in its file grows in the preview
// as its scan goes on, a step each watch, so it can be read, selected and copied before the
// whole is in; edits wait for the whole, which keeps the caret and selection made meanwhile.
// Starting a load drops the one still running: it stops at its next block and gives its memory
// back, and its result is never delivered. A file that does not answer (a stuck network mount, a
// kernel file that waits for data) is given up after a few seconds with a message; its thread may
// stay blocked in the system, and whatever it returns later goes nowhere.
class DisplayLoading : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(PaneFileReader::Result &&)>;
    using Reader = std::function<PaneFileReader::Result(
        const QString &path, const PaneFileReader::Limits &limits, const std::atomic<bool> *cancel,
        const PlainTextLoader::Progress &progress)>;

    // Work on the file that has to come before it is read (putting back the old bytes of a save
    // cut short), done first on the load's thread. What it returns runs on the GUI thread before
    // the result is handed on, and also when the load is dropped or given up meanwhile: the work
    // was done all the same.
    using Preparation = std::function<std::function<void()>()>;
    // Work on the result that has to be done where the file was read, right after the read
    // (on the load's thread); not for a dropped load.
    using Aftercare = std::function<void(const PaneFileReader::Result &)>;

    DisplayLoading(PanePort &pane, QObject *parent);
    ~DisplayLoading() override;

    // Reads path and calls done with the result on the GUI thread, or never when a newer load or
    // cancel() drops it.
    void start(const QString &path, const PaneFileReader::Limits &limits, Done done,
               Preparation prepare = {}, Aftercare after = {});
    void cancel();
    bool isLoading() const { return bool(m_job); }

    // Files from this size on show their first lines while the whole is read.
    static constexpr qint64 previewFrom = 2 << 20;
    static constexpr int progressAfterMs = 250;
    // A read that has not moved for this long is given up.
    static constexpr int defaultAnswerTimeoutMs = 5000;
    void setAnswerTimeout(int ms) { m_answerTimeoutMs = ms; }
    // What reads the file on the thread; PaneFileReader::read unless a test stands in for it.
    void setReader(Reader reader) { m_reader = std::move(reader); }

    // Reads of any loader whose threads still run, given up ones included.
    static int liveLoads();

    static QString notAnsweringMessage(const QString &path);

signals:
    void finished(); // a load delivered its result (or failure)

private:
    struct Job;
    struct Mailbox;
    void deliver(const std::shared_ptr<Job> &job);
    void preview(const std::shared_ptr<Job> &job, TextBuffer &&head);
    void watch();
    void giveUp();

    PanePort *m_pane; // shows the preview and the progress; never touched when this goes
    std::shared_ptr<Mailbox> m_mailbox;
    std::shared_ptr<Job> m_job;
    Reader m_reader;
    int m_answerTimeoutMs = defaultAnswerTimeoutMs;
    QTimer m_watchTimer;
    QElapsedTimer m_clock;
};
