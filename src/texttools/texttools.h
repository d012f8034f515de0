#pragma once

#include <QObject>

class pgwell;

// The pane's small tools: Bold, Italic, Underline and Color on the selection, Print, and
// sending the whole text to the clipboard.
class TextTools : public QObject
{
    Q_OBJECT

public:
    explicit TextTools(pgwell &window);

private:
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    void chooseColor();
    void print();
    void copyToClipboard();
    // False, after saying why, when the pane's text cannot be changed.
    bool formattable();

    pgwell &w;
};
