// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>

template <typename T> class RtfInternPool;

// A value held once by a parser's pool (RtfInternPool) and shared by every group state that has
// it: copying the state at each { copies a pointer, and equal values have equal pointers. Valid
// while the parser that made it lives; a sink reads it during the parse.
template <typename T> class RtfInterned
{
public:
    RtfInterned() = default;

    bool isEmpty() const { return !m_value; }
    const T &operator*() const { return m_value ? *m_value : empty(); }
    const T *operator->() const { return &**this; }
    bool operator==(const RtfInterned &) const = default;
    friend size_t qHash(const RtfInterned &value, size_t seed = 0)
    {
        return qHash(quintptr(value.m_value), seed);
    }

private:
    friend class RtfInternPool<T>;
    explicit RtfInterned(const T *value) : m_value(value) {}
    static const T &empty()
    {
        static const T value;
        return value;
    }

    const T *m_value = nullptr; // nullptr for the empty value
};
