#pragma once

#include <QStringView>

// Finds a word in a text as the find panel steps through it: from a 1-based start position,
// comparing character codes exactly, overlapping occurrences included.
class TextSearch
{
public:
    // The 1-based position of the first occurrence at or after start, or 0 when there is none.
    // An empty word is found at the start itself while that lies within the text; it steps over
    // a character outside the Basic Multilingual Plane whole, never between its two halves.
    static qsizetype find(QStringView text, QStringView word, qsizetype start);
};
