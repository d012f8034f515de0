#pragma once

#include "rtf/rtfcharformat.h"

#include <QByteArray>
#include <QStringView>

// Text the pane does not show (hidden with \v, or deleted in a tracked change) as RTF of its
// own, so that a save writes it back where it was, with the formats it had.
namespace RtfHiddenRun {

struct Context
{
    int foreground = -1; // colour table index of the format's colours, -1 for none
    int background = -1;
};

// A group with the format's words and the text, every character but the blank as \u. Written where
// a save writes kept parts (no format in effect around them), it reads back as the same text and
// format, and is written again as the same bytes. No \plain: that would bring in the reader's
// default font.
QByteArray run(QStringView text, const RtfCharFormat &format, const Context &context);
// The words that give the format (\v and \deleted among them), for text written without one
// around it.
QByteArray formatWords(const RtfCharFormat &format, const Context &context);
// A hidden paragraph mark: it joins its paragraph to the next one, and a save keeps it.
QByteArray paragraphMark(const RtfCharFormat &format);

} // namespace RtfHiddenRun
