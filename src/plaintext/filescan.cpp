// SPDX-License-Identifier: GPL-3.0-or-later
#include "filescan.h"

#include "plaintext/bytechecksum.h"
#include "plaintext/scangrowth.h"

#include <QByteArray>
#include <QChar>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unistd.h>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#elif defined(__SSE2__)
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

#if defined(__x86_64__) && defined(__GNUC__)
#define PAGEWELL_WIDE_SCAN 1
#define PAGEWELL_WIDE __attribute__((target("avx2,popcnt")))

std::atomic<bool> wideAllowed{true};

// What the wide pass finds in a run of bytes.
struct WideTally
{
    qint64 units = 0;
    qint64 lf = 0;
    qint64 cr = 0;
    qint64 crLf = 0;
    qint64 firstHigh = -1; // within the run
};

// The bytes N places before each byte of input, previous being the 32 bytes before input.
template <int N> PAGEWELL_WIDE inline __m256i before(__m256i input, __m256i previous)
{
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - N);
}

// Non-zero where the 32 bytes given begin a sequence they do not end.
PAGEWELL_WIDE inline __m256i unfinished(__m256i bytes)
{
    const auto f = char(0xFF);
    const __m256i most =
        _mm256_setr_epi8(f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f, f,
                         f, f, f, f, char(0xF0 - 1), char(0xE0 - 1), char(0xC0 - 1));
    return _mm256_subs_epu8(bytes, most);
}

// Checks 32 bytes of UTF-8 by table look-ups (after Keiser and Lemire, "Validating UTF-8 in
// less than one instruction per byte"): the high nibble of a byte and both nibbles of the one
// before it name the faults the pair can show, and a byte that must continue a three- or
// four-byte sequence is told from the bytes two and three back. A fault leaves bits in errors.
PAGEWELL_WIDE inline void checkUtf8(__m256i input, __m256i previous, __m256i &errors)
{
    constexpr char tooShort = 1 << 0;
    constexpr char tooLong = 1 << 1;
    constexpr char overlong3 = 1 << 2;
    constexpr char tooLarge = 1 << 3;
    constexpr char surrogate = 1 << 4;
    constexpr char overlong2 = 1 << 5;
    constexpr char tooLarge1000 = 1 << 6;
    constexpr char overlong4 = 1 << 6;
    constexpr char twoConts = char(1 << 7);
    constexpr char carry = tooShort | tooLong | twoConts;
    constexpr char lead2 = tooShort | overlong2;
    constexpr char lead3 = tooShort | overlong3 | surrogate;
    constexpr char lead4 = tooShort | tooLarge | tooLarge1000 | overlong4;
    constexpr char large = carry | tooLarge | tooLarge1000;
    constexpr char first0 = carry | overlong3 | overlong2 | overlong4;
    constexpr char first1 = carry | overlong2;
    constexpr char cont8 = tooLong | overlong2 | twoConts | overlong3 | tooLarge1000 | overlong4;
    constexpr char cont9 = tooLong | overlong2 | twoConts | overlong3 | tooLarge;
    constexpr char contAB = tooLong | overlong2 | twoConts | surrogate | tooLarge;
    constexpr char l = tooLong;
    constexpr char t = twoConts;
    constexpr char s = tooShort;
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i previous1 = before<1>(input, previous);
    const __m256i byte1High = _mm256_shuffle_epi8(
        _mm256_setr_epi8(l, l, l, l, l, l, l, l, t, t, t, t, lead2, s, lead3, lead4, l, l, l, l, l,
                         l, l, l, t, t, t, t, lead2, s, lead3, lead4),
        _mm256_and_si256(_mm256_srli_epi16(previous1, 4), nibble));
    const __m256i byte1Low = _mm256_shuffle_epi8(
        _mm256_setr_epi8(first0, first1, carry, carry, carry | tooLarge, large, large, large, large,
                         large, large, large, large, large | surrogate, large, large, first0,
                         first1, carry, carry, carry | tooLarge, large, large, large, large, large,
                         large, large, large, large | surrogate, large, large),
        _mm256_and_si256(previous1, nibble));
    const __m256i byte2High = _mm256_shuffle_epi8(
        _mm256_setr_epi8(s, s, s, s, s, s, s, s, cont8, cont9, contAB, contAB, s, s, s, s, s, s, s,
                         s, s, s, s, s, cont8, cont9, contAB, contAB, s, s, s, s),
        _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble));
    const __m256i special = _mm256_and_si256(_mm256_and_si256(byte1High, byte1Low), byte2High);
    const __m256i third =
        _mm256_subs_epu8(before<2>(input, previous), _mm256_set1_epi8(char(0xE0 - 0x80)));
    const __m256i fourth =
        _mm256_subs_epu8(before<3>(input, previous), _mm256_set1_epi8(char(0xF0 - 0x80)));
    const __m256i continues =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(0x80)));
    errors = _mm256_or_si256(errors, _mm256_xor_si256(continues, special));
}

// One pass over a span's bytes, 64 at a time, with the instructions of processors from 2013 on:
// line breaks counted from bit masks, the characters of UTF-8 from its lead bytes (a four-byte
// sequence makes two UTF-16 units), UTF-8 checked, and the checksum taken from the same
// registers. Returns false when utf8 and the bytes are not UTF-8.
PAGEWELL_WIDE bool countWide(const unsigned char *data, qsizetype size, bool utf8, bool &afterCr,
                             WideTally &tally, ByteChecksum &sum)
{
    const __m256i lfs = _mm256_set1_epi8('\n');
    const __m256i crs = _mm256_set1_epi8('\r');
    const __m256i continuationBelow = _mm256_set1_epi8(-64); // 0x80 to 0xBF
    const __m256i fourByteAbove = _mm256_set1_epi8(-17);     // 0xF0 and up, with the high bit
    const __m256i keyStep = _mm256_set1_epi64x(qint64(ByteChecksum::keyStep));
    const qint64 moved = qint64(sum.strides * ByteChecksum::keyStep);
    __m256i key = _mm256_setr_epi64x(
        qint64(ByteChecksum::keys[0]) + moved, qint64(ByteChecksum::keys[1]) + moved,
        qint64(ByteChecksum::keys[2]) + moved, qint64(ByteChecksum::keys[3]) + moved);
    __m256i lanes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(sum.lanes));
    __m256i previous = _mm256_setzero_si256();
    __m256i errors = _mm256_setzero_si256();
    quint64 carry = afterCr ? 1 : 0;
    qint64 units = 0;
    qint64 lf = 0;
    qint64 cr = 0;
    qint64 crLf = 0;
    const qsizetype whole = size & ~qsizetype(63);
    alignas(32) unsigned char last[64];
    for (qsizetype at = 0; at < size; at += 64) {
        const unsigned char *p = data + at;
        const qsizetype n = std::min<qsizetype>(64, size - at);
        if (n < 64) {
            // The last bytes, made up to 64 with NULs: ASCII, which ends no sequence.
            std::memset(last, 0, sizeof last);
            std::memcpy(last, p, size_t(n));
            p = last;
        }
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 32));
        if (n == 64) {
            const __m256i x = _mm256_xor_si256(a, key);
            key = _mm256_add_epi64(key, keyStep);
            const __m256i y = _mm256_xor_si256(b, key);
            key = _mm256_add_epi64(key, keyStep);
            lanes = _mm256_add_epi64(
                lanes, _mm256_add_epi64(_mm256_mul_epu32(x, _mm256_srli_epi64(x, 32)), a));
            lanes = _mm256_add_epi64(
                lanes, _mm256_add_epi64(_mm256_mul_epu32(y, _mm256_srli_epi64(y, 32)), b));
        }
        const auto mask = [](unsigned low, unsigned high) {
            return quint64(low) | quint64(high) << 32;
        };
        const quint64 lfMask = mask(unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, lfs))),
                                    unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, lfs))));
        const quint64 crMask = mask(unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, crs))),
                                    unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, crs))));
        if (lfMask | crMask) {
            lf += _mm_popcnt_u64(lfMask);
            cr += _mm_popcnt_u64(crMask);
            crLf += _mm_popcnt_u64((crMask << 1 | carry) & lfMask);
        }
        carry = crMask >> 63;
        const quint64 high =
            mask(unsigned(_mm256_movemask_epi8(a)), unsigned(_mm256_movemask_epi8(b)));
        if (high == 0) {
            if (utf8)
                errors = _mm256_or_si256(errors, unfinished(previous));
            previous = b;
            units += n;
            continue;
        }
        if (tally.firstHigh < 0)
            tally.firstHigh = at + std::countr_zero(high);
        if (!utf8) {
            units += n;
            continue;
        }
        checkUtf8(a, previous, errors);
        checkUtf8(b, a, errors);
        previous = b;
        const quint64 continuations =
            mask(unsigned(_mm256_movemask_epi8(_mm256_cmpgt_epi8(continuationBelow, a))),
                 unsigned(_mm256_movemask_epi8(_mm256_cmpgt_epi8(continuationBelow, b))));
        const quint64 fourByte =
            mask(unsigned(_mm256_movemask_epi8(_mm256_cmpgt_epi8(a, fourByteAbove))),
                 unsigned(_mm256_movemask_epi8(_mm256_cmpgt_epi8(b, fourByteAbove)))) &
            high;
        units += n - qint64(_mm_popcnt_u64(continuations)) + qint64(_mm_popcnt_u64(fourByte));
    }
    if (utf8)
        errors = _mm256_or_si256(errors, unfinished(previous));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(sum.lanes), lanes);
    sum.strides += quint64(whole / 32);
    sum.add(reinterpret_cast<const char *>(data) + whole, size - whole);
    if (size > 0)
        afterCr = data[size - 1] == '\r';
    tally.units = units;
    tally.lf = lf;
    tally.cr = cr;
    tally.crLf = crLf;
    return _mm256_testz_si256(errors, errors) != 0;
}

bool wideScanAvailable()
{
    static const bool available =
        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return available && wideAllowed.load(std::memory_order_relaxed);
}
#endif

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

// Completes the span from its counts: which line end came first, its length and breaks.
static bool tallied(QByteArrayView bytes, FileScan::Form form, FileSource::Span &span,
                    FileScan::Part &part, bool &crBefore, bool afterCr, qint64 units, qint64 lf,
                    qint64 cr, qint64 crLf)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = data + bytes.size();
    const bool utf16 = form == FileScan::Form::Utf16LE || form == FileScan::Form::Utf16BE;
    if (!part.firstLfAfterCr && lf > 0 && !utf16) {
        const auto *first = static_cast<const unsigned char *>(std::memchr(data, '\n', end - data));
        part.firstLfAfterCr = first > data ? first[-1] == '\r' : crBefore;
    } else if (!part.firstLfAfterCr && lf > 0) {
        // The first LF unit, and the unit before it.
        const bool little = form == FileScan::Form::Utf16LE;
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
    part.lf += lf;
    part.cr += cr;
    part.crLf += crLf;
    return true;
}

void FileScan::allowWideInstructions(bool allowed)
{
#if defined(PAGEWELL_WIDE_SCAN)
    wideAllowed = allowed;
#else
    Q_UNUSED(allowed);
#endif
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
#if defined(PAGEWELL_WIDE_SCAN)
    if (!utf16 && wideScanAvailable()) {
        WideTally tally;
        ByteChecksum sum;
        const bool text = countWide(data, bytes.size(), utf8, afterCr, tally, sum);
        // Where the first byte beyond ASCII is tells the code page of a text that is not UTF-8.
        if (tally.firstHigh >= 0 && part.firstHigh < 0)
            part.firstHigh = span.offset + tally.firstHigh;
        if (!text)
            return false;
        span.checksum = sum.finish(bytes.size());
        return tallied(bytes, form, span, part, crBefore, afterCr, tally.units, tally.lf, tally.cr,
                       tally.crLf);
    }
#endif
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
    span.checksum = ByteChecksum::of(bytes.data(), bytes.size());
    return tallied(bytes, form, span, part, crBefore, afterCr, units, lf, cr, crLf);
}

qsizetype FileScan::spanBytesFor(qint64 textBytes)
{
    const qint64 even = (textBytes + manySpans - 1) / manySpans;
    return qsizetype(std::clamp<qint64>(even, spanBytes, largestSpanBytes));
}

FileScan::Part FileScan::scan(int fd, qint64 from, qint64 to, Form form, qint64 longestLine,
                              const std::atomic<bool> *cancel, const Progress &progress,
                              ScanGrowth *growth, qsizetype spanSize)
{
    if (spanSize <= 0)
        spanSize = spanBytesFor(to - from);
    size_t handedIn = 0; // spans given to growth
    Part part;
    qint64 run = 0; // bytes since the last span with a line break
    QByteArray buffer(blockBytes, Qt::Uninitialized);
    qint64 bufferStart = from; // the file's offset of buffer[0]
    qsizetype have = 0;
    bool crBefore = false;
    part.spans.reserve(size_t((to - from) / (spanSize - 1024) + 1));
    // Read once from start to end: the system may read ahead further.
    ::posix_fadvise(fd, off_t(from), off_t(to - from), POSIX_FADV_SEQUENTIAL);
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
            qsizetype target = at + spanSize;
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
        if (growth && part.spans.size() > handedIn) {
            growth->add(part.spans.data() + handedIn, part.spans.size() - handedIn);
            handedIn = part.spans.size();
        }
        if (progress)
            progress(bufferStart - from);
    }
    return part;
}

namespace {

// Where the second half begins: at or just after the middle, where a character and a line end
// begin; -1 when there is none near.
qint64 halfway(int fd, qint64 from, qint64 to, FileScan::Form form)
{
    qint64 middle = from + (to - from) / 2;
    const bool utf16 = form == FileScan::Form::Utf16LE || form == FileScan::Form::Utf16BE;
    if (utf16)
        middle -= (middle - from) % 2;
    const qint64 before = utf16 ? 2 : 1;
    const QByteArray around =
        FileScan::readAt(fd, middle - before, std::min<qint64>(64, to - middle + before));
    const qsizetype at = FileScan::cut(around, 0, around.size() - 8, form);
    return at > 0 && at >= before ? middle - before + at : -1;
}

} // namespace

FileScan::Part FileScan::scanInHalves(int fd, qint64 from, qint64 to, Form form, qint64 longestLine,
                                      const std::atomic<bool> *cancel,
                                      const HalvesProgress &progress, qint64 splitFrom,
                                      ScanGrowth *growth)
{
    std::atomic<qint64> doneFirst{0};
    std::atomic<qint64> doneSecond{0};
    std::mutex reporting;
    const auto report = [&] {
        const std::lock_guard<std::mutex> lock(reporting);
        if (progress)
            progress(doneFirst + doneSecond, to);
    };
    // Both halves cut their spans as one scan of the whole would.
    const qsizetype spanSize = spanBytesFor(to - from);
    const qint64 cut = to - from >= splitFrom ? halfway(fd, from, to, form) : -1;
    if (cut < 0)
        return scan(
            fd, from, to, form, longestLine, cancel,
            [&](qint64 done) {
                doneFirst = done;
                report();
            },
            growth, spanSize);
    FileScan::Part later;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                later = scan(
                    fd, cut, to, form, longestLine, cancel,
                    [&](qint64 done) {
                        doneSecond = done;
                        report();
                    },
                    nullptr, spanSize);
            } catch (const std::bad_alloc &) {
                later.status = FileScan::Part::Status::ReadFailed;
            }
        });
    } catch (const std::system_error &) {
        return scan(fd, from, to, form, longestLine, cancel, {}, growth, spanSize);
    }
    FileScan::Part part;
    try {
        part = scan(
            fd, from, cut, form, longestLine, cancel,
            [&](qint64 done) {
                doneFirst = done;
                report();
            },
            growth, spanSize);
    } catch (const std::bad_alloc &) {
        part.status = FileScan::Part::Status::ReadFailed;
    }
    worker.join();
    if (part.status != FileScan::Part::Status::Ok)
        return part;
    if (later.status != FileScan::Part::Status::Ok) {
        // The first high byte of a text that is not UTF-8 may lie in the second half.
        if (part.firstHigh < 0)
            part.firstHigh = later.firstHigh;
        part.status = later.status;
        return part;
    }
    part.spans.insert(part.spans.end(), later.spans.begin(), later.spans.end());
    part.lf += later.lf;
    part.cr += later.cr;
    part.crLf += later.crLf;
    if (!part.firstLfAfterCr)
        part.firstLfAfterCr = later.firstLfAfterCr;
    if (part.firstHigh < 0)
        part.firstHigh = later.firstHigh;
    return part;
}

QByteArray FileScan::readAt(int fd, qint64 offset, qint64 length)
{
    QByteArray bytes(length, Qt::Uninitialized);
    qint64 got = 0;
    while (got < length) {
        const ssize_t n =
            ::pread(fd, bytes.data() + got, size_t(length - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}
