#pragma once

#include "rtf/rtfcharformat.h"
#include "rtf/rtfkeyword.h"
#include "rtf/rtfparagraphformat.h"

// The words that only set one property of the characters or the paragraph (\b, \ul, \qc, \li
// ...) and the words that stand for one character (\emdash, \tab ...), each by its keyword in a
// table, so that the parser's own words stay few.
namespace RtfPropertyWords {
// Sets the property the word says and returns true; false for a word that is none of them.
bool apply(RtfKeyword keyword, bool hasParameter, int parameter, RtfCharFormat &chars,
           RtfParagraphFormat &paragraph);
// The character the word stands for, 0 for a word that stands for none.
char16_t character(RtfKeyword keyword);
} // namespace RtfPropertyWords
