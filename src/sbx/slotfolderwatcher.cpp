// SPDX-License-Identifier: GPL-3.0-or-later
#include "slotfolderwatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

SlotFolderWatcher::SlotFolderWatcher(QString folder, QObject *parent)
    : QObject(parent), m_folder(std::move(folder)), m_watcher(new QFileSystemWatcher(this)),
      m_soon(new QTimer(this)), m_settle(new QTimer(this))
{
    m_soon->setSingleShot(true);
    m_soon->setInterval(30);
    m_settle->setSingleShot(true);
    m_settle->setInterval(500);
    connect(m_soon, &QTimer::timeout, this, [this] {
        watchFolder();
        emit changed();
        m_settle->start();
    });
    connect(m_settle, &QTimer::timeout, this, [this] {
        watchFolder();
        emit changed();
    });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SlotFolderWatcher::noticed);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &SlotFolderWatcher::noticed);
    watchFolder();
}

bool SlotFolderWatcher::folderExists() const
{
    return QFileInfo(m_folder).isDir();
}

void SlotFolderWatcher::noticed()
{
    m_soon->start();
}

void SlotFolderWatcher::watchFolder()
{
    // The folder itself, or else the nearest folder above it that is there.
    QString watched = m_folder;
    while (!QFileInfo(watched).isDir()) {
        const QString parent = QFileInfo(watched).path();
        if (parent == watched)
            break;
        watched = parent;
    }
    const QStringList directories = m_watcher->directories();
    for (const QString &directory : directories) {
        if (directory != watched)
            m_watcher->removePath(directory);
    }
    if (!m_watcher->directories().contains(watched))
        m_watcher->addPath(watched);
}

void SlotFolderWatcher::followFiles(const QStringList &files)
{
    const QStringList followed = m_watcher->files();
    for (const QString &file : followed) {
        if (!files.contains(file))
            m_watcher->removePath(file);
    }
    for (const QString &file : files) {
        if (!followed.contains(file))
            m_watcher->addPath(file);
    }
}
