// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/textmapedits.h"

class PlainTextDocument;

// Maps the characters of a part of a plain text as one edit, the caret and selection kept
// between the same characters.
namespace PlainTextMapping {

// Maps the part [from, to) of text, widened to whole characters: one undo step, or part of the
// previous one with joinPrevious. Returns the edits made, in order, at positions before them;
// none when the map changed nothing (then nothing was done).
QList<TextMapEdits::Edit> apply(PlainTextDocument &text, qsizetype from, qsizetype to,
                                const TextMapEdits::Map &map, bool joinPrevious);

} // namespace PlainTextMapping
