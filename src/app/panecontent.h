#pragma once

#include "app/shownfile.h"

#include <QByteArray>
#include <QString>

class QTextEdit;

// Puts a file's bytes into the viewing pane: Rich Text Format formatted, anything else as plain
// text. All loading of the pane goes through here, so how it is done can change in one place.
class PaneContent
{
public:
    struct Loaded
    {
        ShownFile format;
        QString plainText; // the pane's text without formatting, for the reader window
    };

    static Loaded load(QTextEdit *pane, const QByteArray &bytes);
};
