// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/textbuffer.h"

#include <QString>

// The one stretch in which a text differs from another: what lies before and after it is the
// same in both. Found without the window (a draft of a long text is compared on a thread of its
// own). A character pair is never cut at either end of the stretch.
struct TextDifference
{
    qsizetype position = 0;
    qsizetype removed = 0; // characters of the first text
    QString added;         // in their place, from the second
    bool same = true;

    static TextDifference between(const TextBuffer &now, const TextBuffer &wanted);
    static TextDifference between(QStringView now, QStringView wanted);
};
