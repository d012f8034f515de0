// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QStringView>

#include <optional>

// Counts a text's line ends (CR LF, LF and a lone CR; nothing else ends a line) to tell the style
// most of its lines use, so that an edited file is written back the way it mostly was. Takes the
// text in pieces as it is read; a CR at the end of one piece pairs with an LF that starts the next.
class LineEndTally
{
public:
    void add(QStringView text);
    // The style most line ends have. On a tie the style met first wins, except that a lone CR
    // (a stray one, as a rule) never wins a tie. A text without any line end gets CR LF.
    LineEnding style() const;
    // Adds the tally of the text that follows this one, counted apart (cut after a line end).
    void append(const LineEndTally &later);
    // Adds line ends counted elsewhere (a scan of the file's bytes): first, the style of the
    // first LF among them, if any.
    void addCounts(qsizetype crLf, qsizetype lf, qsizetype cr, std::optional<LineEnding> first);

private:
    void count(LineEnding ending, qsizetype times = 1);

    qsizetype m_crLf = 0;
    qsizetype m_lf = 0;
    qsizetype m_cr = 0;
    int m_firstSeen = -1; // the LineEnding first met, as an int; -1 while none was
    bool m_crPending = false;
};
