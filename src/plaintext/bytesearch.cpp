// SPDX-License-Identifier: GPL-3.0-or-later
#include "bytesearch.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define PAGEWELL_WIDE_SEARCH 1
#endif

namespace {

std::atomic<bool> wideAllowed{true};

qsizetype narrowFind(const char *haystack, qsizetype size, const char *needle, qsizetype length)
{
    const void *found = ::memmem(haystack, size_t(size), needle, size_t(length));
    return found ? static_cast<const char *>(found) - haystack : -1;
}

#if defined(PAGEWELL_WIDE_SEARCH)
__attribute__((target("avx2"))) qsizetype wideFind(const char *haystack, qsizetype size,
                                                   const char *needle, qsizetype length)
{
    const __m256i first = _mm256_set1_epi8(needle[0]);
    const __m256i last = _mm256_set1_epi8(needle[length - 1]);
    qsizetype at = 0;
    for (; at + length - 1 + 32 <= size; at += 32) {
        const __m256i starts = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(haystack + at));
        const __m256i ends =
            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(haystack + at + length - 1));
        auto places = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(starts, first), _mm256_cmpeq_epi8(ends, last))));
        while (places) {
            const int k = __builtin_ctz(places);
            if (std::memcmp(haystack + at + k, needle, size_t(length)) == 0)
                return at + k;
            places &= places - 1;
        }
    }
    const qsizetype rest = narrowFind(haystack + at, size - at, needle, length);
    return rest < 0 ? -1 : at + rest;
}
#endif

} // namespace

qsizetype ByteSearch::find(QByteArrayView haystack, QByteArrayView needle)
{
    if (needle.isEmpty())
        return 0;
    if (haystack.size() < needle.size())
        return -1;
#if defined(PAGEWELL_WIDE_SEARCH)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide && wideAllowed.load(std::memory_order_relaxed))
        return wideFind(haystack.data(), haystack.size(), needle.data(), needle.size());
#endif
    return narrowFind(haystack.data(), haystack.size(), needle.data(), needle.size());
}

void ByteSearch::allowWideInstructions(bool allowed)
{
    wideAllowed = allowed;
}
