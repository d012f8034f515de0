// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QList>
#include <QString>

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

// The bytes of a large text file, kept where they are: the text's chunks name byte ranges of
// the file, and a range is read and decoded only when something looks at it. Holds the file open,
// so a file replaced by a rename or deleted under the pane keeps its old bytes readable. A few
// MiB of decoded ranges are cached, the least recently used going first. Safe to use from any
// thread: a search or a save on a worker thread reads while the window thread draws.
class FileSource
{
public:
    // A range of the file's bytes as the scan found it: its characters (UTF-16 units, a line end
    // counting one) and line breaks, and a checksum of its bytes to tell when they changed.
    struct Span
    {
        qint64 offset = 0;
        qint32 bytes = 0;
        qint32 length = 0;
        qint32 breaks = 0;
        quint64 checksum = 0;
    };
    // A range decoded: line ends are '\n'; breaks are their offsets.
    struct Decoded
    {
        QString text;
        QList<qint32> breaks;
    };

    // Takes over fd (closed with the source). encoding: UTF-8 or UTF-16 (with or without a
    // byte-order mark, which no span holds) or Windows-1252.
    FileSource(int fd, TextEncoding encoding);
    ~FileSource();
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    // The range decoded. When its bytes no longer read as the scan found them (the file shrank
    // or was written over in place), a blank stand-in of the same length and breaks, never
    // garbage; changed() then tells.
    std::shared_ptr<const Decoded> decode(const Span &span) const;
    bool changed() const { return m_changed.load(std::memory_order_relaxed); }
    TextEncoding encoding() const { return m_encoding; }
    // The file's bytes as they are now, undecoded; false when fewer could be read.
    bool readBytes(qint64 offset, qint64 length, char *into) const;

    // The checksum a span keeps of its bytes.
    static quint64 checksum(const char *data, qsizetype size);
    // The range's text exactly as decoded, line ends folded; false when the bytes are not text
    // of the encoding (invalid UTF-8).
    static bool decodeBytes(const char *data, qsizetype size, TextEncoding encoding, Decoded &out);

    // Decoded bytes kept at most.
    static constexpr qsizetype cacheBytes = 8 << 20;

private:
    std::shared_ptr<const Decoded> load(const Span &span) const;

    int m_fd;
    TextEncoding m_encoding;
    mutable std::atomic<bool> m_changed{false};
    mutable std::mutex m_mutex;
    mutable std::list<qint64> m_order; // offsets, most recently used first
    struct Entry
    {
        std::shared_ptr<const Decoded> decoded;
        std::list<qint64>::iterator place;
    };
    mutable std::unordered_map<qint64, Entry> m_cache;
    mutable qsizetype m_cachedBytes = 0;
};
