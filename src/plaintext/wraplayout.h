#pragma once

#include <QCache>
#include <QFont>
#include <QTextLayout>

#include <optional>

class TextBuffer;

// Lays out a TextBuffer's lines wrapped to a width, only where asked: each line is cut into
// pieces of at most a few thousand characters (at a blank near the cut when there is one), and
// a piece is laid out with QTextLayout when it is first needed and kept in a small cache. So a
// line of megabytes costs what the part on screen costs, and nothing before or after it is
// ever measured. A row is one wrapped line of a piece.
class WrapLayout
{
public:
    explicit WrapLayout(const TextBuffer &buffer);

    void setFont(const QFont &font);
    const QFont &font() const { return m_font; }
    // Width of the text area in pixels; rows are wrapped to it.
    void setWidth(qreal width);
    qreal width() const { return m_width; }
    // Forgets every layout: call when the text changed.
    void invalidate();

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
    qreal xOf(qsizetype position); // horizontal place of the caret at position

    static constexpr qsizetype pieceLength = 4096;
    static constexpr qsizetype cutLookBack = 256; // how far before a cut a blank is looked for

private:
    qsizetype cut(qsizetype lineStart, qsizetype lineEnd, qsizetype index) const;

    const TextBuffer &m_buffer;
    QFont m_font;
    qreal m_width = 200;
    QCache<qsizetype, QTextLayout> m_cache;
};
