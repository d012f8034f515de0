// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>

class ClickLabel;
class QAction;
class RichTextBox;
class Viewer;
struct Platform;

// The pane's small tools: Bold, Italic, Underline and Color on the selection, Print, and
// sending the whole text to the clipboard.
class TextTools : public QObject
{
    Q_OBJECT

public:
    // The controls it works with.
    struct Controls
    {
        ClickLabel *Label5;
        ClickLabel *Label14;
        ClickLabel *Label15;
        ClickLabel *Label16;
        ClickLabel *Label18;
        ClickLabel *com;
        ClickLabel *Label12;
        RichTextBox *Text1;
    };

    TextTools(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent);

    // Bold, Italic, Underline and Color, offered for a formatted file only.
    void setFormattingOffered(bool offered);

private:
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    void chooseColor();
    void print();
    void copyToClipboard();
    // False, after saying why, when the pane's text cannot be changed.
    bool formattable();

    Viewer &m_viewer;
    Platform &m_platform;
    Controls ui;
    QList<QAction *> m_formatting;
};
