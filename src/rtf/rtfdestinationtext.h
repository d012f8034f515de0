// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace RtfDestinationText {
// Text of a font name or field instruction: control characters mean nothing there and no save
// could write them back; a half of a surrogate pair without its other half is U+FFFD.
inline void clean(QString &text)
{
    text.removeIf([](QChar c) { return c.unicode() < 0x20; });
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}
} // namespace RtfDestinationText
