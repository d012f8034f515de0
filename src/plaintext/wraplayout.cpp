#include "wraplayout.h"

#include "plaintext/textbuffer.h"

#include <QFontMetricsF>
#include <QTextOption>

#include <algorithm>

WrapLayout::WrapLayout(const TextBuffer &buffer) : m_buffer(buffer), m_cache(4 * 1024 * 1024)
{
}

void WrapLayout::setFont(const QFont &font)
{
    if (font == m_font)
        return;
    m_font = font;
    invalidate();
}

void WrapLayout::setWidth(qreal width)
{
    width = std::max<qreal>(width, 1);
    if (width == m_width)
        return;
    m_width = width;
    invalidate();
}

void WrapLayout::invalidate()
{
    m_cache.clear();
}

qsizetype WrapLayout::cut(qsizetype lineStart, qsizetype lineEnd, qsizetype index) const
{
    if (index <= 0)
        return lineStart;
    const qsizetype at = lineStart + index * pieceLength;
    if (at >= lineEnd)
        return lineEnd;
    // Cut after a blank near the place, so that words are not broken at a piece's edge.
    const QString before = m_buffer.mid(at - cutLookBack, cutLookBack);
    for (qsizetype i = before.size() - 1; i >= 0; --i) {
        if (before.at(i) == u' ' || before.at(i) == u'\t')
            return at - cutLookBack + i + 1;
    }
    if (before.back().isHighSurrogate())
        return at - 1;
    return at;
}

WrapLayout::Piece WrapLayout::pieceAt(qsizetype position) const
{
    position = std::clamp<qsizetype>(position, 0, m_buffer.length());
    const qsizetype line = m_buffer.lineOf(position);
    const qsizetype start = m_buffer.lineStart(line);
    const qsizetype end = m_buffer.lineEnd(line);
    if (end - start <= pieceLength)
        return {start, end, end};
    qsizetype i = (position - start) / pieceLength;
    qsizetype from = cut(start, end, i);
    qsizetype to = cut(start, end, i + 1);
    while (i > 0 && (position < from || from == end)) {
        --i;
        to = from;
        from = cut(start, end, i);
    }
    while (position >= to && to < end) {
        ++i;
        from = to;
        to = cut(start, end, i + 1);
    }
    return {from, to, end};
}

std::optional<WrapLayout::Piece> WrapLayout::nextPiece(const Piece &piece) const
{
    if (piece.end < piece.lineEnd)
        return pieceAt(piece.end);
    if (piece.lineEnd >= m_buffer.length())
        return std::nullopt;
    return pieceAt(piece.lineEnd + 1);
}

std::optional<WrapLayout::Piece> WrapLayout::previousPiece(const Piece &piece) const
{
    if (piece.start == 0)
        return std::nullopt;
    // The position before the start is in the previous piece of the line, or is the previous
    // line's break, whose line ends with the piece wanted.
    return pieceAt(piece.start - 1);
}

const QTextLayout &WrapLayout::layout(const Piece &piece)
{
    if (QTextLayout *cached = m_cache.object(piece.start);
        cached && cached->text().size() == piece.end - piece.start)
        return *cached;
    QString text = m_buffer.mid(piece.start, piece.end - piece.start);
    // Lines end at '\n' only: the layout would start a new row at these separators, which are
    // ordinary characters of the text here, so they are shown as blanks.
    for (QChar &c : text) {
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    auto *layout = new QTextLayout(text, m_font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    qreal y = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(m_width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    const qsizetype cost = 1 + (piece.end - piece.start) * 64;
    m_cache.insert(piece.start, layout, std::min<qsizetype>(cost, m_cache.maxCost()));
    return *layout;
}

WrapLayout::Row WrapLayout::rowAt(qsizetype position)
{
    const Piece piece = pieceAt(position);
    const QTextLayout &l = layout(piece);
    const qsizetype local =
        std::clamp<qsizetype>(position - piece.start, 0, piece.end - piece.start);
    int line = 0;
    for (int i = l.lineCount() - 1; i > 0; --i) {
        if (l.lineAt(i).textStart() <= local) {
            line = i;
            break;
        }
    }
    return {piece, line};
}

std::optional<WrapLayout::Row> WrapLayout::nextRow(const Row &row)
{
    if (row.line + 1 < layout(row.piece).lineCount())
        return Row{row.piece, row.line + 1};
    const std::optional<Piece> next = nextPiece(row.piece);
    if (!next)
        return std::nullopt;
    return Row{*next, 0};
}

std::optional<WrapLayout::Row> WrapLayout::previousRow(const Row &row)
{
    if (row.line > 0)
        return Row{row.piece, row.line - 1};
    const std::optional<Piece> previous = previousPiece(row.piece);
    if (!previous)
        return std::nullopt;
    return Row{*previous, std::max(0, layout(*previous).lineCount() - 1)};
}

qsizetype WrapLayout::rowStart(const Row &row)
{
    const QTextLayout &l = layout(row.piece);
    if (row.line >= l.lineCount())
        return row.piece.start;
    return row.piece.start + l.lineAt(row.line).textStart();
}

qsizetype WrapLayout::rowEnd(const Row &row)
{
    const QTextLayout &l = layout(row.piece);
    if (row.line + 1 >= l.lineCount())
        return row.piece.end;
    return row.piece.start + l.lineAt(row.line + 1).textStart();
}

qreal WrapLayout::rowHeight(const Row &row)
{
    const QTextLayout &l = layout(row.piece);
    if (row.line >= l.lineCount())
        return QFontMetricsF(m_font).lineSpacing();
    return l.lineAt(row.line).height();
}

bool WrapLayout::isLastRowOfPiece(const Row &row)
{
    return row.line + 1 >= layout(row.piece).lineCount();
}

qsizetype WrapLayout::positionInRow(const Row &row, qreal x)
{
    const QTextLayout &l = layout(row.piece);
    if (row.line >= l.lineCount())
        return row.piece.start;
    const QTextLine line = l.lineAt(row.line);
    // Text positions are measured in fixed point: a far x is brought near the row first.
    x = std::clamp<qreal>(x, -1, line.naturalTextWidth() + 1);
    qsizetype position = row.piece.start + line.xToCursor(x);
    const bool wraps = row.line + 1 < l.lineCount() || !row.piece.endsLine();
    const qsizetype end = rowEnd(row);
    if (wraps && position >= end && end > rowStart(row))
        position = end - 1;
    return position;
}

qreal WrapLayout::xOf(qsizetype position)
{
    const Row row = rowAt(position);
    const QTextLayout &l = layout(row.piece);
    if (row.line >= l.lineCount())
        return 0;
    return l.lineAt(row.line).cursorToX(int(position - row.piece.start));
}
