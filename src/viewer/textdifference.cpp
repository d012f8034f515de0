// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdifference.h"

#include <algorithm>

namespace {
// Long texts are compared a block at a time, neither copied whole: a draft of a hundred
// megabytes is compared with the text shown in the memory of two blocks, at the speed of a
// string comparison.
constexpr qsizetype block = 64 * 1024;

// How many characters the two have in common at their start (forward) or end, up to limit.
qsizetype common(const TextBuffer &a, const TextBuffer &b, qsizetype limit, bool forward)
{
    qsizetype same = 0;
    while (same < limit) {
        const qsizetype n = std::min(block, limit - same);
        const QString x = forward ? a.mid(same, n) : a.mid(a.length() - same - n, n);
        const QString y = forward ? b.mid(same, n) : b.mid(b.length() - same - n, n);
        if (x == y) {
            same += n;
            continue;
        }
        qsizetype i = 0;
        if (forward) {
            while (x[i] == y[i])
                ++i;
        } else {
            while (x[n - 1 - i] == y[n - 1 - i])
                ++i;
        }
        return same + i;
    }
    return same;
}
} // namespace

TextDifference TextDifference::between(const TextBuffer &now, const TextBuffer &wanted)
{
    const qsizetype shorter = std::min(now.length(), wanted.length());
    qsizetype head = common(now, wanted, shorter, true);
    if (head > 0 && now.at(head - 1).isHighSurrogate())
        --head;
    qsizetype tail = common(now, wanted, shorter - head, false);
    if (tail > 0 && now.at(now.length() - tail).isLowSurrogate())
        --tail;
    TextDifference difference;
    if (head + tail == now.length() && head + tail == wanted.length())
        return difference;
    difference.same = false;
    difference.position = head;
    difference.removed = now.length() - head - tail;
    difference.added = wanted.mid(head, wanted.length() - head - tail);
    return difference;
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
