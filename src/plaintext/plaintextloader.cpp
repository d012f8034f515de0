#include "plaintextloader.h"

#include "app/lineendtally.h"

#include <QBuffer>
#include <QIODevice>
#include <QStringDecoder>

#include <new>
#include <optional>

namespace {

QStringConverter::Encoding converterFor(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QStringConverter::Utf16LE;
    case TextEncoding::Utf16BE:
        return QStringConverter::Utf16BE;
    case TextEncoding::Utf32LE:
        return QStringConverter::Utf32LE;
    case TextEncoding::Utf32BE:
        return QStringConverter::Utf32BE;
    default:
        return QStringConverter::Utf8;
    }
}

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
    void fold(QString &text)
    {
        if (text.isEmpty())
            return;
        m_tally.add(text);
        QChar *data = text.data();
        const qsizetype size = text.size();
        qsizetype in = 0;
        if (m_afterCr && data[0] == u'\n')
            in = 1; // the LF of a CR LF split between blocks
        m_afterCr = false;
        if (QStringView(text).indexOf(u'\r', in) < 0) {
            if (in)
                text.remove(0, in);
            return;
        }
        qsizetype out = 0;
        for (; in < size; ++in) {
            if (data[in] == u'\r') {
                data[out++] = u'\n';
                if (in + 1 < size && data[in + 1] == u'\n')
                    ++in;
                else if (in + 1 == size)
                    m_afterCr = true;
            } else {
                data[out++] = data[in];
            }
        }
        text.truncate(out);
    }

    // The style most line ends have, as the file was written.
    LineEnding style() const { return m_tally.style(); }

private:
    LineEndTally m_tally;
    bool m_afterCr = false;
};

class Reader
{
public:
    Reader(QIODevice &device, qint64 size, const std::atomic<bool> *cancel,
           const PlainTextLoader::Progress &progress)
        : m_device(device), m_size(size), m_cancel(cancel), m_progress(progress)
    {
    }

    PlainTextLoader::Result run()
    {
        PlainTextLoader::Result result;
        QByteArray first;
        if (!readBlock(first, result))
            return result;
        if (const auto bom = TextDecoder::byteOrderMark(first)) {
            result.encoding = bom->encoding;
            QStringDecoder decoder(converterFor(bom->encoding));
            QByteArray block = first.sliced(bom->length);
            for (;;) {
                add(decoder.decode(block), result);
                if (m_atEnd)
                    break;
                if (!readBlock(block, result))
                    return result;
            }
        } else if (!readUtf8(first, result)) {
            if (result.status != PlainTextLoader::Status::Ok)
                return result;
            // Not UTF-8 after all: start again, byte for byte.
            result = {};
            result.encoding = TextEncoding::Windows1252;
            m_folder = {};
            if (!m_device.reset()) {
                result.status = PlainTextLoader::Status::ReadFailed;
                return result;
            }
            m_done = 0;
            m_atEnd = false;
            QByteArray block;
            do {
                if (!readBlock(block, result))
                    return result;
                add(TextDecoder::fromWindows1252(block), result);
            } while (!m_atEnd);
        }
        result.lineEnding = m_folder.style();
        result.status = PlainTextLoader::Status::Ok;
        return result;
    }

private:
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
            QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            QString text = utf8.decode(block);
            if (utf8.hasError()) {
                result.status = PlainTextLoader::Status::Ok;
                return false;
            }
            add(std::move(text), result);
            if (m_atEnd)
                return true;
            if (!readBlock(block, result))
                return false;
        }
    }

    void add(QString text, PlainTextLoader::Result &result)
    {
        m_folder.fold(text);
        result.buffer.append(text);
    }

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
    LineEndFolder m_folder;
    qint64 m_done = 0;
    bool m_atEnd = false;
};

} // namespace

PlainTextLoader::Result PlainTextLoader::load(QIODevice &device, qint64 size,
                                              const std::atomic<bool> *cancel,
                                              const Progress &progress)
{
    try {
        return Reader(device, size, cancel, progress).run();
    } catch (const std::bad_alloc &) {
        Result result;
        result.status = Status::OutOfMemory;
        return result;
    }
}

PlainTextLoader::Result PlainTextLoader::fromBytes(QByteArrayView bytes)
{
    QByteArray copy = bytes.toByteArray();
    QBuffer device(&copy);
    device.open(QIODevice::ReadOnly);
    return load(device, copy.size());
}
