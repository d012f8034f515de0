// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a document left out or changed to be shown in time, as bits.
namespace RtfSimplified {
enum : int {
    NestingCapped = 1,
    RowsSplit = 2,
    ParagraphsSplit = 4,
    FontsCapped = 8,
    CellsCapped = 16,
    RunsMerged = 32
};
} // namespace RtfSimplified
