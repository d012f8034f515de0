// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QString>

// The list a shown file was chosen in.
enum class ShownList { None, Files, Favorites };

// The file whose text the viewing pane shows. Only a display that succeeded writes it, so
// everything that acts on "the shown file" (Save, Save as, Delete, "Nomal", Add to favorites,
// the reader) reads one consistent record and never guesses from the lists' selections.
// Whether the text was edited since it was shown is kept by the pane itself
// (RichTextBox::isModified()), which every change to its text sets and a display clears.
struct ShownFile
{
    QString path; // the file's absolute path; empty while nothing has been shown
    ShownList list = ShownList::None;
    bool richText = false; // the content was Rich Text Format
    TextEncoding encoding = TextEncoding::Utf8;
    LineEnding lineEnding = LineEnding::CrLf;
    // The file on disk as it was when it was shown, to tell later whether it changed or was
    // replaced since; all zero when unknown.
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0; // since the epoch
        bool operator==(const Identity &) const = default;
    };
    Identity identity;

    bool isEmpty() const { return path.isEmpty(); }
    QString fileName() const { return path.mid(path.lastIndexOf(u'/') + 1); }
    QString folder() const { return path.left(qMax(path.lastIndexOf(u'/'), 1)); }
};
