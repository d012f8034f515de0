// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/textbuffer.h"
#include "viewer/shownfile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// One change of the pane's text: at position, removed characters gave way to added.
struct DraftEdit
{
    qint64 position = 0;
    qint64 removed = 0;
    QString added;
    bool operator==(const DraftEdit &) const = default;
};

// Edits of the pane that were not saved, kept on disk until a Save writes them or the user
// drops them. A small text is kept whole; a large plain text as its edits over the file's bytes
// as they were when editing began (kept beside the draft, see DraftStore::takeBase), so that one
// typed key in a text of a hundred megabytes costs a few bytes.
struct Draft
{
    enum class Kind : quint8 { Text, Rich, Edits };

    // The file it is a draft of (with a mark after it for the file shown by "Nomal", whose text
    // differs); empty for a text begun with New.
    QString path;
    QDateTime savedAt;
    Kind kind = Kind::Text;
    TextBuffer text;        // Text
    QByteArray rtf;         // Rich: the document as an RTF file holds it
    QList<DraftEdit> edits; // Edits, in order, over the base
    // The file as it was shown when the edits began: a Save over a file that differs from it
    // asks first.
    ShownFile::Identity base;
};
