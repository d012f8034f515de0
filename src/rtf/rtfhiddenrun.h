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
    bool glyphFont = false; // the font maps letters to glyphs: every character goes as \u
};

// A group that sets the whole format (\plain first) and holds the text; reading it back gives
// the same text and format, and writing that the same bytes.
QByteArray run(QStringView text, const RtfCharFormat &format, const Context &context);
// A hidden paragraph mark: it joins its paragraph to the next one, and a save keeps it.
QByteArray paragraphMark(const RtfCharFormat &format);

} // namespace RtfHiddenRun
