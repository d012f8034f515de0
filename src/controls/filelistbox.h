// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/filepattern.h"

#include <QIcon>
#include <QListWidget>
#include <QPoint>
#include <QString>

// The list of the files of one folder that match a pattern. Entries show the name only.
// chosen() tells when the user (or setListIndex) picks an entry; refreshing never does.
class FileListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit FileListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Reads the folder; nothing is selected afterwards. On failure the list stays as it was.
    bool setPath(const QString &folder, QString *error = nullptr);

    QString pattern() const { return m_pattern.text(); }
    void setPattern(const QString &pattern);

    // Reads the current folder again; the selection is cleared. A folder that is gone leaves
    // the list empty.
    void refresh();

    QString fileName() const; // selected entry, empty when none
    int listIndex() const;    // -1 when none
    int listCount() const { return count(); }
    // Selects the entry and emits chosen(), also when it was selected already. -1 clears the
    // selection silently; any other index out of range returns false and changes nothing.
    bool setListIndex(int index);
    // Selects the entry of exactly that name (letter case counts) without choosing it; clears
    // the selection when there is none. Returns whether an entry is selected.
    bool selectQuietly(const QString &name);

signals:
    void chosen();
    void mousePressed(Qt::MouseButton button, const QPoint &globalPos);
    // The keyboard asks for the list's menu (the menu key, Shift+F10), at a place near the
    // current entry. A right click does not: it reports a press.
    void menuKeyPressed(const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void requestMenuFromKeyboard();
    bool read(const QString &folder, QString *error);
    void fill(const QStringList &names);

    QString m_path;
    FilePattern m_pattern{QStringLiteral("*.*")};
    QIcon m_fileIcon;
};
