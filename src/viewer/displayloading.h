// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/panefilereader.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class PanePort;

// Reads the file of a display operation: a small file at once, a large one on a thread of its
// own, so that the window never waits on it. A load that takes longer than a quarter of a
// second shows its progress over the pane, which keeps its text until the new one is there.
// Starting a load drops the one still running: its result is never delivered.
class DisplayLoading : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(PaneFileReader::Result &&)>;

    DisplayLoading(PanePort &pane, QObject *parent);
    ~DisplayLoading() override;

    // Reads path and calls done with the result, at once for a small file, later (on the GUI
    // thread) for a large one, or never when a newer load or cancel() drops it.
    void start(const QString &path, const PaneFileReader::Limits &limits, Done done);
    void cancel();
    bool isLoading() const { return bool(m_job); }

    // Files from this size on are read on a thread; tests set 0 to read every file so.
    void setBackgroundFrom(qint64 bytes) { m_backgroundFrom = bytes; }
    static constexpr qint64 defaultBackgroundFrom = 2 << 20;
    // RTF files from this size on are read on a thread too.
    static constexpr qint64 richBackgroundFrom = 256 << 10;
    static constexpr int progressAfterMs = 250;

signals:
    void finished(); // a background load delivered its result (or failure)

private:
    struct Job;
    void deliver(const std::shared_ptr<Job> &job);
    void showProgress();
    bool inBackground(const QString &path) const;

    PanePort *m_pane; // shows the preview and the progress; never touched when this goes
    std::shared_ptr<Job> m_job;
    QList<QThread *> m_threads;
    qint64 m_backgroundFrom = defaultBackgroundFrom;
    QTimer m_progressTimer;
    QElapsedTimer m_clock;
};
