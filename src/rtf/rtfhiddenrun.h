// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfcharformat.h"
#include "rtf/rtfparagraphformat.h"

#include <QByteArray>
#include <QStringView>

// Text the pane does not show (hidden with \v, or deleted in a tracked change) as RTF of its
// own, so that a save writes it back where it was, with the formats it had.
namespace RtfHiddenRun {

struct Context
{
    int foreground = -1; // colour table index of the format's colours, -1 for none
    int background = -1;
    int autoColor = -1; // an entry that is "auto", for a format without a colour of its own
    // Every format is said, off ones too: the format read so far (a style's) is not plain.
    bool explicitFormat = false;
};

// A group with the format's words and the text, every character but the blank as \u. Written where
// a save writes kept parts (no format in effect around them), it reads back as the same text and
// format, and is written again as the same bytes. No \plain: that would bring in the reader's
// default font.
QByteArray run(QStringView text, const RtfCharFormat &format, const Context &context);
// The words that give the format (\v and \deleted among them), for text written without one
// around it.
QByteArray formatWords(const RtfCharFormat &format, const Context &context);
// \pard and the words that give the paragraph format (and its table level), for an object's
// result written back on its own: its paragraphs read back in the format they had. A paragraph
// style is followed by \plain unless the style gave the character format too (styledChars).
QByteArray paragraphWords(const RtfParagraphFormat &paragraph, bool styledChars);
// The word of a tab stop's leader (RtfParagraphFormat::TabLeader), null for none.
const char *tabLeaderWord(int leader);
// A hidden paragraph mark: it joins its paragraph to the next one, and a save keeps it.
QByteArray paragraphMark(const RtfCharFormat &format);

} // namespace RtfHiddenRun
