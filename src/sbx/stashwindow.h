#pragma once

#include "sbx/clipslotfile.h"

#include <array>
#include <QWidget>

class QFileSystemWatcher;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
struct Platform;

// The window of the companion clip tool: the three clip slots with the first line of their
// text, the chosen slot's whole text, and Copy, Free and Free all. It follows the slot folder
// while open, so a clip sent from Pagewell shows at once.
class StashWindow : public QWidget
{
    Q_OBJECT

public:
    explicit StashWindow(Platform &platform, QWidget *parent = nullptr);

    QString folder() const { return m_folder; }
    const ClipSlotFile &slotFile(int slot) const { return m_slots[slot - 1]; }
    int currentSlot() const; // 1 to 3

    void copy();
    void freeCurrent();
    void freeAll();
    void reload();

    QListWidget *slotList = nullptr;
    QPlainTextEdit *clipText = nullptr;
    QPushButton *copyButton = nullptr;
    QPushButton *freeButton = nullptr;
    QPushButton *freeAllButton = nullptr;

private:
    void showCurrent();
    void changed();
    bool remove(int slot, QString *error);
    void report(const QString &error);

    Platform &m_platform;
    QString m_folder;
    std::array<ClipSlotFile, 3> m_slots;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_soon = nullptr;   // gathers a burst of changes into one reading
    QTimer *m_settle = nullptr; // reads once more, for a clip still being written
};
