#pragma once

#include "reader/readertextsource.h"

#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QScreen;

// The full-screen reader: the current file's plain text in one large text box, with a menu
// that steps through the main window's lists. It covers the screen it is made on. Closing it
// destroys it; the main window makes a new one when it needs one.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    static constexpr auto designCaption = "Full screen mode";

    explicit Form3(QScreen *screen);

    // The text box takes a large text only when the reader is on screen, so that a hidden reader
    // costs no layout; until then the text is kept as it was given.
    void setReaderText(const QString &text);
    // The text of a plain file, decoded only when the reader shows it.
    void setReaderTextFromFile(const QString &path, const QByteArray &bytes);
    QString readerText() const;

    // The name of the file whose text the reader holds, from its caption; empty when the
    // caption names none. Only a display that succeeded writes the caption, after the text.
    QString shownFileName() const;

    // Closed by the user and about to go.
    bool isClosed() const { return m_closed; }

    QMenuBar *menuBar = nullptr;
    QAction *next1 = nullptr;
    QAction *back1 = nullptr;
    QAction *skip1 = nullptr;
    QAction *add1 = nullptr;
    QAction *close1 = nullptr;

    QWidget *client = nullptr; // the area below the menu bar
    QPlainTextEdit *Text1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void buildControls();
    void fitToScreen(QScreen *screen);
    void hideTip();
    void applyPendingText();

    ReaderTextSource m_pending;
    bool m_closed = false;
};
