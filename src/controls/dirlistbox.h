// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/folderlisting.h"

#include <QListWidget>
#include <QString>

// The folder list: the current folder's ancestors from the root down (open folders, indented by
// depth), then its subfolders. A double-click or Enter opens the entry; a single click only
// highlights it.
class DirListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit DirListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Shows the folder (made a clean absolute path). Emits pathChanged() when the path differs
    // from the one shown. On failure nothing changes and no signal is emitted.
    bool setPath(const QString &folder, QString *error = nullptr);
    // Reads the current folder again.
    bool refresh(QString *error = nullptr);

    // Full path of the highlighted entry, empty when none.
    QString highlightedPath() const;

signals:
    void pathChanged();
    // The user tried to open an entry that cannot be read.
    void openFailed(const QString &error);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void open(QListWidgetItem *item);
    void fill(const QList<FolderEntry> &entries);

    QString m_path;
};
