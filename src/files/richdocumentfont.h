// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

// The default font of a formatted document as the pane shows it. Qt spends more than half of a
// formatted document's layout on the cosmetic shaping of scripts that do not need it (kerning,
// ligatures of Latin text): a long document is shown without it, so that it is ready in a
// moment; scripts that need shaping keep it.
//
// Setting a document's default font visits every format the document holds, which for a file
// with a hundred thousand colours takes a good part of a second: the font is therefore given
// where the document is built, off the window thread, and the pane sets it only when its own
// font differs.
class RichDocumentFont
{
public:
    static QFont forLength(const QFont &base, qsizetype characters);
    static constexpr qsizetype shapedCharactersUpTo = 500'000;
};
