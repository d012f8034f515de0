// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfcharformat.h"

#include <QByteArray>
#include <QByteArrayView>

// The fonts and formats of other scripts (\af, \afs, \ab, \alang ...) and the selectors they are
// said under (\loch, \hich, \dbch, \rtlch, \ltrch), which the pane does not show but a save
// writes back. Word says them once per script class, so their meaning hangs on the selector in
// effect and on where \f comes among them: they are kept as RTF, each word once under the
// selectors it was said under (a word said again under the same ones replaces it), \f with them,
// and the selectors in effect last at the end.
namespace RtfScriptWords {

// The words after name was said (font: the font in effect, said first when the words begin).
QByteArray said(QByteArrayView words, QByteArrayView name, bool hasValue, int value, int font);
// Whether the words hold \f with that number.
bool hasFont(QByteArrayView words, int font);
// The words with \f of that number as a bare \f, where a save puts the font it writes.
QByteArray withFontSlot(QByteArrayView words, int font);
// Whether the words hold a bare \f.
bool hasFontSlot(QByteArrayView words);
// The words with each bare \f given that number; for a negative one without any \f.
QByteArray withFont(QByteArrayView words, int font);

// The font, size, bold and italic said for right-to-left text (under \rtlch) or for
// double-byte text (under \dbch): -1 (0 for the size) where they said none.
struct Associated
{
    int font = RtfCharFormat::NoFont;
    int halfPoints = 0;
    int bold = -1;
    int italic = -1;
    bool isEmpty() const
    {
        return font == RtfCharFormat::NoFont && halfPoints <= 0 && bold < 0 && italic < 0;
    }
};
Associated associated(QByteArrayView words, bool rightToLeft);

} // namespace RtfScriptWords
