// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

// The edits that turn a text into what a character mapping (such as case mapping) makes of it,
// and where a position in the text is after them. Each character is mapped on its own, so a
// text can be mapped in parts; where a character becomes several (ß becomes SS), the edits
// still name each changed character, so that a caret between two characters stays between
// the same two.
namespace TextMapEdits {

// Changes a piece in place and returns whether it did, as RichTextBox::mapText() takes it.
using Map = std::function<bool(QString &piece)>;

struct Edit
{
    qsizetype start = 0; // in the text the edits apply to
    qsizetype removed = 0;
    QString inserted;
};

// Appends to edits, in order, the edits map makes of text, which begins at position base. The
// text is mapped in parts that never split a pair of UTF-16 halves.
void collect(QStringView text, qsizetype base, const Map &map, QList<Edit> &edits);

// Where a position is after the edits (in order, not overlapping): one at the end of a changed
// part moves to the end of its new text, one inside it keeps its place in it as far as it goes.
qsizetype mapPosition(const QList<Edit> &edits, qsizetype position);

} // namespace TextMapEdits
