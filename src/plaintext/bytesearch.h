// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

// Finds bytes in bytes as fast as the processor allows: 32 places at a time, where both the
// first and the last byte of the needle stand, each such place then compared whole.
class ByteSearch
{
public:
    // The offset of the first occurrence of needle in haystack, or -1; an empty needle is found
    // at 0.
    static qsizetype find(QByteArrayView haystack, QByteArrayView needle);
    // Whether the processor's wide instructions may be used where it has them (tests compare).
    static void allowWideInstructions(bool allowed);
};
