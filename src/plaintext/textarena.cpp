// SPDX-License-Identifier: GPL-3.0-or-later
#include "textarena.h"

#include <new>
#include <sys/mman.h>

namespace {
constexpr size_t largePage = size_t(2) << 20;
}

TextArena::TextArena(qsizetype capacity) : m_capacity(capacity)
{
    const size_t bytes = size_t(capacity) * sizeof(QChar);
    const bool large = bytes >= largePagesFrom;
    // A large arena starts on a large page's boundary, so that all of it can use them.
    m_mappedBytes = bytes + (large ? largePage : 0);
    void *mapping =
        ::mmap(nullptr, m_mappedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        throw std::bad_alloc();
    m_mapping = mapping;
    auto start = reinterpret_cast<quintptr>(mapping);
    if (large) {
        start = (start + largePage - 1) & ~quintptr(largePage - 1);
#ifdef MADV_HUGEPAGE
        // Only a hint: without large pages the arena works as well, a little slower to fill.
        ::madvise(reinterpret_cast<void *>(start), bytes, MADV_HUGEPAGE);
#endif
    }
    m_data = reinterpret_cast<QChar *>(start);
}

TextArena::~TextArena()
{
    ::munmap(m_mapping, m_mappedBytes);
}
