// SPDX-License-Identifier: GPL-3.0-or-later
#include "textsearch.h"

qsizetype TextSearch::find(const Source &text, QStringView word, qsizetype start)
{
    start = qMax<qsizetype>(start, 1);
    if (start > text.length)
        return 0;
    qsizetype index = start - 1;
    if (word.isEmpty()) {
        if (index > 0 && text.splitsPair(index))
            ++index;
        return index < text.length ? index + 1 : 0;
    }
    const qsizetype found = text.indexOf(word, index);
    return found < 0 ? 0 : found + 1;
}

qsizetype TextSearch::find(QStringView text, QStringView word, qsizetype start)
{
    const Source source{
        text.size(),
        [text](QStringView w, qsizetype from) { return text.indexOf(w, from, Qt::CaseSensitive); },
        [text](qsizetype index) {
            return text[index].isLowSurrogate() && text[index - 1].isHighSurrogate();
        }};
    return find(source, word, start);
}
