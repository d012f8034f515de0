// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/draftstore.h"
#include "viewer/paneport.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Keeps what the pane holds and no file has as a draft: at most a second after a change, and at
// once when asked (before the pane is given another text). The pane reports its changes; the
// keeper decides what to keep: the whole text, the document as RTF once it has formatting, or,
// for a long plain text, the edits themselves over a base the store keeps of the file. Drafts
// are written on a thread of their own, in the order they were made.
class DraftKeeper : public QObject
{
    Q_OBJECT

public:
    explicit DraftKeeper(PanePort &pane, QObject *parent = nullptr,
                         const DraftStore &store = DraftStore());
    ~DraftKeeper() override; // writes what is pending first

    const DraftStore &store() const { return m_store; }

    // The pane now shows the text of a file as it was (shown), unedited, and keeps its draft
    // under key (the file's path, or another key for another view of it); an empty key is a
    // text begun with New. What was kept before stays on disk.
    void follow(const QString &key, const ShownFile::Identity &shown, const QString &file);
    void follow(const QString &path, const ShownFile::Identity &shown)
    {
        follow(path, shown, path);
    }
    QString path() const { return m_path; }
    // The pane shows a draft restored: later edits go on from it.
    void adopt(const Draft &draft);
    // Changes the program makes while it shows a text are no edits.
    void setQuiet(bool quiet) { m_quiet = quiet; }

    // The pane changed: at position, removed characters gave way to added.
    void noteEdit(qsizetype position, qsizetype removed, qsizetype added);
    // Hands what is pending to the writer now, as it is now, before the pane is given another
    // text: a formatted document's RTF is made on the drafts' thread in turns with the window
    // from the document the pane keeps for it; until it is on disk, its text is (written at
    // once, ahead of it).
    void flush();
    // The same a second after a change: a formatted document's RTF is made on the drafts'
    // thread in turns with the window (a large document takes seconds), and given up when the
    // document changes meanwhile, as a later draft follows the change.
    void flushAside();
    // Waits until every draft handed over is on disk, giving the turns they ask for meanwhile.
    void waitUntilWritten();
    // The same, but not for a document's RTF still to be made in turns with the window (its
    // text is on disk ahead of it), nor for what was handed over after it.
    void waitUntilWrittenAhead();
    // Whether work that reads the window's objects in turns is still to be done: a wait for
    // the drafts' thread would wait for those turns.
    bool writesInTurns() const { return m_turnJobs > 0; }
    // Drops the draft of what the pane shows (a Save wrote it, or the user discarded it).
    void discard();
    // A Save of the file is about to write it: the base leaves it, so that the file is
    // replaced as a file of one name is (and not written in place). The draft still applies to
    // the file as long as it is not replaced. After a Save that failed, the base is taken again.
    void releaseBase();
    void retakeBase();

    // Slow file work that must not hold the window, done on the drafts' thread in turn.
    void background(std::function<void()> job) { post(std::move(job)); }
    // The RTF writing makes (of a document the pane let go of), made there in turns with the
    // window and handed to use; nothing when the document changed meanwhile.
    void backgroundInTurns(PanePort::RichTextWriting writing,
                           std::function<void(QByteArray &&rtf)> use);

    // Plain texts of more characters keep their edits rather than their whole text.
    void setEditsFrom(qsizetype characters) { m_editsFrom = characters; }
    static constexpr qsizetype defaultEditsFrom = 1 << 20;
    static constexpr int delayMs = 1000;

private:
    void chooseMode(qsizetype position, qsizetype removed, qsizetype added);
    void record(qsizetype position, qsizetype removed, qsizetype added);
    // Jobs of the same key that only replace the draft: one not started yet is dropped for a
    // newer one, so that a slow disk is never handed more than it can write.
    void post(std::function<void()> job, const QString &replaces = QString(), bool inTurns = false);
    void work();
    enum class Making { Now, Aside, Leaving };
    void handOver(Making making);
    // A draft made aside and not on disk yet is taken over by one made now.
    void stopAside();

    PanePort &m_pane;
    const DraftStore m_store;
    QString m_path; // the draft's key
    QString m_file; // the file it is a draft of
    ShownFile::Identity m_shown;
    bool m_quiet = false;
    bool m_dirty = false;   // changes not handed to the writer yet
    bool m_written = false; // a draft of m_path is on disk (or on its way)
    bool m_modeChosen = false;
    bool m_keepEdits = false; // the edits over a base, not the text
    qsizetype m_keptCharacters = 0;
    QList<DraftEdit> m_edits;
    qsizetype m_editsFrom = defaultEditsFrom;
    QTimer m_timer;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    struct Job
    {
        std::function<void()> run;
        QString replaces; // the draft's file, for a write; empty for any other job
        bool inTurns = false;
    };
    std::atomic<int> m_turnJobs{0}; // queued or running
    std::deque<Job> m_jobs;
    std::atomic<bool> m_baseFailed{false}; // the base copy could not be made
    struct Aside
    {
        std::atomic<bool> stop{false};
        std::atomic<bool> written{false};
    };
    std::shared_ptr<Aside> m_aside; // the last draft made aside
    std::condition_variable m_done; // a job ended
    bool m_busy = false;
    bool m_busyInTurns = false;
    bool m_stop = false;
    std::thread m_thread;
};
