#pragma once

#include "app/shownfile.h"

#include <QByteArray>
#include <QString>

class RichTextBox;

// Puts a file's bytes into the viewing pane: Rich Text Format formatted, anything else as plain
// text. All loading of the pane goes through here, so how it is done can change in one place.
class PaneContent
{
public:
    struct Loaded
    {
        ShownFile format;
        // A formatted document's text without formatting, for the reader window. Empty for plain
        // text, which the reader takes from the file's bytes when it needs it.
        QString richPlainText;
    };

    // The bytes are taken over and released as soon as they are decoded.
    static Loaded load(RichTextBox *pane, QByteArray &&bytes);
};
