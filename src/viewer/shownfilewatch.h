// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Tells when the shown file may have changed on disk: through the system's file notifications,
// which cost nothing while nothing happens, on the file and its folder (a file replaced by
// another under its name, or a link put in its place, changes the folder). Where the system
// cannot watch it, a slow look every few seconds. Notifications are gathered, so that a file
// written all the time is looked at a few times a second at most.
class ShownFileWatch : public QObject
{
    Q_OBJECT

public:
    explicit ShownFileWatch(QObject *parent = nullptr);

    void watch(const QString &path);
    void stop();
    QString path() const { return m_path; }
    bool polls() const { return m_poll.isActive(); }

    static constexpr int gatherMs = 300;
    static constexpr int pollMs = 3000;

signals:
    void mayHaveChanged();

private:
    void notified();
    void rewatch();

    QString m_path;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer m_gather;
    QTimer m_poll;
};
