// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/shownfile.h"

#include <QHash>
#include <QObject>
#include <QString>

class pgwell;
struct PgwellUi;

// Browsing drives and folders, and the two lists' side of the display operation: the file
// chosen in the file list or in the favorites list goes to the viewer, which reads and shows
// it; the lists and the formatting tools follow what it did.
class Browser : public QObject
{
    Q_OBJECT

public:
    Browser(pgwell &window, const PgwellUi &controls);

    // The display operation in its two forms, for the entry named.
    void displayFromFileList(const QString &name);
    void displayFromFavorites(const QString &name);

signals:
    // A file from the file list is being shown: formatting is offered for a formatted one.
    void formattingOffered(bool offered);

private:
    void onDriveChanged();
    void onFolderChanged();
    void onFolderOpenFailed(const QString &error);
    void onAboutToShow(ShownList list, const QString &name);
    void onDisplayFailed(ShownList list, bool goneFromList);

    pgwell &w;
    const PgwellUi &ui;
    QHash<QString, QString> m_lastFolderOnVolume; // this run's last folder on each volume
};
