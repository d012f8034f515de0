// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QColor>
#include <QVariantList>

#include <vector>

// What a paragraph's or a cell's kept words (RtfKeptWords) say of its shading and borders, as
// colours and lines to paint; colors is the document's colour table.
namespace RtfBoxWords {

// The colour the shading fills with: the background (\cbpat, a cell's \clcbpat) under the
// pattern's colour (\cfpat, \clcfpat; black when none is said) at the pattern's share
// (\shading, \clshdng, in hundredths of a percent). Invalid when nothing is filled.
QColor shading(QByteArrayView words, const std::vector<quint32> &colors, bool cell);

enum Line { NoLine, Solid, Double, Dotted, Dashed };
// The paragraph's borders (\brdrt, \brdrl, \brdrb, \brdrr, or all four by \box) in the order
// top, left, bottom, right: each a list of its width in pixels, its colour (invalid for the
// text's) and its Line. Empty when it has none.
QVariantList borders(QByteArrayView words, const std::vector<quint32> &colors);

} // namespace RtfBoxWords
