// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/pgwellui.h"
#include "platform/messageboxes.h"
#include "platform/operationprogress.h"
#include "reader/form3.h"
#include "viewer/viewer.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class Browser;
class FavoritesActions;
class ReaderActions;
class ClickLabel;
class DirListBox;
class DriveListBox;
class FileListBox;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;
class RichTextBox;
class QTimer;
class StepTimer;
struct Platform;

// The main window. Its controls keep the names the whole program uses for them; each is also
// the control's objectName. Behaviour lives in the classes that wire themselves to them.
class pgwell : public QWidget
{
    Q_OBJECT

public:
    struct Options
    {
        QString startPath; // a file or folder to open at start; empty for the usual start
        StepTimer *autoViewTimer = nullptr; // Auto view steps on this; Timer1 when none
    };

    explicit pgwell(Platform &platform);
    pgwell(Platform &platform, const Options &options);
    ~pgwell() override;

    Platform &platform() const { return m_platform; }
    // Opens a file (its folder in the lists, the file shown) or a folder, as at start.
    void openStartPath(const QString &path);
    // The same once the window is on screen (its first paint), so that a message about the
    // file never comes before the window it belongs to.
    void openStartPathWhenShown(const QString &path);
    // Decided once at start-up; every favorites operation works in this one folder.
    QString favoritesFolder() const { return m_viewer->favoritesFolder(); }

    // The window's working state: the shown file, the read in flight, the folder ...
    Viewer &viewer() const { return *m_viewer; }

    // The window's height in twips; it unrolls to fullHeightTwips on Timer2's first tick.
    static constexpr int fullWidthTwips = 12000;
    static constexpr int fullHeightTwips = 8970;
    int heightTwips() const { return m_heightTwips; }
    void setHeightTwips(int twips);

    // The full-screen reader: created hidden on first use, destroyed by its own Close.
    Form3 *reader();
    Form3 *existingReader() const;

    Browser &browser() const { return *m_browser; }

signals:
    void quitConfirmed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void startUp(const Options &options);
    void writeSettingsEntry();
    // A message of the start comes after the window is on screen, not before it.
    void showStartMessage(const QString &text, MessageBoxes::Icon icon);
    void layOut();
    void initialise();
    void unroll();
    void quit();
    bool confirmQuit(); // asks the quit question; true when the program ends

    PgwellUi ui;
    Platform &m_platform;
    Browser *m_browser = nullptr;
    Viewer *m_viewer = nullptr;
    ReaderActions *m_readerActions = nullptr;
    std::unique_ptr<OperationProgress> m_progress; // of the long operations
    int m_heightTwips = fullHeightTwips;
    bool m_ending = false; // the user confirmed the quit question
    QString m_startPathAfterPaint;
    QList<std::pair<QString, MessageBoxes::Icon>> m_messagesAfterPaint;
};
