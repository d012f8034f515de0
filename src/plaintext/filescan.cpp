// SPDX-License-Identifier: GPL-3.0-or-later
#include "filescan.h"

#include <QByteArray>
#include <QChar>

#include <bit>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr quint64 highBits = 0x8080808080808080ull;
constexpr quint64 lowBits = 0x7F7F7F7F7F7F7F7Full;
constexpr quint64 everyByte = 0x0101010101010101ull;

// The high bit of each byte of an ASCII word that equals c.
inline quint64 bytesEqual(quint64 word, unsigned char c)
{
    const quint64 t = word ^ (everyByte * c);
    return ~(((t & lowBits) + lowBits) | t) & highBits;
}

inline bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence at data (end bounds it), or 0 when it is not one: no overlong
// forms, no surrogates, nothing beyond U+10FFFF.
int sequenceLength(const unsigned char *data, const unsigned char *end)
{
    const unsigned char c = data[0];
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (end - data < length || data[1] < low || data[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (!isContinuation(data[i]))
            return 0;
    }
    return length;
}

} // namespace

qsizetype FileScan::cut(QByteArrayView bytes, qsizetype begin, qsizetype target, Form form)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    if (form == Form::Utf16LE || form == Form::Utf16BE) {
        const auto unit = [&](qsizetype at) {
            return form == Form::Utf16LE ? char16_t(data[at] | data[at + 1] << 8)
                                         : char16_t(data[at] << 8 | data[at + 1]);
        };
        target -= (target - begin) % 2;
        while (target > begin + 2 && target + 1 < bytes.size() &&
               (QChar::isHighSurrogate(unit(target - 2)) ||
                (unit(target - 2) == u'\r' && unit(target) == u'\n')))
            target -= 2;
        return target;
    }
    const bool utf8 = form == Form::Utf8;
    while (target > begin + 1 && ((utf8 && isContinuation(data[target])) ||
                                  (data[target - 1] == '\r' && data[target] == '\n')))
        --target;
    return target;
}

// The counts of UTF-16 bytes, one unit at a time.
static bool countUtf16(const unsigned char *data, qsizetype size, bool little, qint64 &units,
                       qint64 &lf, qint64 &cr, qint64 &crLf, bool &afterCr)
{
    const qsizetype n = size / 2;
    const auto unit = [&](qsizetype i) {
        return little ? char16_t(data[2 * i] | data[2 * i + 1] << 8)
                      : char16_t(data[2 * i] << 8 | data[2 * i + 1]);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = unit(i);
        if (u == u'\n') {
            ++lf;
            crLf += afterCr ? 1 : 0;
        } else if (u == u'\r') {
            ++cr;
        } else if (QChar::isHighSurrogate(u)) {
            if (i + 1 >= n || !QChar::isLowSurrogate(unit(i + 1)))
                return false;
            ++i;
            ++units;
        } else if (QChar::isLowSurrogate(u)) {
            return false;
        }
        afterCr = u == u'\r';
        ++units;
    }
    return size % 2 == 0;
}

bool FileScan::count(QByteArrayView bytes, Form form, FileSource::Span &span, Part &part,
                     bool &crBefore)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = data + bytes.size();
    const bool utf8 = form == Form::Utf8;
    const bool utf16 = form == Form::Utf16LE || form == Form::Utf16BE;
    qint64 units = 0;
    qint64 lf = 0;
    qint64 cr = 0;
    qint64 crLf = 0;
    bool afterCr = crBefore;
    if (utf16 &&
        !countUtf16(data, bytes.size(), form == Form::Utf16LE, units, lf, cr, crLf, afterCr))
        return false;
    for (const unsigned char *p = utf16 ? end : data; p < end;) {
#if defined(__SSE2__)
        // Sixteen bytes at a time where the processor has the instructions (every x86-64 has):
        // the ASCII bytes up to the first one beyond it at once.
        if (end - p >= 16) {
            const __m128i bytes16 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            const auto high = unsigned(_mm_movemask_epi8(bytes16));
            const int take = high ? std::countr_zero(high) : 16;
            if (take > 0) {
                const unsigned keep = take == 16 ? 0xFFFFu : (1u << take) - 1;
                const auto lfs =
                    unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes16, _mm_set1_epi8('\n')))) &
                    keep;
                const auto crs =
                    unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes16, _mm_set1_epi8('\r')))) &
                    keep;
                if (lfs | crs) {
                    lf += std::popcount(lfs);
                    cr += std::popcount(crs);
                    crLf += std::popcount((crs << 1) & lfs) + ((afterCr && (lfs & 1)) ? 1 : 0);
                }
                afterCr = ((crs >> (take - 1)) & 1) != 0;
                units += take;
                p += take;
                continue;
            }
        }
#endif
        if (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if ((word & highBits) == 0) {
                const quint64 lfs = bytesEqual(word, '\n');
                const quint64 crs = bytesEqual(word, '\r');
                if (lfs | crs) {
                    lf += std::popcount(lfs);
                    cr += std::popcount(crs);
                    crLf += std::popcount((crs << 8) & lfs) + ((afterCr && (lfs & 0x80)) ? 1 : 0);
                }
                afterCr = (crs >> 63) != 0;
                units += 8;
                p += 8;
                continue;
            }
        }
        const unsigned char c = *p;
        if (c < 0x80 || !utf8) {
            if (c == '\n') {
                ++lf;
                crLf += afterCr ? 1 : 0;
            } else if (c == '\r') {
                ++cr;
            }
            afterCr = c == '\r';
            if (c >= 0x80 && part.firstHigh < 0)
                part.firstHigh = span.offset + (p - data);
            ++units;
            ++p;
            continue;
        }
        if (part.firstHigh < 0)
            part.firstHigh = span.offset + (p - data);
        const int length = sequenceLength(p, end);
        if (length == 0)
            return false;
        units += length == 4 ? 2 : 1;
        afterCr = false;
        p += length;
    }
    if (!part.firstLfAfterCr && lf > 0 && !utf16) {
        const auto *first = static_cast<const unsigned char *>(std::memchr(data, '\n', end - data));
        part.firstLfAfterCr = first > data ? first[-1] == '\r' : crBefore;
    } else if (!part.firstLfAfterCr && lf > 0) {
        // The first LF unit, and the unit before it.
        const bool little = form == Form::Utf16LE;
        char16_t before = crBefore ? u'\r' : 0;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            const auto u = little ? char16_t(data[i] | data[i + 1] << 8)
                                  : char16_t(data[i] << 8 | data[i + 1]);
            if (u == u'\n') {
                part.firstLfAfterCr = before == u'\r';
                break;
            }
            before = u;
        }
    }
    crBefore = afterCr;
    span.bytes = qint32(bytes.size());
    span.length = qint32(units - crLf);
    span.breaks = qint32(lf + cr - crLf);
    span.checksum = FileSource::checksum(bytes.data(), bytes.size());
    part.lf += lf;
    part.cr += cr;
    part.crLf += crLf;
    return true;
}

FileScan::Part FileScan::scan(int fd, qint64 from, qint64 to, Form form, qint64 longestLine,
                              const std::atomic<bool> *cancel, const Progress &progress)
{
    Part part;
    qint64 run = 0; // bytes since the last span with a line break
    QByteArray buffer(blockBytes, Qt::Uninitialized);
    qint64 bufferStart = from; // the file's offset of buffer[0]
    qsizetype have = 0;
    bool crBefore = false;
    part.spans.reserve(size_t((to - from) / (spanBytes - 1024) + 1));
    while (bufferStart + have < to || have > 0) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            part.status = Part::Status::Cancelled;
            return part;
        }
        while (have < blockBytes && bufferStart + have < to) {
            const qint64 want = std::min<qint64>(blockBytes - have, to - bufferStart - have);
            const ssize_t n =
                ::pread(fd, buffer.data() + have, size_t(want), off_t(bufferStart + have));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                // The file ended early (it shrank) or cannot be read.
                part.status = Part::Status::ReadFailed;
                return part;
            }
            have += n;
        }
        const bool atEnd = bufferStart + have >= to;
        const QByteArrayView bytes(buffer.constData(), have);
        qsizetype at = 0;
        while (at < have) {
            qsizetype target = at + spanBytes;
            if (target >= have) {
                if (!atEnd)
                    break;
                target = have;
            } else {
                target = cut(bytes, at, target, form);
            }
            FileSource::Span span;
            span.offset = bufferStart + at;
            if (!count(bytes.sliced(at, target - at), form, span, part, crBefore)) {
                part.status = Part::Status::NotText;
                return part;
            }
            part.spans.push_back(span);
            run = span.breaks > 0 ? 0 : run + span.bytes;
            if (longestLine > 0 && run > longestLine) {
                part.status = Part::Status::LineTooLong;
                return part;
            }
            at = target;
        }
        std::memmove(buffer.data(), buffer.constData() + at, size_t(have - at));
        bufferStart += at;
        have -= at;
        if (progress)
            progress(bufferStart - from);
    }
    return part;
}
