// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

class QFileSystemWatcher;
class QTimer;

// Tells when the clip slot folder changes: a clip comes or goes, a clip file is written on, or
// the folder itself appears or disappears. While the folder is missing its nearest existing
// parent is watched, so that a folder created after the start is noticed. A burst of changes
// gives one signal soon, and one more a little later for a clip still being written.
class SlotFolderWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SlotFolderWatcher(QString folder, QObject *parent = nullptr);

    bool folderExists() const;
    // The clip files to follow for writes in place; the folder tells when one comes or goes.
    void followFiles(const QStringList &files);

signals:
    void changed();

private:
    void noticed();
    void watchFolder();

    QString m_folder;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_soon = nullptr;   // gathers a burst of changes into one reading
    QTimer *m_settle = nullptr; // reads once more, for a clip still being written
};
