// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfgroupstate.h"
#include "rtf/rtfkeyword.h"

// The words that only set one property of the characters or the paragraph (\b, \ul, \qc, \li
// ...) and the words that stand for one character (\emdash, \tab ...), each by its keyword in a
// table, so that the parser's own words stay few.
namespace RtfPropertyWords {
// Properties said by the text's or the paragraph's own words, as bits of
// RtfGroupState::charsSaid and paragraphSaid.
enum Said : quint32 {
    // characters
    Bold = 1u << 0,
    Italic = 1u << 1,
    Strike = 1u << 2,
    Caps = 1u << 3,
    SmallCaps = 1u << 4,
    Hidden = 1u << 5,
    Deleted = 1u << 6,
    Underline = 1u << 7,
    Size = 1u << 8,
    Vertical = 1u << 9,
    Font = 1u << 10,
    Foreground = 1u << 11,
    Background = 1u << 12,
    CharWords = 1u << 13,
    Script = 1u << 14,
    // paragraphs
    Alignment = 1u << 0,
    LeftIndent = 1u << 1,
    RightIndent = 1u << 2,
    FirstLineIndent = 1u << 3,
    SpaceBefore = 1u << 4,
    SpaceAfter = 1u << 5,
    LineSpacing = 1u << 6,
    LineMultiple = 1u << 7,
    PageBreakBefore = 1u << 8,
    TabStops = 1u << 9,
    ParagraphWords = 1u << 10,
    Direction = 1u << 11,
};

// Sets the property the word says, notes it as said and returns true; false for a word that is
// none of them.
bool apply(RtfKeyword keyword, bool hasParameter, int parameter, RtfGroupState &state);

// The properties of own that were said, over those of into (a style's).
void keepSaid(const RtfCharFormat &own, quint32 said, RtfCharFormat &into);
void keepSaid(const RtfParagraphFormat &own, quint32 said, RtfParagraphFormat &into);
// The character the word stands for, 0 for a word that stands for none.
char16_t character(RtfKeyword keyword);
} // namespace RtfPropertyWords
