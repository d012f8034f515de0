// SPDX-License-Identifier: GPL-3.0-or-later
#include "utf16detect.h"

std::optional<TextEncoding> utf16WithoutByteOrderMark(QByteArrayView head)
{
    // Enough to judge by, and cheap whatever the file's size.
    head = head.first(std::min<qsizetype>(head.size(), 64 * 1024));
    const qsizetype units = head.size() / 2;
    if (units == 0)
        return std::nullopt;
    // Units with a zero on one side only: a NUL character of the text has two.
    qsizetype zeroLow = 0; // a zero in the first byte of a unit only
    qsizetype zeroHigh = 0;
    for (qsizetype i = 0; i + 1 < head.size(); i += 2) {
        const bool low = head[i] == '\0';
        const bool high = head[i + 1] == '\0';
        zeroLow += low && !high;
        zeroHigh += high && !low;
    }
    // Most units carry their zero on one side, and the other side hardly ever has one.
    const auto pattern = [units](qsizetype zeros, qsizetype other) {
        return zeros >= 2 && zeros * 10 >= units * 4 && other * 20 <= zeros;
    };
    if (pattern(zeroHigh, zeroLow))
        return TextEncoding::Utf16LENoBom;
    if (pattern(zeroLow, zeroHigh))
        return TextEncoding::Utf16BENoBom;
    return std::nullopt;
}
