#pragma once

#include "controls/displayloading.h"
#include "files/memorybudget.h"
#include "files/panefilereader.h"
#include "viewer/shownfile.h"

#include <QHash>
#include <QObject>
#include <QString>

class pgwell;
struct PgwellUi;

// Browsing drives and folders, and the display operation: showing the file chosen in the file
// list or in the favorites list in the viewing pane and the reader.
class Browser : public QObject
{
    Q_OBJECT

public:
    Browser(pgwell &window, const PgwellUi &controls);

    // The display operation in its two forms, for the entry named.
    void displayFromFileList(const QString &name);
    void displayFromFavorites(const QString &name);

    // What the display may take from memory; the system's figures unless set otherwise.
    void setMemoryBudget(const MemoryBudget &budget) { m_memoryBudget = budget; }

    // Reading the chosen file, at once or in the background.
    DisplayLoading &loading() const { return *m_loading; }

    // A display whose text is in the pane: everything the display leaves behind (the record of
    // the shown file, the reader's file name, the file list's last file) is written here and
    // only here, so that a display that fails changes none of it.
    void displaySucceeded(const ShownFile &shown);

signals:
    // A file from the file list is being shown: formatting is offered for a formatted one.
    void formattingOffered(bool offered);

private:
    void onDriveChanged();
    void onFolderChanged();
    void onFolderOpenFailed(const QString &error);
    PaneFileReader::Limits readingLimits() const;
    // False when memory ran out; the pane then keeps what it showed.
    bool show(ShownList list, const QString &path, PaneFileReader::Result &&file);
    void displayFailed();
    void startLoad(const QString &path, const PaneFileReader::Limits &limits,
                   DisplayLoading::Done done);
    void redisplayAsPlainText(const QString &path);
    void cancelLoad();

    pgwell &w;
    const PgwellUi &ui;
    QHash<QString, QString> m_lastFolderOnVolume; // this run's last folder on each volume
    MemoryBudget m_memoryBudget;
    DisplayLoading *m_loading = nullptr;
};
