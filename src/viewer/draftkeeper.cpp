// SPDX-License-Identifier: GPL-3.0-or-later
#include "draftkeeper.h"

#include "viewer/fileidentity.h"
#include "viewer/paneport.h"
#include "viewer/windowturns.h"

#include <QFile>

DraftKeeper::DraftKeeper(PanePort &pane, QObject *parent, const DraftStore &store)
    : QObject(parent), m_pane(pane), m_store(store)
{
    // Started by the first change and not again by later ones: text typed without a pause is
    // still kept every second.
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &DraftKeeper::flushAside);
    m_thread = std::thread([this] { work(); });
}

DraftKeeper::~DraftKeeper()
{
    // A draft made aside waits for turns the window no longer gives; one of a text the pane
    // let go of is the last of it, and gets them.
    if (m_aside)
        m_aside->stop = true;
    WindowTurns::lendWhile([this] { return m_turnJobs > 0; });
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join(); // the queue is written out first
}

void DraftKeeper::follow(const QString &key, const ShownFile::Identity &shown, const QString &file)
{
    m_timer.stop();
    m_path = key;
    m_file = file;
    m_shown = shown;
    m_dirty = false;
    m_written = false;
    m_modeChosen = false;
    m_keepEdits = false;
    m_keptCharacters = 0;
    m_edits.clear();
}

void DraftKeeper::adopt(const Draft &draft)
{
    follow(draft.path, draft.base, m_file);
    m_written = true;
    m_modeChosen = true;
    m_keepEdits = draft.kind == Draft::Kind::Edits;
    m_edits = draft.edits;
    for (const DraftEdit &edit : std::as_const(m_edits))
        m_keptCharacters += edit.added.size();
}

void DraftKeeper::noteEdit(qsizetype position, qsizetype removed, qsizetype added)
{
    if (m_quiet)
        return;
    // Whether the pane still differs from its file is asked when the draft is written: the
    // formatted editor tells of a change before it counts it as one.
    if (!m_modeChosen)
        chooseMode(position, removed, added);
    if (m_keepEdits)
        record(position, removed, added);
    m_dirty = true;
    if (!m_timer.isActive())
        m_timer.start();
}

void DraftKeeper::chooseMode(qsizetype position, qsizetype removed, qsizetype added)
{
    Q_UNUSED(position);
    m_modeChosen = true;
    const qsizetype before = m_pane.textLength() - added + removed;
    m_keepEdits = !m_file.isEmpty() && !m_pane.showsFormatting() && before > m_editsFrom;
    if (!m_keepEdits || m_store.takeBase(m_file, m_shown, m_path))
        return;
    // No clone and no second name (the drafts live on another file system): a copy, once,
    // ahead of the edits on the drafts' thread. Should it fail, the whole text is kept.
    m_baseFailed = false;
    post([this, store = m_store, file = m_file, shown = m_shown, key = m_path] {
        if (store.copyBase(file, shown, key))
            return;
        m_baseFailed = true;
        // The edits written meanwhile have nothing to apply to: the whole text goes now.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_dirty = true;
                flush();
            },
            Qt::QueuedConnection);
    });
}

void DraftKeeper::record(qsizetype position, qsizetype removed, qsizetype added)
{
    m_keptCharacters += added;
    // A change as large as a text worth keeping whole (a case conversion of all of it), or
    // formatting: the whole is kept from now on.
    if (m_keptCharacters > m_editsFrom || m_pane.showsFormatting()) {
        m_keepEdits = false;
        m_edits.clear();
        return;
    }
    const QString text = m_pane.textPart(position, added);
    if (!m_edits.isEmpty()) {
        DraftEdit &last = m_edits.last();
        const qint64 end = last.position + last.added.size();
        // Typing on, and Backspace over what was just typed, extend the edit before.
        if (removed == 0 && position == end) {
            last.added += text;
            return;
        }
        if (added == 0 && removed > 0 && position + removed == end && position >= last.position) {
            last.added.chop(removed);
            return;
        }
    }
    m_edits.append({position, removed, text});
}

void DraftKeeper::flush()
{
    stopAside();
    handOver(Making::Leaving);
}

void DraftKeeper::flushAside()
{
    // A text changed only in part is no draft; the change's end is an edit of its own, and
    // taking the text now would first make the rest of the change at once.
    if (m_pane.isChangingInSteps()) {
        m_timer.start();
        return;
    }
    handOver(Making::Aside);
}

void DraftKeeper::stopAside()
{
    const std::shared_ptr<Aside> aside = std::exchange(m_aside, nullptr);
    if (!aside)
        return;
    aside->stop = true;
    if (!aside->written)
        m_dirty = true;
}

void DraftKeeper::handOver(Making making)
{
    m_timer.stop();
    if (!m_dirty)
        return;
    m_dirty = false;
    if (!m_pane.isModified()) {
        // Undone back to the text the file holds: nothing is left to keep.
        if (m_written)
            discard();
        follow(m_path, m_shown, m_file);
        return;
    }
    Draft draft;
    draft.path = m_path;
    draft.savedAt = QDateTime::currentDateTime();
    draft.base = m_shown;
    if (m_keepEdits && m_baseFailed.exchange(false)) {
        m_keepEdits = false;
        m_edits.clear();
    }
    PanePort::RichTextWriting writing;
    PanePort::RichTextWriting kept;
    if (m_pane.showsFormatting()) {
        draft.kind = Draft::Kind::Rich;
        if (making == Making::Aside)
            writing = m_pane.richTextWriting();
        else if (making == Making::Leaving)
            kept = m_pane.keptRichTextWriting();
        else
            draft.rtf = m_pane.richText();
    } else if (m_keepEdits) {
        draft.kind = Draft::Kind::Edits;
        draft.edits = m_edits;
    } else {
        draft.kind = Draft::Kind::Text;
        draft.text = m_pane.textSnapshot(); // shares the pane's storage; nothing is copied
        if (m_path.isEmpty() && draft.text.isEmpty()) {
            // An emptied new text is no draft.
            if (m_written)
                discard();
            return;
        }
    }
    const DraftStore store = m_store;
    // Written in turn, while a base may be taken at once for the next text: only the base there
    // is now goes.
    const ShownFile::Identity base = FileIdentity::ofName(store.baseFile(m_path));
    const QString file = store.draftFile(m_path);
    if (kept) {
        // The RTF takes seconds for a long document: should the program end meanwhile, what
        // was typed is on disk as text, which the RTF then replaces.
        Draft text = draft;
        text.kind = Draft::Kind::Text;
        text.text = m_pane.textSnapshot();
        post([store, text] { store.write(text); }, file);
        backgroundInTurns(std::move(kept),
                          [store, base, draft = std::move(draft)](QByteArray &&rtf) mutable {
                              draft.rtf = std::move(rtf);
                              store.write(draft);
                              store.removeBase(draft.path, base);
                          });
        m_written = true;
        return;
    }
    if (writing) {
        stopAside();
        m_aside = std::make_shared<Aside>();
        auto turns = std::make_shared<WindowTurns>(this);
        post(
            [store, base, draft = std::move(draft), writing, turns, aside = m_aside]() mutable {
                std::optional<QByteArray> rtf =
                    turns->madeInTurns(writing, [&aside] { return aside->stop.load(); });
                if (!rtf)
                    return; // changed meanwhile: the change's own draft follows
                draft.rtf = std::move(*rtf);
                store.write(draft);
                store.removeBase(draft.path, base);
                aside->written = true;
            },
            file);
        m_written = true;
        return;
    }
    post(
        [store, base, draft = std::move(draft)] {
            store.write(draft);
            if (draft.kind != Draft::Kind::Edits)
                store.removeBase(draft.path, base);
        },
        file);
    m_written = true;
}

void DraftKeeper::discard()
{
    if (const std::shared_ptr<Aside> aside = std::exchange(m_aside, nullptr))
        aside->stop = true;
    m_timer.stop();
    m_dirty = false;
    m_written = false;
    m_modeChosen = false;
    m_keepEdits = false;
    m_keptCharacters = 0;
    m_edits.clear();
    const DraftStore store = m_store;
    const ShownFile::Identity base = FileIdentity::ofName(store.baseFile(m_path));
    post([store, base, path = m_path] {
        QFile::remove(store.draftFile(path));
        store.removeBase(path, base);
    });
}

void DraftKeeper::releaseBase()
{
    if (m_keepEdits)
        QFile::remove(m_store.baseFile(m_path));
}

void DraftKeeper::retakeBase()
{
    if (!m_keepEdits || m_store.takeBase(m_file, m_shown, m_path))
        return;
    // The file is no longer the one the edits began on: its whole text is kept instead.
    m_keepEdits = false;
    m_edits.clear();
    m_dirty = true;
    flush();
}

void DraftKeeper::backgroundInTurns(PanePort::RichTextWriting writing,
                                    std::function<void(QByteArray &&)> use)
{
    auto turns = std::make_shared<WindowTurns>(this);
    post(
        [writing = std::move(writing), use = std::move(use), turns] {
            // Not stopped: the window gives the turns even while it waits for this thread.
            std::optional<QByteArray> rtf = turns->madeInTurns(writing, [] { return false; });
            if (rtf)
                use(std::move(*rtf));
        },
        QString(), true);
}

void DraftKeeper::post(std::function<void()> job, const QString &replaces, bool inTurns)
{
    {
        std::lock_guard lock(m_mutex);
        // Only the last job may go: a later job of another kind keeps what comes before it.
        if (!replaces.isEmpty() && !m_jobs.empty() && m_jobs.back().replaces == replaces)
            m_jobs.pop_back();
        if (inTurns)
            ++m_turnJobs;
        m_jobs.push_back({std::move(job), replaces, inTurns});
    }
    m_wake.notify_one();
}

void DraftKeeper::waitUntilWritten()
{
    // A draft made aside of the text shown would be given up at its next change: the window
    // makes it now instead.
    if (m_aside) {
        stopAside();
        handOver(Making::Now);
    }
    WindowTurns::lendWhile([this] {
        std::lock_guard lock(m_mutex);
        return !m_jobs.empty() || m_busy;
    });
}

void DraftKeeper::waitUntilWrittenAhead()
{
    if (m_aside) {
        stopAside();
        handOver(Making::Now);
    }
    std::unique_lock lock(m_mutex);
    // What comes after the first of those waits for it.
    m_done.wait(lock, [this] {
        return m_busyInTurns || (!m_busy && (m_jobs.empty() || m_jobs.front().inTurns));
    });
}

void DraftKeeper::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty()) {
            if (m_stop)
                return;
            continue;
        }
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        m_busyInTurns = job.inTurns;
        lock.unlock();
        job.run();
        if (job.inTurns)
            --m_turnJobs;
        lock.lock();
        m_busy = false;
        m_busyInTurns = false;
        m_done.notify_all();
    }
}
