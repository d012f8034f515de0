// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QtGlobal>

// Fresh memory for the characters of a text being loaded, taken from the system in one piece
// and, when large, in 2 MiB pages where the system offers them: the text of a file of hundreds
// of megabytes is written into new memory, and with 4 KiB pages the page faults alone would
// take about as long as decoding it. The buffer's chunks refer into it and keep it alive.
class TextArena
{
public:
    // Room for capacity characters; throws std::bad_alloc when the system has none.
    explicit TextArena(qsizetype capacity);
    ~TextArena();
    TextArena(const TextArena &) = delete;
    TextArena &operator=(const TextArena &) = delete;

    QChar *data() const { return m_data; }
    qsizetype capacity() const { return m_capacity; }

    // From this size on an arena asks for large pages.
    static constexpr size_t largePagesFrom = size_t(4) << 20;

private:
    QChar *m_data = nullptr;
    qsizetype m_capacity = 0;
    void *m_mapping = nullptr;
    size_t m_mappedBytes = 0;
};
