// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sbx/clipslotfile.h"
#include "sbx/freedclips.h"

#include <array>
#include <functional>
#include <QWidget>

class ElidedPathLabel;
class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class SlotFolderWatcher;
struct Platform;

// The window of the companion clip tool: the three clip slots with the first line of their
// text, the chosen slot's whole text, and Copy, Paste, Free, Free all and Undo. It follows the
// slot folder while open, so a clip sent from Pagewell shows at once; with "Keep what I copy"
// it also fills the free slots with each text copied anywhere on the desktop.
class StashWindow : public QWidget
{
    Q_OBJECT

public:
    explicit StashWindow(Platform &platform, QWidget *parent = nullptr);

    QString folder() const { return m_folder; }
    const ClipSlotFile &slotFile(int slot) const { return m_slots[slot - 1]; }
    int currentSlot() const; // 1 to 3
    const FreedClips &freedClips() const { return m_freed; }

    void copy();
    void paste();
    void freeCurrent();
    void freeAll();
    void undo();
    void reload();
    // A second start asked this window to come forward.
    void comeForward();
    // Whether clips are being read or written on a thread; the window shows them when done.
    bool busy() const { return m_busy > 0; }

    QLabel *heading = nullptr;
    ElidedPathLabel *folderLabel = nullptr;
    QListWidget *slotList = nullptr;
    QPlainTextEdit *clipText = nullptr;
    QPushButton *copyButton = nullptr;
    QPushButton *pasteButton = nullptr;
    QPushButton *freeButton = nullptr;
    QPushButton *freeAllButton = nullptr;
    QPushButton *undoButton = nullptr;
    QCheckBox *keepCopies = nullptr;
    QLabel *statusLabel = nullptr;
    QLabel *aboutLabel = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addKey(const QString &name, const QKeySequence &key, void (StashWindow::*run)());
    void createControls();
    void closeByKey();
    void showCurrent();
    void showFolder();
    void copied();
    void showSlots(std::array<ClipSlotFile, 3> read);
    // Puts the text into the first free slot, then tells done the slot, or 0 and why not.
    void fill(const QString &text, std::function<void(int slot, const QString &why)> done);
    void report(const QString &error);
    void restoreSettings();
    void writeSetting(const QString &key, const QString &value);

    Platform &m_platform;
    QString m_folder;
    std::array<ClipSlotFile, 3> m_slots;
    FreedClips m_freed;
    SlotFolderWatcher *m_watcher = nullptr;
    int m_busy = 0;         // readings and writings under way
    quint64 m_readings = 0; // the number of the latest reading
    int m_select = 0;       // the slot to choose once the clips are read again
};
