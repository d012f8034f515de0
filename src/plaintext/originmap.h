// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <vector>

// Which stretches of an edited text are still the text as it was read, and where each lay in it:
// the text as pieces in order, each either a stretch of the text read or text added by edits.
// A save copies the first kind from the file and encodes only the second.
class OriginMap
{
public:
    static constexpr qsizetype added = -1;
    struct Piece
    {
        qsizetype length = 0;
        qsizetype origin = added; // the piece's position in the text read, or added
        bool operator==(const Piece &) const = default;
    };

    OriginMap() = default;
    // A text of length characters, all as read.
    explicit OriginMap(qsizetype length);

    // At position, removed characters were replaced by inserted new ones.
    void replace(qsizetype position, qsizetype removed, qsizetype inserted);

    const std::vector<Piece> &pieces() const { return m_pieces; }
    qsizetype originalLength() const { return m_originalLength; }

private:
    // The index of the piece that starts at position, cutting the one it lies in.
    size_t cutAt(qsizetype position);

    std::vector<Piece> m_pieces;
    qsizetype m_originalLength = 0;
};
