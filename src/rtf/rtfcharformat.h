// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfinterned.h"

#include <QByteArray>

#include <limits>

// Character properties of an RTF group, as read, before mapping to Qt.
struct RtfCharFormat
{
    enum Underline : quint8 {
        NoUnderline,
        SingleUnderline,
        DoubleUnderline,
        DottedUnderline,
        DashUnderline,
        WaveUnderline
    };
    enum Vertical : quint8 { Baseline, Superscript, Subscript };

    // Text that names no font; any int, -1 too, can number a font of the table.
    static constexpr int NoFont = std::numeric_limits<int>::min();

    int font = NoFont;      // number in the font table
    int halfPoints = 24;    // \fs
    quint32 foreground = 0; // ARGB; alpha 0 means "auto"
    quint32 background = 0; // ARGB; alpha 0 means none
    int link = -1;          // index of the hyperlink target, -1 for none
    int field = -1;         // index of another field's instruction, -1 for none
    quint8 underline = NoUnderline;
    quint8 vertical = Baseline;
    // \upN, \dnN: how far super- or subscript text is moved, in half-points, 0 for the default;
    // offsetOnly: moved by \up or \dn alone, in its own size, not made a \super or \sub.
    quint16 offset = 0;
    bool offsetOnly = false;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;  // \v
    bool deleted = false; // \deleted: removed in a tracked change
    int deletedBy = -1;   // \revauthdel
    int deletedAt = 0;    // \revdttmdel
    bool caps = false;
    bool smallCaps = false;
    bool generated = false;         // shown result of an object kept whole: not written back
    bool footnoteMark = false;      // the number \chftn shows
    quint8 listLabel = 0;           // 1 in \listtext, 2 in \pntext or a label made from \pn
    RtfInterned<QByteArray> words;  // kept words the pane does not show (RtfKeptWords)
    RtfInterned<QByteArray> script; // fonts and formats of other scripts (RtfScriptWords)

    // Text the pane does not show; a save writes it back as it was.
    bool isHiddenText() const { return hidden || deleted; }

    bool operator==(const RtfCharFormat &) const = default;
};
