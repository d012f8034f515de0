// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QByteArrayView>

// Tells which older code page a text that is not UTF-8 was written in: Shift-JIS, GB18030,
// Windows-1251, KOI8-R, ISO-8859-7 ... (uchardet's guess, weighed against the code pages it
// mixes up). Windows-1252 whenever it is unsure, or the guess is one that Pagewell could not
// write back byte for byte: that reads every byte as a character of its own, as Pagewell
// always did. Looks at one sample of at most 64 KiB, so that it takes a few milliseconds
// whatever the file's size.
class LegacyEncodingGuess
{
public:
    static constexpr qsizetype sampleSize = 64 << 10;

    // The part of bytes worth looking at: from the line of the first byte beyond ASCII (what
    // comes before it tells nothing about a code page) up to sampleSize bytes. Empty when
    // every byte is ASCII.
    static QByteArrayView sampleOf(QByteArrayView bytes);
    // The code page of a sample (as sampleOf() cuts it; it may end inside a character).
    static TextEncoding of(QByteArrayView sample);
};
