// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/textbuffer.h"
#include "text/sourcemap.h"
#include "text/textdecoder.h"

#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

class QIODevice;

// Reads a plain text file into a TextBuffer block by block, decoding as it goes, so that the
// file's bytes are never held whole beside its text. Decodes as TextDecoder does (a byte-order
// mark names the Unicode encoding, UTF-16 is told by its zero bytes, valid UTF-8 is UTF-8,
// anything else the code page it looks like, else Windows-1252), or in the encoding the caller
// names, with one decoder for the whole file; turns every line end into '\n', remembering the
// style of the first one.
class PlainTextLoader
{
public:
    // NotInEncoding: the encoding asked for does not hold the file's bytes exactly.
    enum class Status { Ok, Cancelled, ReadFailed, OutOfMemory, NotInEncoding };

    struct Result
    {
        Status status = Status::ReadFailed;
        TextBuffer buffer;
        TextEncoding encoding = TextEncoding::Utf8;
        LineEnding lineEnding = LineEnding::CrLf;
        // Where the text lies in the bytes read; the buffer is marked as the original text
        // (TextBuffer::markOriginal()), source.textMark naming it.
        SourceMap source;
    };

    // Called with the bytes read so far and the expected total.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // Reads the device from its start up to size bytes (to its end when size is 0), in
    // encoding when one is given. A set cancel flag stops the read at the next block.
    static Result load(QIODevice &device, qint64 size, const std::atomic<bool> *cancel = nullptr,
                       const Progress &progress = {},
                       std::optional<TextEncoding> encoding = std::nullopt);
    // The same for a large file, read in two halves at once: second is another device on the
    // same file. A file that cannot be cut at a line end is read as load() reads it.
    static Result loadInHalves(QIODevice &device, QIODevice &second, qint64 size,
                               const std::atomic<bool> *cancel = nullptr,
                               const Progress &progress = {},
                               std::optional<TextEncoding> encoding = std::nullopt);
    static Result fromBytes(QByteArrayView bytes);
    // Files from this size on are worth reading in halves.
    static constexpr qint64 halvesFrom = 8 << 20;

    static constexpr qint64 blockSize = 2 << 20;
};
