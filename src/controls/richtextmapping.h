#pragma once

#include "controls/textmapedits.h"

class QEvent;
class QTextEdit;

// Maps the characters of a formatted document where they are, run by run: every character
// keeps its format, and what a save keeps of the file beside the text (hidden text, notes,
// fields, bookmarks, pictures ...) stays attached where it was. Left as they are: pictures,
// list labels and footnote numbers (the list and the note give them), the text an object kept
// whole shows (a save writes the object as the file had it) and the reader's own note.
namespace RichTextMapping {

// Maps the part [from, to) of the editor's document, widened to whole characters, in one edit
// block that is one undo step, or part of the previous one with joinPrevious. The selection
// stays between the same characters and the view where it was. Returns whether anything
// changed.
bool apply(QTextEdit &editor, qsizetype from, qsizetype to, const TextMapEdits::Map &map,
           bool joinPrevious);

// For the editor's event filter: a key or input method event whose text map changes is given to
// the editor again with the mapped text, so that it goes in mapped, as the one edit of that key
// (and one undo step). Returns whether it was: the event itself is then done with.
bool typeMapped(QTextEdit &editor, QEvent *event, const TextMapEdits::Map &map);

} // namespace RichTextMapping
