// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfinterned.h"

#include <QHash>

#include <deque>
#include <optional>

// The values of one parse that group states share (kept words, tab stops), each held once. The
// pool keeps what it holds within a budget: a file that makes ever new values (a word repeated
// with every number) gets no more of them past it.
template <typename T> class RtfInternPool
{
public:
    static constexpr qsizetype MaxBytes = 16 * 1024 * 1024;

    // The handle of value (an empty one for an empty value); none when the pool is full and
    // does not hold it yet.
    std::optional<RtfInterned<T>> intern(const T &value)
    {
        if (value.isEmpty())
            return RtfInterned<T>();
        if (const auto it = m_index.constFind(value); it != m_index.constEnd())
            return RtfInterned<T>(it.value());
        const qsizetype cost = kEntryCost + value.size() * qsizetype(sizeof(value.at(0)));
        if (m_bytes + cost > MaxBytes) {
            m_refused = true;
            return std::nullopt;
        }
        m_bytes += cost;
        const T *held = &m_values.emplace_back(value);
        m_index.insert(*held, held);
        return RtfInterned<T>(held);
    }

    // Changes the value a handle stands for by edit(T &); past the budget it stays as it was.
    template <typename Edit> void change(RtfInterned<T> &handle, Edit &&edit)
    {
        T value = *handle;
        edit(value);
        if (const std::optional<RtfInterned<T>> changed = intern(value))
            handle = *changed;
    }

    void clear()
    {
        m_index.clear();
        m_values.clear();
        m_bytes = 0;
        m_refused = false;
    }

    // Whether a value was refused for want of budget since the last clear().
    bool refusedAny() const { return m_refused; }

private:
    static constexpr qsizetype kEntryCost = 96; // the value, its heap block and index entry

    std::deque<T> m_values; // elements never move, so handles stay valid
    QHash<T, const T *> m_index;
    qsizetype m_bytes = 0;
    bool m_refused = false;
};
