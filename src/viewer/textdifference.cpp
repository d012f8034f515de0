// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdifference.h"

TextDifference TextDifference::between(const TextBuffer &now, const TextBuffer &wanted)
{
    return between(now.text(), wanted.text());
}

TextDifference TextDifference::between(QStringView now, QStringView wanted)
{
    const qsizetype shorter = std::min(now.size(), wanted.size());
    qsizetype head = 0;
    while (head < shorter && now[head] == wanted[head])
        ++head;
    if (head > 0 && now[head - 1].isHighSurrogate())
        --head;
    qsizetype tail = 0;
    while (tail < shorter - head && now[now.size() - 1 - tail] == wanted[wanted.size() - 1 - tail])
        ++tail;
    if (tail > 0 && now[now.size() - tail].isLowSurrogate())
        --tail;
    TextDifference difference;
    if (head + tail == now.size() && head + tail == wanted.size())
        return difference;
    difference.same = false;
    difference.position = head;
    difference.removed = now.size() - head - tail;
    difference.added = wanted.mid(head, wanted.size() - head - tail).toString();
    return difference;
}
