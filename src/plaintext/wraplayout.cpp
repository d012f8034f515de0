// SPDX-License-Identifier: GPL-3.0-or-later
#include "wraplayout.h"

#include "plaintext/textbuffer.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextOption>

#include <algorithm>
#include <cmath>

WrapLayout::WrapLayout(const TextBuffer &buffer) : m_buffer(buffer), m_cache(4 * 1024 * 1024)
{
    m_unkernedFont.setKerning(false);
}

void WrapLayout::setFont(const QFont &font)
{
    if (font == m_font)
        return;
    m_font = font;
    // Unwrapped pieces are placed by the sum of their characters' advances, which knows no
    // kerning: without it, a laid-out piece is as wide as that sum says.
    m_unkernedFont = font;
    m_unkernedFont.setKerning(false);
    m_advances.clear();
    m_wideAdvances.clear();
    invalidate();
}

void WrapLayout::setWidth(qreal width)
{
    width = std::max<qreal>(width, 1);
    if (width == m_width)
        return;
    m_width = width;
    // Rows that do not wrap do not depend on the width.
    if (m_wrapping)
        invalidate();
}

void WrapLayout::setWrapping(bool wrapping)
{
    if (wrapping == m_wrapping)
        return;
    m_wrapping = wrapping;
    invalidate();
}

void WrapLayout::invalidate()
{
    m_cache.clear();
    m_measures.clear();
}

void WrapLayout::textChanged(qsizetype position, qsizetype removed, qsizetype added)
{
    m_cache.clear();
    const qsizetype delta = added - removed;
    std::vector<LineMeasure> kept;
    kept.reserve(m_measures.size());
    for (LineMeasure &measure : m_measures) {
        const qsizetype start = measure.pieces.front().start;
        const qsizetype oldEnd = measure.pieces.front().lineEnd;
        if (position < start) {
            // Before the line: it moves, unchanged, unless its line break went.
            if (position + removed >= start)
                continue;
            for (Piece &piece : measure.pieces) {
                piece.start += delta;
                piece.end += delta;
                piece.lineEnd += delta;
            }
        } else if (position <= oldEnd) {
            // In the line: the pieces whose places and cuts lie wholly before the change stay.
            std::size_t count = 0;
            while (count < measure.pieces.size() && measure.pieces[count].end < oldEnd &&
                   start + qsizetype(count + 1) * pieceLength < position)
                ++count;
            if (count == 0)
                continue;
            measure.pieces.resize(count);
            measure.xs.resize(count);
            measure.width = -1;
            const qsizetype newEnd = m_buffer.lineEnd(m_buffer.lineOf(start));
            for (Piece &piece : measure.pieces)
                piece.lineEnd = newEnd;
        }
        kept.push_back(std::move(measure));
    }
    m_measures = std::move(kept);
}

static_assert(WrapLayout::cutLookBack < WrapLayout::pieceLength);

namespace {

// Characters that never join a neighbour into one character as the user sees it: no marks or
// joiners, no Hangul, no halves of surrogate pairs, nothing that joins what follows it. Between
// two of them a line may be cut without asking Unicode's rules, which cost far more than a cut
// is worth in a line of ideographs, where there is no blank to cut at.
bool standsAlone(char16_t c)
{
    return (c >= 0x21 && c <= 0x7e) || (c >= 0xa1 && c <= 0x24f)           // Latin
           || (c >= 0x3001 && c <= 0x3002) || (c >= 0x300c && c <= 0x300f) // 、。「」『』
           || (c >= 0x3041 && c <= 0x3096)                                 // hiragana
           || (c >= 0x30a1 && c <= 0x30ff)                                 // katakana
           || (c >= 0x3400 && c <= 0x4dbf) || (c >= 0x4e00 && c <= 0x9fff) // ideographs
           || (c >= 0xff01 && c <= 0xff5e);                                // full-width Latin
}

} // namespace

qsizetype WrapLayout::cut(qsizetype lineStart, qsizetype lineEnd, qsizetype index) const
{
    if (index <= 0)
        return lineStart;
    const qsizetype at = lineStart + index * pieceLength;
    if (at >= lineEnd)
        return lineEnd;
    // Cut after a blank near the place, so that words are not broken at a piece's edge.
    // The look-back, and the whole character after the place (a pair of surrogates is two).
    const QString around = m_buffer.mid(at - cutLookBack, cutLookBack + 2);
    for (qsizetype i = cutLookBack - 1; i >= 0; --i) {
        if (around.at(i) == u' ' || around.at(i) == u'\t')
            return at - cutLookBack + i + 1;
    }
    // Else between two characters as the user sees them, so that a letter keeps its marks; a
    // cluster longer than the look-back (a storm of marks) is cut where it has to be, never
    // inside a surrogate pair.
    if (standsAlone(around.at(cutLookBack - 1).unicode()) &&
        standsAlone(around.at(cutLookBack).unicode()))
        return at;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, around);
    graphemes.setPosition(cutLookBack);
    if (graphemes.isAtBoundary())
        return at;
    if (const qsizetype boundary = graphemes.toPreviousBoundary(); boundary > 0)
        return at - cutLookBack + boundary;
    if (around.at(cutLookBack - 1).isHighSurrogate())
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
    auto *layout = new QTextLayout(text, m_wrapping ? m_font : m_unkernedFont);
    QTextOption option;
    option.setWrapMode(m_wrapping ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
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

WrapLayout::Piece WrapLayout::followingPiece(const Piece &piece, qsizetype lineStart) const
{
    // A piece ends at the cut it was given or at most a look-back before it, so its end tells
    // which cut it is: the next piece needs only the one after.
    const qsizetype index = (piece.end - lineStart + pieceLength - 1) / pieceLength;
    return {piece.end, cut(lineStart, piece.lineEnd, index + 1), piece.lineEnd};
}

WrapLayout::Piece WrapLayout::firstPieceOfLine(qsizetype position) const
{
    return pieceAt(m_buffer.lineStart(m_buffer.lineOf(position)));
}

WrapLayout::Row WrapLayout::rowAt(qsizetype position)
{
    // Without wrapping a row is known by its line's first piece.
    if (!m_wrapping)
        return {firstPieceOfLine(position), 0};
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
    if (!m_wrapping) {
        if (row.piece.lineEnd >= m_buffer.length())
            return std::nullopt;
        return Row{pieceAt(row.piece.lineEnd + 1), 0};
    }
    if (row.line + 1 < layout(row.piece).lineCount())
        return Row{row.piece, row.line + 1};
    const std::optional<Piece> next = nextPiece(row.piece);
    if (!next)
        return std::nullopt;
    return Row{*next, 0};
}

std::optional<WrapLayout::Row> WrapLayout::previousRow(const Row &row)
{
    if (!m_wrapping) {
        if (row.piece.start == 0)
            return std::nullopt;
        return Row{firstPieceOfLine(row.piece.start - 1), 0};
    }
    if (row.line > 0)
        return Row{row.piece, row.line - 1};
    const std::optional<Piece> previous = previousPiece(row.piece);
    if (!previous)
        return std::nullopt;
    return Row{*previous, std::max(0, layout(*previous).lineCount() - 1)};
}

qsizetype WrapLayout::rowStart(const Row &row)
{
    if (!m_wrapping)
        return row.piece.start;
    const QTextLayout &l = layout(row.piece);
    if (row.line >= l.lineCount())
        return row.piece.start;
    return row.piece.start + l.lineAt(row.line).textStart();
}

qsizetype WrapLayout::rowEnd(const Row &row)
{
    if (!m_wrapping)
        return row.piece.lineEnd;
    const QTextLayout &l = layout(row.piece);
    if (row.line + 1 >= l.lineCount())
        return row.piece.end;
    return row.piece.start + l.lineAt(row.line + 1).textStart();
}

qreal WrapLayout::rowHeight(const Row &row)
{
    // Rows that do not wrap are all of one height, whatever pieces of them are shown.
    if (!m_wrapping)
        return QFontMetricsF(m_font).height();
    const QTextLayout &l = layout(row.piece);
    if (row.line >= l.lineCount())
        return QFontMetricsF(m_font).lineSpacing();
    return l.lineAt(row.line).height();
}

bool WrapLayout::isLastRowOfPiece(const Row &row)
{
    if (!m_wrapping)
        return true;
    return row.line + 1 >= layout(row.piece).lineCount();
}

qsizetype WrapLayout::positionInRow(const Row &row, qreal x)
{
    if (!m_wrapping) {
        const Piece piece = pieceAtX(row, x);
        const QTextLayout &l = layout(piece);
        if (l.lineCount() == 0)
            return piece.start;
        const QTextLine line = l.lineAt(0);
        const qreal local = std::clamp<qreal>(x - pieceX(piece), -1, line.horizontalAdvance() + 1);
        return piece.start + line.xToCursor(local);
    }
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
    if (!m_wrapping) {
        const Piece piece = pieceAt(position);
        const QTextLayout &l = layout(piece);
        if (l.lineCount() == 0)
            return pieceX(piece);
        return pieceX(piece) + l.lineAt(0).cursorToX(int(position - piece.start));
    }
    const Row row = rowAt(position);
    const QTextLayout &l = layout(row.piece);
    if (row.line >= l.lineCount())
        return 0;
    return l.lineAt(row.line).cursorToX(int(position - row.piece.start));
}

// --- lines that do not wrap --------------------------------------------------------------------

WrapLayout::LineMeasure &WrapLayout::measureOf(const Piece &first)
{
    for (auto it = m_measures.begin(); it != m_measures.end(); ++it) {
        if (it->pieces.front().start == first.start) {
            std::rotate(it, it + 1, m_measures.end());
            return m_measures.back();
        }
    }
    if (m_measures.size() >= measuredLinesKept)
        m_measures.erase(m_measures.begin());
    LineMeasure measure;
    measure.pieces.push_back(first);
    measure.xs.push_back(0);
    m_measures.push_back(std::move(measure));
    return m_measures.back();
}

template <typename Done> void WrapLayout::measureUntil(LineMeasure &measure, Done done)
{
    const qsizetype lineStart = measure.pieces.front().start;
    while (measure.width < 0 && !done(measure.pieces.back(), measure.xs.back())) {
        const Piece last = measure.pieces.back();
        if (!last.endsLine() && last.start - lineStart >= summedAtMost)
            break; // the rest of the line is placed by the average
        const qreal next = measure.xs.back() + estimatedWidth(last);
        if (last.endsLine()) {
            measure.width = next;
            break;
        }
        measure.pieces.push_back(followingPiece(last, lineStart));
        measure.xs.push_back(next);
    }
}

bool WrapLayout::isAveraged(const LineMeasure &measure, qsizetype position)
{
    const Piece &last = measure.pieces.back();
    return measure.width < 0 && position > last.start &&
           last.start - measure.pieces.front().start >= summedAtMost;
}

qreal WrapLayout::averagedX(const LineMeasure &measure, qsizetype position)
{
    const Piece &last = measure.pieces.back();
    const qsizetype summed = last.start - measure.pieces.front().start;
    const qreal average = std::max(measure.xs.back() / qreal(summed), 1 / 64.0);
    return measure.xs.back() + qreal(position - last.start) * average;
}

qreal WrapLayout::pieceX(const Piece &piece)
{
    if (m_wrapping)
        return 0;
    const qsizetype lineStart = m_buffer.lineStart(m_buffer.lineOf(piece.start));
    if (piece.start == lineStart)
        return 0;
    LineMeasure &measure = measureOf(pieceAt(lineStart));
    measureUntil(measure, [&piece](const Piece &last, qreal) { return last.start >= piece.start; });
    if (isAveraged(measure, piece.start))
        return averagedX(measure, piece.start);
    const auto it =
        std::upper_bound(measure.pieces.begin(), measure.pieces.end(), piece.start,
                         [](qsizetype start, const Piece &p) { return start < p.start; });
    return measure.xs[std::max<std::ptrdiff_t>(0, (it - measure.pieces.begin()) - 1)];
}

WrapLayout::Piece WrapLayout::pieceAtX(const Row &row, qreal x)
{
    if (m_wrapping || row.piece.endsLine())
        return row.piece;
    LineMeasure &measure = measureOf(row.piece);
    measureUntil(measure, [x](const Piece &, qreal start) { return start > x; });
    if (measure.width < 0 && measure.xs.back() <= x &&
        isAveraged(measure, measure.pieces.back().start + 1)) {
        // Far into a line longer than is summed: the piece the average puts there, or a
        // neighbour of it.
        const Piece &last = measure.pieces.back();
        const qreal average =
            std::max(measure.xs.back() / qreal(last.start - row.piece.start), 1 / 64.0);
        const qreal guess = last.start + (x - measure.xs.back()) / average;
        Piece piece = pieceAt(qsizetype(std::clamp<qreal>(guess, last.start, last.lineEnd)));
        while (piece.start > last.start && averagedX(measure, piece.start) > x)
            piece = pieceAt(piece.start - 1);
        while (!piece.endsLine() && averagedX(measure, piece.end) <= x)
            piece = pieceAt(piece.end);
        return piece;
    }
    const auto it = std::upper_bound(measure.xs.begin(), measure.xs.end(), x);
    return measure.pieces[std::max<std::ptrdiff_t>(0, (it - measure.xs.begin()) - 1)];
}

qreal WrapLayout::lineWidth(const Row &row)
{
    if (row.piece.endsLine()) {
        const QTextLayout &l = layout(row.piece);
        return l.lineCount() > 0 ? l.lineAt(0).horizontalAdvance() : 0;
    }
    LineMeasure &measure = measureOf(row.piece);
    measureUntil(measure, [](const Piece &, qreal) { return false; });
    // Ends where the caret after its last character is shown.
    const Piece last = measure.width < 0 ? pieceAt(row.piece.lineEnd) : measure.pieces.back();
    const QTextLayout &laid = layout(last);
    return pieceX(last) + (laid.lineCount() > 0 ? laid.lineAt(0).horizontalAdvance() : 0);
}

qreal WrapLayout::estimatedWidth(const Piece &piece)
{
    // A line of megabytes is measured whole for the scroll bar, so the common character costs
    // one look-up and an integer sum (in 64ths of a pixel, as the layout counts); tabs and
    // surrogates are never in the table and take the slower way.
    if (m_advances.empty())
        m_advances.assign(0x10000, -1);
    const qint32 *const table = m_advances.data();
    const QString text = m_buffer.mid(piece.start, piece.end - piece.start);
    const auto *c = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = c + text.size();
    constexpr qint64 tabStop = 80 * 64; // the layout's own tab distance
    qint64 x = 0;
    while (c < end) {
        qint64 run = 0;
        for (; c < end; ++c) {
            const qint32 known = table[*c];
            if (known < 0)
                break;
            run += known;
        }
        x += run;
        if (c == end)
            break;
        if (*c == u'\t') {
            x = (x / tabStop + 1) * tabStop;
        } else if (QChar::isHighSurrogate(*c) && c + 1 < end && QChar::isLowSurrogate(c[1])) {
            x += advance(QChar::surrogateToUcs4(c[0], c[1]));
            ++c;
        } else {
            x += advance(*c);
        }
        ++c;
    }
    return x / 64.0;
}

qint32 WrapLayout::advance(char32_t c)
{
    const QFontMetricsF metrics(m_unkernedFont);
    const auto fixed = [](qreal width) {
        return qint32(std::lround(width * 64));
    };
    if (c < 0x10000 && !QChar::isSurrogate(c)) {
        // Line and paragraph separators are shown as blanks, as the layout shows them.
        const bool separator = c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
        m_advances[c] = fixed(metrics.horizontalAdvance(separator ? QChar(u' ') : QChar(c)));
        return m_advances[c];
    }
    // Characters past the first plane, and lone halves of pairs, which the table never holds.
    if (const auto it = m_wideAdvances.constFind(c); it != m_wideAdvances.constEnd())
        return *it;
    const qint32 width = fixed(c < 0x10000 ? metrics.horizontalAdvance(QChar(c))
                                           : metrics.horizontalAdvance(QString::fromUcs4(&c, 1)));
    m_wideAdvances.insert(c, width);
    return width;
}
