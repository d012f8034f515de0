// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/plaintextloader.h"

#include <atomic>
#include <optional>

class ScanGrowth;

// Opens a large plain text file as a text that stays in the file: one pass over its bytes (two
// halves at once) finds each chunk's characters and line breaks, and the chunks are decoded only
// when they are looked at (FileSource). For UTF-8, with or without its byte-order mark, and
// Windows-1252, whose characters can be decoded from any chunk's start; other files are left
// to PlainTextLoader, which decodes them whole, as are texts with a line of many megabytes.
class FileBackedLoader
{
public:
    // Reads size bytes of the file open as fd (which stays the caller's; the text keeps a
    // duplicate). Nothing when the file is not one this loader takes. growth, when given, has
    // the text found so far while the scan runs.
    static std::optional<PlainTextLoader::Result>
    load(int fd, qint64 size, const std::atomic<bool> *cancel = nullptr,
         const PlainTextLoader::Progress &progress = {},
         std::optional<TextEncoding> encoding = std::nullopt, ScanGrowth *growth = nullptr);

    // Whether a file that begins with head (headBytes of it) is one load() may take, read in
    // encoding when one is given: UTF-8 or Windows-1252 so far as it tells.
    static bool takes(QByteArrayView head, std::optional<TextEncoding> encoding = std::nullopt);
    static constexpr qsizetype headBytes = 64 << 10;

    // A line is laid out whole: a text with a line longer than this is decoded whole, where the
    // memory it takes is weighed before.
    static constexpr qint64 longLine = 16 << 20;
    // Files from this size on are worth keeping in the file.
    static constexpr qint64 from = 8 << 20;
    // Memory such a text takes at most, whatever its size: its chunk table and the decoded cache.
    static qint64 memoryFor(qint64 size) { return size / 128 + (24 << 20); }
};
