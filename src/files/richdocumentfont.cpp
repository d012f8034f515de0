// SPDX-License-Identifier: GPL-3.0-or-later
#include "richdocumentfont.h"

QFont RichDocumentFont::forLength(const QFont &base, qsizetype characters)
{
    QFont font = base;
    if (characters > shapedCharactersUpTo)
        font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}
