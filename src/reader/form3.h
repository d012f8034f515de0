// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QMenuBar;
class PlainTextView;
class QPushButton;
class QScreen;
class TextBuffer;

// The full-screen reader: the current file's plain text in one large text box, with a menu
// that steps through the main window's lists. It covers the screen it is made on. Closing it
// destroys it; the main window makes a new one when it needs one.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    static constexpr auto designCaption = "Full screen mode";

    explicit Form3(QScreen *screen);

    // Replaces the text box's text. A buffer is taken as it is: one that shares the pane's
    // storage costs neither a copy nor a layout of the whole, hidden or shown.
    void setReaderText(const QString &text);
    void setReaderText(TextBuffer buffer);
    QString readerText() const;
    // The same text, sharing the reader's pieces rather than copying them.
    TextBuffer readerBuffer() const;

    // Names the file whose text the reader holds in its caption; none gives the design caption.
    void setShownFileName(const QString &name);

    // Closed by the user and about to go.
    bool isClosed() const { return m_closed; }

    QMenuBar *menuBar = nullptr;
    QAction *next1 = nullptr;
    QAction *back1 = nullptr;
    QAction *skip1 = nullptr;
    QAction *add1 = nullptr;
    QAction *close1 = nullptr;

    QWidget *client = nullptr;      // the area below the menu bar
    PlainTextView *Text1 = nullptr; // editable, its lines not wrapped
    QCheckBox *Check1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Command1 = nullptr;

signals:
    // About to close: what it holds is still there.
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void buildControls();
    void fitToScreen(QScreen *screen);
    void hideTip();

    bool m_closed = false;
};
