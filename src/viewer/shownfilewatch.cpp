// SPDX-License-Identifier: GPL-3.0-or-later
#include "shownfilewatch.h"

#include <QFileInfo>

ShownFileWatch::ShownFileWatch(QObject *parent) : QObject(parent)
{
    m_gather.setSingleShot(true);
    m_gather.setInterval(gatherMs);
    connect(&m_gather, &QTimer::timeout, this, [this] {
        rewatch();
        emit mayHaveChanged();
    });
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &ShownFileWatch::mayHaveChanged);
}

void ShownFileWatch::watch(const QString &path)
{
    if (path == m_path && (m_poll.isActive() || m_watcher))
        return;
    stop();
    m_path = path;
    rewatch();
}

void ShownFileWatch::stop()
{
    delete m_watcher;
    m_watcher = nullptr;
    m_gather.stop();
    m_poll.stop();
    m_path.clear();
}

void ShownFileWatch::notified()
{
    // Not restarted by later notifications: a file that never rests is still looked at.
    if (!m_gather.isActive())
        m_gather.start();
}

void ShownFileWatch::rewatch()
{
    if (m_path.isEmpty())
        return;
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &ShownFileWatch::notified);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &ShownFileWatch::notified);
    }
    // A file replaced or removed is no longer watched; the new one under the name is.
    bool watching = m_watcher->files().contains(m_path) || m_watcher->addPath(m_path) ||
                    !QFileInfo::exists(m_path);
    const QString folder = QFileInfo(m_path).absolutePath();
    watching =
        (m_watcher->directories().contains(folder) || m_watcher->addPath(folder)) && watching;
    if (watching)
        m_poll.stop();
    else if (!m_poll.isActive())
        m_poll.start();
}
