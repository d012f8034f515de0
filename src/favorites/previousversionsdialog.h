// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/versionstore.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;

// The earlier contents Pagewell keeps of one file: when each was kept, its size and what
// replaced it, newest first. Show and Restore act on the chosen one; the dialog does not block
// the window.
class PreviousVersionsDialog : public QDialog
{
    Q_OBJECT

public:
    PreviousVersionsDialog(const QString &path, const QList<VersionStore::Version> &versions,
                           QWidget *parent);

    QTreeWidget *list() const { return m_list; }
    QPushButton *showButton() const { return m_show; }
    QPushButton *restoreButton() const { return m_restore; }

signals:
    void showRequested(const VersionStore::Version &version);
    void restoreRequested(const VersionStore::Version &version);

private:
    void onChosen();
    const VersionStore::Version *chosen() const;

    QList<VersionStore::Version> m_versions;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_show = nullptr;
    QPushButton *m_restore = nullptr;
};
