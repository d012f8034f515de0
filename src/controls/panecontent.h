// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/shownfile.h"

#include <QByteArray>
#include <QString>

class QTextDocument;
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

    // Memory that showing a file takes at its peak, per byte of the file: the bytes, the decoded
    // text, the document built from it and the reader's copy. A file is only read when the
    // memory left allows this much.
    static constexpr qint64 memoryPerFileByte = 8;

    // The bytes are taken over and released as soon as they are decoded. Throws std::bad_alloc
    // when memory runs out; the pane then keeps what it showed.
    static Loaded load(RichTextBox *pane, QByteArray &&bytes);
    // A formatted document built already (off the GUI thread), which the pane takes over.
    static Loaded adopt(RichTextBox *pane, QTextDocument *document, QString plainText);
    // An RTF file too long to show formatted in time: its text, read-only, and its bytes kept
    // for a save.
    static Loaded showUnformatted(RichTextBox *pane, QByteArray rtf, QString plainText);
};
