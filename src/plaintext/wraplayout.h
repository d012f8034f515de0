// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCache>
#include <QFont>
#include <QHash>
#include <QTextLayout>

#include <optional>
#include <vector>

class TextBuffer;

// Lays out a TextBuffer's lines wrapped to a width, only where asked: each line is cut into
// pieces of some hundred characters (at a blank near the cut when there is one, else between two
// characters as the user sees them), and
// a piece is laid out with QTextLayout when it is first needed and kept in a small cache. So a
// line of megabytes costs what the part on screen costs, and nothing before or after it is
// ever measured. A row is one wrapped line of a piece.
//
// Without wrapping, a row is a whole line, as wide as the line is. A long line is still laid
// out piece by piece: each piece is placed at the sum of the widths of the characters before it
// (found from the characters' advances, without laying them out), so showing, clicking or
// typing far into a line of megabytes lays out only the pieces on screen.
class WrapLayout
{
public:
    explicit WrapLayout(const TextBuffer &buffer);

    void setFont(const QFont &font);
    const QFont &font() const { return m_font; }
    // Width of the text area in pixels; rows are wrapped to it.
    void setWidth(qreal width);
    qreal width() const { return m_width; }
    // Whether lines wrap to the width; without, each line is one row.
    void setWrapping(bool wrapping);
    bool wrapping() const { return m_wrapping; }
    // Forgets every layout and measure.
    void invalidate();
    // The text changed: at position, removed characters were replaced by added ones. What was
    // measured of the lines before the change is kept.
    void textChanged(qsizetype position, qsizetype removed, qsizetype added);

    struct Piece
    {
        qsizetype start = 0;
        qsizetype end = 0; // exclusive; never includes the line break
        qsizetype lineEnd = 0;
        bool operator==(const Piece &other) const
        {
            return start == other.start && end == other.end;
        }
        bool endsLine() const { return end == lineEnd; }
    };
    struct Row
    {
        Piece piece;
        int line = 0; // the row's index among the piece's wrapped lines
    };

    // The piece holding position; a position at a piece's end belongs to it only when the piece
    // ends its line (otherwise it is the start of the next piece).
    Piece pieceAt(qsizetype position) const;
    std::optional<Piece> nextPiece(const Piece &piece) const;
    std::optional<Piece> previousPiece(const Piece &piece) const;

    // The piece laid out; valid until the next call that lays out another piece.
    const QTextLayout &layout(const Piece &piece);

    Row rowAt(qsizetype position);
    std::optional<Row> nextRow(const Row &row);
    std::optional<Row> previousRow(const Row &row);
    qsizetype rowStart(const Row &row);
    qsizetype rowEnd(const Row &row); // the end of the row's characters, blanks included
    qreal rowHeight(const Row &row);
    bool isLastRowOfPiece(const Row &row);
    // The position in the row nearest to x (relative to the text area's left edge); on a row
    // that wraps, never the row's end, which is shown at the next row's start.
    qsizetype positionInRow(const Row &row, qreal x);
    // Horizontal place of the caret at position: within its row, or, without wrapping, within
    // its line.
    qreal xOf(qsizetype position);

    // Without wrapping: where a piece starts within its line, the piece of a row that holds x,
    // and the width of a row's whole line.
    qreal pieceX(const Piece &piece);
    Piece pieceAtX(const Row &row, qreal x);
    qreal lineWidth(const Row &row);

    // Short enough that no piece takes long to lay out, whatever it holds (a cluster of
    // thousands of marks, nested direction controls), long enough that a screen of ordinary
    // text takes a few.
    static constexpr qsizetype pieceLength = 512;
    static constexpr qsizetype cutLookBack = 128; // how far before a cut a blank is looked for
    // Without wrapping: what a row draws of its line at most.
    static constexpr qsizetype drawnPerRowAtMost = 16 * pieceLength;

    // Without wrapping: the measured lines that are kept.
    static constexpr int measuredLinesKept = 256;
    // Without wrapping: how far into a line pieces are placed by summing; beyond, by the average
    // width of the characters summed, so that no line, however long, costs more than a moment.
    static constexpr qsizetype summedAtMost = 16 << 20;

private:
    // The pieces of one long line with the x where each starts, measured from the line's start
    // as far as was needed; width is the whole line's once the last piece is measured.
    struct LineMeasure
    {
        std::vector<Piece> pieces;
        std::vector<qreal> xs;
        qreal width = -1;
    };

    qsizetype cut(qsizetype lineStart, qsizetype lineEnd, qsizetype index) const;
    Piece firstPieceOfLine(qsizetype position) const;
    // The piece after one that does not end its line: what pieceAt(piece.end) gives, for one cut
    // instead of two or three.
    Piece followingPiece(const Piece &piece, qsizetype lineStart) const;
    LineMeasure &measureOf(const Piece &first);
    // Measures further pieces until done() is true of the last one or the line ends.
    template <typename Done> void measureUntil(LineMeasure &measure, Done done);
    static bool isAveraged(const LineMeasure &measure, qsizetype position);
    static qreal averagedX(const LineMeasure &measure, qsizetype position);
    qreal estimatedWidth(const Piece &piece);
    qint32 advance(char32_t c); // in 64ths of a pixel

    const TextBuffer &m_buffer;
    QFont m_font;
    QFont m_unkernedFont;
    qreal m_width = 200;
    bool m_wrapping = true;
    QCache<qsizetype, QTextLayout> m_cache;
    std::vector<LineMeasure> m_measures; // the most recently used last
    std::vector<qint32> m_advances; // 64ths of a pixel for each BMP character, -1 until asked for
    QHash<char32_t, qint32> m_wideAdvances;
};
