// SPDX-License-Identifier: GPL-3.0-or-later
#include "originmap.h"

OriginMap::OriginMap(qsizetype length) : m_originalLength(length)
{
    if (length > 0)
        m_pieces.push_back({length, 0});
}

size_t OriginMap::cutAt(qsizetype position)
{
    qsizetype at = 0;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        if (at == position)
            return i;
        const Piece piece = m_pieces[i];
        if (position < at + piece.length) {
            const qsizetype head = position - at;
            m_pieces[i].length = head;
            m_pieces.insert(
                m_pieces.begin() + qsizetype(i) + 1,
                Piece{piece.length - head, piece.origin == added ? added : piece.origin + head});
            return i + 1;
        }
        at += piece.length;
    }
    return m_pieces.size();
}

void OriginMap::replace(qsizetype position, qsizetype removed, qsizetype inserted)
{
    if (removed <= 0 && inserted <= 0)
        return;
    const size_t first = cutAt(position);
    const size_t last = removed > 0 ? cutAt(position + removed) : first;
    m_pieces.erase(m_pieces.begin() + qsizetype(first), m_pieces.begin() + qsizetype(last));
    const auto isAdded = [this](size_t i) {
        return i < m_pieces.size() && m_pieces[i].origin == added;
    };
    size_t at = first;
    if (inserted > 0) {
        if (first > 0 && isAdded(first - 1)) {
            m_pieces[first - 1].length += inserted;
            at = first - 1;
        } else if (isAdded(first)) {
            m_pieces[first].length += inserted;
        } else {
            m_pieces.insert(m_pieces.begin() + qsizetype(first), Piece{inserted, added});
        }
    } else if (first > 0) {
        at = first - 1;
    }
    // Added text that came together where text between was removed is one piece.
    if (isAdded(at) && isAdded(at + 1)) {
        m_pieces[at].length += m_pieces[at + 1].length;
        m_pieces.erase(m_pieces.begin() + qsizetype(at) + 1);
    }
}
