// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintextloader.h"

#include "plaintext/textarena.h"
#include "text/legacyencodingguess.h"
#include "text/lineendtally.h"
#include "text/piecedecoder.h"
#include "text/textencodings.h"

#include <QBuffer>
#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

namespace {

// Bytes at the end of a block that begin a UTF-8 sequence the block does not complete; they are
// decoded with the next block.
qsizetype incompleteUtf8Tail(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= n; ++back) {
        const auto c = static_cast<unsigned char>(bytes[n - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for its lead
        const int needed = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return needed > back ? back : 0;
    }
    return 0;
}

// Turns CR LF and lone CR into '\n' across block boundaries, and counts the line ends.
class LineEndFolder
{
public:
    // Folds size characters at data in place; returns how many are left.
    qsizetype fold(QChar *data, qsizetype size)
    {
        if (size == 0)
            return 0;
        const QStringView view(data, size);
        m_tally.add(view);
        qsizetype in = 0;
        if (m_afterCr && view[0] == u'\n')
            in = 1; // the LF of a CR LF split between pieces
        m_afterCr = false;
        qsizetype cr = view.indexOf(u'\r', in);
        if (cr < 0) {
            if (in)
                std::memmove(data, data + 1, size_t(size - 1) * sizeof(QChar));
            return size - in;
        }
        // From one CR to the next, the characters between move up in one go.
        qsizetype out = 0;
        while (cr >= 0) {
            std::memmove(data + out, data + in, size_t(cr - in) * sizeof(QChar));
            out += cr - in;
            data[out++] = u'\n';
            in = cr + 1;
            if (in < size && data[in] == u'\n')
                ++in;
            else if (in == size)
                m_afterCr = true;
            cr = in < size ? view.indexOf(u'\r', in) : -1;
        }
        std::memmove(data + out, data + in, size_t(size - in) * sizeof(QChar));
        return out + size - in;
    }

    // The style most line ends have, as the file was written.
    LineEnding style() const { return m_tally.style(); }
    const LineEndTally &tally() const { return m_tally; }

private:
    LineEndTally m_tally;
    bool m_afterCr = false;
};

class Reader
{
public:
    // Reads size bytes from the device's position start; a later part of a file (start > 0)
    // has no byte-order mark.
    Reader(QIODevice &device, qint64 size, const std::atomic<bool> *cancel,
           const PlainTextLoader::Progress &progress, qint64 start = 0,
           std::optional<TextEncoding> chosen = std::nullopt)
        : m_device(device), m_size(size), m_cancel(cancel), m_progress(progress), m_start(start),
          m_chosen(chosen), m_fed(start)
    {
    }

    const LineEndTally &tally() const { return m_folder.tally(); }

    PlainTextLoader::Result run()
    {
        PlainTextLoader::Result result;
        QByteArray first;
        if (!readBlock(first, result))
            return result;
        auto bom = m_start == 0 ? TextDecoder::byteOrderMark(first) : std::nullopt;
        if (const auto unmarked = m_start == 0 && !bom && !m_chosen
                                      ? TextDecoder::unmarkedUnicode(first)
                                      : std::nullopt)
            bom = TextDecoder::ByteOrderMark{*unmarked, 0};
        result.source.exact = true;
        if (m_chosen && (!bom || TextEncodings::asChosen(bom->encoding) != *m_chosen)) {
            // Read in the encoding the user chose, exactly, or not at all.
            const Decoded decoded = decodeFromStart(*m_chosen, result);
            if (decoded == Decoded::Failed)
                return result;
            if (decoded == Decoded::NotInEncoding) {
                result = {};
                result.status = PlainTextLoader::Status::NotInEncoding;
                return result;
            }
        } else if (bom) {
            result.encoding = bom->encoding;
            result.source.textStart = bom->length;
            m_fed = bom->length;
            QStringDecoder decoder(TextDecoder::unicodeConverter(bom->encoding),
                                   QStringConverter::Flag::ConvertInitialBom);
            const bool utf16 =
                TextDecoder::unicodeConverter(bom->encoding) == QStringConverter::Utf16LE ||
                TextDecoder::unicodeConverter(bom->encoding) == QStringConverter::Utf16BE;
            QByteArray block = first.sliced(bom->length);
            for (;;) {
                // The decoder keeps a character cut between two pieces for the next one.
                for (qsizetype at = 0; at < block.size(); at += pieceBytes) {
                    const QByteArrayView piece = QByteArrayView(block).sliced(at).first(
                        std::min(pieceBytes, block.size() - at));
                    QChar *out = room(decoder.requiredSpace(piece.size()));
                    QChar *end = decoder.appendToBuffer(out, piece);
                    // A place to find positions from only where the decoder keeps nothing back.
                    const bool clean = utf16
                                           ? end - out == piece.size() / 2 && piece.size() % 2 == 0
                                       : bom->encoding == TextEncoding::Utf8WithBom
                                           ? static_cast<unsigned char>(piece.back()) < 0x80
                                           : piece.size() % 4 == 0;
                    add(out, end, piece.size(), clean, result);
                }
                if (m_atEnd)
                    break;
                if (!readBlock(block, result))
                    return result;
            }
            // A sequence the encoding does not allow became a replacement character, whose bytes
            // a position cannot be traced to.
            result.source.exact = !decoder.hasError();
        } else if (!readUtf8(first, result)) {
            if (result.status != PlainTextLoader::Status::Ok)
                return result;
            // Not UTF-8 after all: start again, in the code page it looks like, or byte for byte
            // as Windows-1252 when it is not sure or the whole file does not bear it out.
            std::optional<TextEncoding> guess = codePageGuess(result);
            if (!guess)
                return result;
            Decoded decoded = decodeFromStart(*guess, result);
            if (decoded == Decoded::NotInEncoding)
                decoded = decodeFromStart(TextEncoding::Windows1252, result);
            if (decoded != Decoded::Done)
                return result;
        }
        result.lineEnding = m_folder.style();
        result.status = PlainTextLoader::Status::Ok;
        result.source.encoding = result.encoding;
        result.source.size = m_start + m_done;
        result.source.length = result.buffer.length();
        return result;
    }

private:
    enum class Decoded { Done, NotInEncoding, Failed };

    // Reads the part again from its start, decoding it all in encoding. Failed: the read
    // failed (the status says why).
    Decoded decodeFromStart(TextEncoding encoding, PlainTextLoader::Result &result)
    {
        result = {};
        result.encoding = encoding;
        // Byte for byte, a place in the text leads back to its bytes; in another code page a Save
        // encodes the whole text again.
        const bool traced = encoding == TextEncoding::Windows1252;
        result.source.exact = traced;
        m_fed = m_start;
        m_folder = {};
        m_arena.reset();
        if (!m_device.seek(m_start)) {
            result.status = PlainTextLoader::Status::ReadFailed;
            return Decoded::Failed;
        }
        m_done = 0;
        m_atEnd = false;
        PieceDecoder decoder(encoding);
        QByteArray block;
        do {
            if (!readBlock(block, result))
                return Decoded::Failed;
            for (qsizetype at = 0; at < block.size(); at += pieceBytes) {
                const QByteArrayView piece =
                    QByteArrayView(block).sliced(at).first(std::min(pieceBytes, block.size() - at));
                QChar *out = room(decoder.requiredSpace(piece.size()));
                QChar *end = decoder.decode(piece, out);
                if (decoder.hasError())
                    return Decoded::NotInEncoding;
                add(out, end, piece.size(), traced, result);
            }
        } while (!m_atEnd);
        return decoder.isExact() ? Decoded::Done : Decoded::NotInEncoding;
    }

    // The code page of a part that is not UTF-8, from a sample where its first byte beyond
    // ASCII is; none when the sample could not be read (the status says why).
    std::optional<TextEncoding> codePageGuess(PlainTextLoader::Result &result)
    {
        const qint64 context = 1024;
        const qint64 from = std::max<qint64>(0, m_firstHigh - context);
        if (!m_device.seek(m_start + from)) {
            result.status = PlainTextLoader::Status::ReadFailed;
            return std::nullopt;
        }
        const QByteArray bytes = m_device.read(context + LegacyEncodingGuess::sampleSize);
        return LegacyEncodingGuess::of(LegacyEncodingGuess::sampleOf(bytes));
    }

    // False when the bytes are not UTF-8 (status Ok) or reading failed (status says why).
    bool readUtf8(QByteArray block, PlainTextLoader::Result &result)
    {
        result.encoding = TextEncoding::Utf8;
        QByteArray carry;
        for (;;) {
            if (!carry.isEmpty())
                block.prepend(carry);
            const qsizetype tail = m_atEnd ? 0 : incompleteUtf8Tail(block);
            carry = block.last(tail);
            block.chop(tail);
            // In pieces of about a chunk, each cut where a character starts.
            const QByteArrayView bytes(block);
            for (qsizetype at = 0; at < bytes.size();) {
                qsizetype end = std::min(at + pieceBytes, bytes.size());
                while (end < bytes.size() && end > at + 4 &&
                       (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
                    --end;
                QStringDecoder utf8(QStringConverter::Utf8, TextDecoder::contentFlags);
                const QByteArrayView piece = bytes.sliced(at, end - at);
                QChar *out = room(utf8.requiredSpace(piece.size()));
                QChar *outEnd = utf8.appendToBuffer(out, piece);
                if (utf8.hasError()) {
                    result.status = PlainTextLoader::Status::Ok;
                    return false;
                }
                add(out, outEnd, piece.size(), true, result);
                at = end;
            }
            if (m_atEnd)
                return true;
            if (!readBlock(block, result))
                return false;
        }
    }

    // Room for count characters in the arena, which a new one gives when the last is full.
    QChar *room(qsizetype count)
    {
        if (!m_arena || m_arena->capacity() - m_used < count) {
            // An arena for the whole file (no more characters than bytes), within bounds: a
            // small text takes little, a huge one several arenas. Untouched room costs nothing.
            const qint64 whole = m_size > 0 ? m_size : PlainTextLoader::blockSize;
            m_arena = std::make_shared<TextArena>(
                std::max<qsizetype>(count, std::clamp<qint64>(whole, 64 << 10, arenaMax)));
            m_used = 0;
        }
        return m_arena->data() + m_used;
    }

    // The characters decoded into the arena from out to end join the buffer, line ends folded.
    // They came from the next bytes bytes of the file; where the decoder kept nothing back
    // (clean) and no CR waits for its LF, the place is marked in the source map.
    void add(QChar *out, QChar *end, qsizetype bytes, bool clean, PlainTextLoader::Result &result)
    {
        const bool crLast = end > out && end[-1] == u'\r';
        const qsizetype kept = m_folder.fold(out, end - out);
        m_used += kept;
        result.buffer.appendStored(QStringView(out, kept), m_arena);
        m_fed += bytes;
        if (clean && !crLast && end > out)
            result.source.marks.push_back({result.buffer.length(), m_fed});
    }

    static constexpr qint64 arenaMax = 32 << 20; // characters

    // Bytes decoded at a time: each gives about one chunk of the buffer, which takes it over.
    static constexpr qsizetype pieceBytes = TextBuffer::chunkTarget;

    bool readBlock(QByteArray &block, PlainTextLoader::Result &result)
    {
        if (m_cancel && m_cancel->load(std::memory_order_relaxed)) {
            result.status = PlainTextLoader::Status::Cancelled;
            return false;
        }
        // Never past the size given: a file that keeps growing (a log being written) is read as
        // it was when it was opened.
        const qint64 want = m_size > 0
                                ? std::min<qint64>(PlainTextLoader::blockSize, m_size - m_done)
                                : PlainTextLoader::blockSize;
        block.resize(std::max<qint64>(want, 0));
        qint64 got = 0;
        while (got < block.size()) {
            const qint64 n = m_device.read(block.data() + got, block.size() - got);
            if (n < 0) {
                result.status = PlainTextLoader::Status::ReadFailed;
                return false;
            }
            if (n == 0)
                break;
            got += n;
        }
        const bool shortRead = got < block.size();
        block.truncate(got);
        if (m_firstHigh < 0) {
            const auto high = std::find_if(block.cbegin(), block.cend(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x80;
            });
            if (high != block.cend())
                m_firstHigh = m_done + (high - block.cbegin());
        }
        m_atEnd = shortRead || m_device.atEnd() || (m_size > 0 && m_done + got >= m_size);
        m_done += got;
        if (m_progress)
            m_progress(m_done, m_size);
        return true;
    }

    QIODevice &m_device;
    qint64 m_size;
    const std::atomic<bool> *m_cancel;
    const PlainTextLoader::Progress &m_progress;
    qint64 m_start;
    std::optional<TextEncoding> m_chosen;
    qint64 m_firstHigh = -1; // where the first byte beyond ASCII is, once it was read
    LineEndFolder m_folder;
    std::shared_ptr<TextArena> m_arena;
    qsizetype m_used = 0; // characters of the arena taken
    qint64 m_done = 0;
    qint64 m_fed; // bytes of the file given to the decoder, from the file's start
    bool m_atEnd = false;
};

// The text read is the file's text: edits from here on are noted against it.
PlainTextLoader::Result &markLoaded(PlainTextLoader::Result &result)
{
    if (result.status == PlainTextLoader::Status::Ok) {
        result.source.length = result.buffer.length();
        result.source.textMark = result.buffer.markOriginal();
    }
    return result;
}

} // namespace

PlainTextLoader::Result PlainTextLoader::load(QIODevice &device, qint64 size,
                                              const std::atomic<bool> *cancel,
                                              const Progress &progress,
                                              std::optional<TextEncoding> encoding)
{
    try {
        Result result = Reader(device, size, cancel, progress, 0, encoding).run();
        return std::move(markLoaded(result));
    } catch (const std::bad_alloc &) {
        Result result;
        result.status = Status::OutOfMemory;
        return result;
    }
}

namespace {

// Where the second half of a file begins: just after the first LF past its middle (an LF byte is
// a character of its own in UTF-8 and Windows-1252 alike, and no CR LF is cut there), or -1 when
// the file is too small to be worth it, has a byte-order mark, or no line ends near its middle.
qint64 halfwayLineStart(QIODevice &device, qint64 size)
{
    if (size < PlainTextLoader::halvesFrom || !device.seek(0) ||
        TextDecoder::byteOrderMark(device.peek(4)) ||
        TextDecoder::unmarkedUnicode(device.peek(64 << 10)))
        return -1;
    const qint64 middle = size / 2;
    if (!device.seek(middle))
        return -1;
    const qint64 lf = device.peek(64 << 10).indexOf('\n');
    if (lf < 0 || middle + lf + 1 >= size || !device.seek(middle + lf + 1))
        return -1;
    return middle + lf + 1;
}

} // namespace

PlainTextLoader::Result PlainTextLoader::loadInHalves(QIODevice &device, QIODevice &second,
                                                      qint64 size, const std::atomic<bool> *cancel,
                                                      const Progress &progress,
                                                      std::optional<TextEncoding> encoding)
{
    // A line end is a byte of its own only in the encodings that keep ASCII as it is.
    const bool asciiLineEnds = !encoding || *encoding == TextEncoding::Utf8 ||
                               *encoding == TextEncoding::Windows1252 ||
                               TextEncodings::isCodePage(*encoding);
    const qint64 cut = asciiLineEnds ? halfwayLineStart(second, size) : -1;
    if (cut < 0)
        return load(device, size, cancel, progress, encoding);
    std::atomic<qint64> doneFirst{0};
    std::atomic<qint64> doneSecond{0};
    std::mutex reporting; // the callback is called from one thread at a time
    const auto report = [&] {
        const std::lock_guard<std::mutex> lock(reporting);
        if (progress)
            progress(doneFirst + doneSecond, size);
    };
    const Progress firstProgress = [&](qint64 done, qint64) {
        doneFirst = done;
        report();
    };
    const Progress secondProgress = [&](qint64 done, qint64) {
        doneSecond = done;
        report();
    };
    // The two halves are decoded at once, the second on a thread of its own; each is a text of
    // its own (line ends folded, counted), which the first then takes over.
    Result later;
    LineEndTally laterTally;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                Reader reader(second, size - cut, cancel, secondProgress, cut, encoding);
                later = reader.run();
                laterTally = reader.tally();
            } catch (const std::bad_alloc &) {
                later = {};
                later.status = Status::OutOfMemory;
            }
        });
    } catch (const std::system_error &) {
        // No thread to be had: one reader does it all.
        return device.seek(0) ? load(device, size, cancel, progress, encoding) : Result{};
    }
    Result result;
    LineEndTally tally;
    try {
        Reader reader(device, cut, cancel, firstProgress, 0, encoding);
        result = reader.run();
        tally = reader.tally();
    } catch (const std::bad_alloc &) {
        result = {};
        result.status = Status::OutOfMemory;
    }
    worker.join();
    if (result.status != Status::Ok)
        return result;
    if (later.status != Status::Ok)
        return later;
    if (result.encoding != later.encoding) {
        // The halves look like different encodings: the whole file is read again, as one.
        result = {};
        later = {};
        if (!device.seek(0)) {
            result.status = Status::ReadFailed;
            return result;
        }
        return load(device, size, cancel, progress, encoding);
    }
    try {
        // The second half's places in the file follow the first half's text.
        const qsizetype firstLength = result.buffer.length();
        result.source.marks.push_back({firstLength, cut});
        for (const SourceMap::Mark &mark : later.source.marks)
            result.source.marks.push_back({firstLength + mark.position, mark.offset});
        result.source.size = later.source.size;
        result.source.exact = result.source.exact && later.source.exact;
        result.buffer.append(std::move(later.buffer));
    } catch (const std::bad_alloc &) {
        Result failed;
        failed.status = Status::OutOfMemory;
        return failed;
    }
    tally.append(laterTally);
    result.lineEnding = tally.style();
    return std::move(markLoaded(result));
}

PlainTextLoader::Result PlainTextLoader::fromBytes(QByteArrayView bytes)
{
    QByteArray copy = bytes.toByteArray();
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    return load(device, copy.size());
}
