// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/liststep.h"

#include <functional>

#include <QObject>
#include <QPointer>
#include <QTimer>

class Form3;
class FileListBox;
class QPushButton;
class RichTextBox;
class Viewer;
struct ReaderText;
struct Platform;

// The full-screen reader's behaviour: "Full screen mode" opens it, its menu steps through the
// main window's lists and stores its text as a favorite. A step only selects an entry; the
// list's own choice shows the file and fills the reader, as a click would.
class ReaderActions : public QObject
{
    Q_OBJECT

public:
    // The controls it works with.
    struct Controls
    {
        QPushButton *Command7;
        RichTextBox *Text1;
        FileListBox *File2;
        FileListBox *File1;
    };

    // window: the main window, whose screen the reader covers.
    ReaderActions(Viewer &viewer, Platform &platform, const Controls &controls, QWidget &window);
    ~ReaderActions() override;

    // The reader: made hidden on first use (a display writes into it), destroyed by its own
    // Close. Covers the screen the main window is on.
    Form3 *reader();
    Form3 *existingReader() const;

    void showReader();
    void step(ListStep::Move move);
    void addToFavorites();

    // What the user typed into the reader is kept as a draft of the file whose text it holds,
    // as the pane's edits are, and comes back into the reader when that file is shown again;
    // a display, a Close or the end of the program leaves it behind. Add to favo, which stores
    // it, drops it.
    static QString draftKey(const QString &path);
    static constexpr int draftDelayMs = 1000;

private:
    void attach(Form3 *reader);
    void onReaderTextChanged(const ReaderText &text);
    void onReaderEdited();
    void keepReaderDraft();
    void restoreReaderDraft();
    // Text put into the reader by the program is no edit.
    void setQuietly(const std::function<void()> &set);

    Viewer &m_viewer;
    Platform &m_platform;
    Controls ui;
    QWidget &m_window;
    QPointer<Form3> m_reader;
    QString m_readerPath; // the file whose text the reader holds
    bool m_quiet = false;
    bool m_edited = false;   // typed into since the text was put there, and not kept yet
    bool m_restored = false; // the reader holds a draft of its file
    QTimer m_draftTimer;
};
