// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/textbuffer.h"

#include <QStringView>

#include <functional>

// Finds a word in a text as the find panel steps through it: from a 1-based start position,
// comparing character codes exactly, overlapping occurrences included.
class TextSearch
{
public:
    // What a search needs of a text, so the pane's text is searched where it is kept.
    struct Source
    {
        qsizetype length = 0;
        // The 0-based index of the first occurrence of a non-empty word at or after from, or -1.
        std::function<qsizetype(QStringView word, qsizetype from)> indexOf;
        // Whether the 0-based index falls between the two halves of a character pair.
        std::function<bool(qsizetype index)> splitsPair;
    };

    // The 1-based position of the first occurrence at or after start, or 0 when there is none.
    // An empty word is found at the start itself while that lies within the text; it steps over
    // a character outside the Basic Multilingual Plane whole, never between its two halves.
    static qsizetype find(const Source &text, QStringView word, qsizetype start);
    static qsizetype find(QStringView text, QStringView word, qsizetype start);
    // A text kept in pieces, searched a stretch at a time: going is told where the search got
    // before each stretch, and when it returns false the word counts as not found.
    static Source over(const TextBuffer &text,
                       const std::function<bool(qsizetype at)> &going = nullptr);
    static constexpr qsizetype stretch = 4 << 20;
};
