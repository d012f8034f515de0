// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfdecorations.h"

#include "rtf/rtfboxwords.h"
#include "rtf/rtfparagraphformat.h"
#include "rtf/rtfproperties.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <cmath>

namespace {

// Blocks looked at per paint: a screen holds far fewer, and a huge table cannot stall it.
constexpr int kMaxBlocks = 4000;

bool decorated(const QTextCharFormat &format, bool below)
{
    if (below)
        return format.hasProperty(RtfProperty::Highlight);
    return format.boolProperty(RtfProperty::DoubleUnderline) &&
           format.underlineStyle() == QTextCharFormat::SingleUnderline;
}

// Calls visit(block, its bounding rectangle) for each block that may reach into the clip.
template <typename Visit>
void forEachBlock(const QTextDocument &document, const QRectF &clip, Visit visit)
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    const int first = layout->hitTest(clip.topLeft(), Qt::FuzzyHit);
    QTextBlock block = document.findBlock(std::max(first, 0));
    for (int blocks = 0; block.isValid() && blocks < kMaxBlocks; block = block.next(), ++blocks) {
        const QRectF rect = layout->blockBoundingRect(block);
        if (rect.top() > clip.bottom()) {
            // Cells of a table row lie side by side: only outside tables is this the end.
            if (!QTextCursor(block).currentTable())
                break;
            continue;
        }
        if (rect.bottom() < clip.top())
            continue;
        visit(block, rect);
    }
}

// Calls paint(format, font metrics, left, right, baseline) for each line piece of text with the
// wanted decoration in the clip.
template <typename Paint>
void forEachPiece(const QTextDocument &document, const QRectF &clip, bool below, Paint paint)
{
    forEachBlock(document, clip, [&](const QTextBlock &block, const QRectF &rect) {
        const QTextLayout *text = block.layout();
        const QString blockText = block.text();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!decorated(format, below) || format.isImageFormat())
                continue;
            const QFontMetricsF metrics(format.font().resolve(document.defaultFont()));
            const int start = fragment.position() - block.position();
            const int end = start + fragment.length();
            for (int i = 0; i < text->lineCount(); ++i) {
                const QTextLine line = text->lineAt(i);
                const int from = std::max(start, line.textStart());
                int to = std::min(end, line.textStart() + line.textLength());
                // Qt draws nothing of the blanks where a line wraps.
                if (i + 1 < text->lineCount() && to == line.textStart() + line.textLength()) {
                    while (to > from && blockText.at(to - 1).isSpace())
                        --to;
                }
                if (from >= to)
                    continue;
                const qreal a = line.cursorToX(from);
                const qreal b = line.cursorToX(to);
                paint(format, metrics, rect.left() + std::min(a, b), rect.left() + std::max(a, b),
                      rect.top() + line.y() + line.ascent());
            }
        }
    });
}

// A paragraph's shading and borders enclose its lines between its indents, a little apart
// from the text.
QRectF boxRect(const QTextBlock &block, const QRectF &rect)
{
    const QTextLayout *text = block.layout();
    if (text->lineCount() == 0)
        return {};
    const QTextBlockFormat format = block.blockFormat();
    qreal right = 0;
    for (int i = 0; i < text->lineCount(); ++i)
        right = std::max(right, text->lineAt(i).x() + text->lineAt(i).width());
    const QTextLine first = text->lineAt(0);
    const QTextLine last = text->lineAt(text->lineCount() - 1);
    const qreal left = format.leftMargin() + std::min<qreal>(0, format.textIndent());
    return QRectF(QPointF(rect.left() + left - 2, rect.top() + first.y() - 1),
                  QPointF(rect.left() + right + 2, rect.top() + last.y() + last.height() + 1));
}

// Neighbouring paragraphs with the same box in the same text share it, as word processors
// draw them: one frame around both, the shading across the space between.
bool sameBox(const QTextBlock &a, const QTextBlock &b)
{
    if (!a.isValid() || !b.isValid())
        return false;
    const QTextBlockFormat x = a.blockFormat();
    const QTextBlockFormat y = b.blockFormat();
    if (x.property(RtfProperty::ParagraphShading) != y.property(RtfProperty::ParagraphShading) ||
        x.property(RtfProperty::ParagraphBorders) != y.property(RtfProperty::ParagraphBorders) ||
        x.leftMargin() != y.leftMargin() || x.rightMargin() != y.rightMargin())
        return false;
    const QTextCursor ca(a);
    const QTextCursor cb(b);
    QTextTable *table = ca.currentTable();
    if (table != cb.currentTable())
        return false;
    return !table || table->cellAt(a.position()) == table->cellAt(b.position());
}

void paintShading(QPainter &painter, const QTextDocument &document, const QTextBlock &block,
                  const QRectF &rect)
{
    const QTextBlockFormat format = block.blockFormat();
    if (!format.hasProperty(RtfProperty::ParagraphShading))
        return;
    QRectF box = boxRect(block, rect);
    if (box.isEmpty())
        return;
    const QTextBlock previous = block.previous();
    if (sameBox(previous, block)) {
        const QRectF above =
            boxRect(previous, document.documentLayout()->blockBoundingRect(previous));
        if (!above.isEmpty() && above.bottom() <= box.top())
            box.setTop(above.bottom());
    }
    painter.fillRect(box, format.colorProperty(RtfProperty::ParagraphShading));
}

void paintBorders(QPainter &painter, const QTextBlock &block, const QRectF &rect,
                  const QColor &text)
{
    const QVariantList sides = block.blockFormat().property(RtfProperty::ParagraphBorders).toList();
    if (sides.size() != 4)
        return;
    const QRectF box = boxRect(block, rect);
    if (box.isEmpty())
        return;
    const bool joinsAbove = sameBox(block.previous(), block);
    const bool joinsBelow = sameBox(block, block.next());
    const QPointF corners[] = {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()};
    // top, left, bottom, right: from corner to corner, and the way inwards.
    const struct
    {
        int from, to;
        QPointF inwards;
        bool shared;
    } edges[] = {{0, 1, {0, 1}, joinsAbove},
                 {3, 0, {1, 0}, false},
                 {2, 3, {0, -1}, joinsBelow},
                 {1, 2, {-1, 0}, false}};
    for (int s = 0; s < 4; ++s) {
        const QVariantList line = sides.at(s).toList();
        if (line.size() != 3 || edges[s].shared)
            continue;
        const qreal width = line.at(0).toDouble();
        QColor color = line.at(1).value<QColor>();
        if (!color.isValid())
            color = text;
        QPen pen(color, width, Qt::SolidLine, Qt::FlatCap);
        QPointF a = corners[edges[s].from];
        QPointF b = corners[edges[s].to];
        switch (line.at(2).toInt()) {
        case RtfBoxWords::Dotted:
            pen.setStyle(Qt::DotLine);
            break;
        case RtfBoxWords::Dashed:
            pen.setStyle(Qt::DashLine);
            break;
        case RtfBoxWords::Double: {
            // Two thin lines with a gap as wide between them.
            const qreal thin = std::max<qreal>(1, width / 3);
            pen.setWidthF(thin);
            painter.setPen(pen);
            const QPointF step = edges[s].inwards * (2 * thin);
            painter.drawLine(a, b);
            a += step;
            b += step;
            break;
        }
        default:
            break;
        }
        painter.setPen(pen);
        painter.drawLine(a, b);
    }
}

// The stop a tab starting x pixels into its line reaches: Qt takes the first stop past it.
const QTextOption::Tab *reachedStop(const QList<QTextOption::Tab> &stops, qreal x)
{
    for (const QTextOption::Tab &stop : stops) {
        if (stop.position > x + 0.01)
            return &stop;
    }
    return nullptr;
}

QChar leaderCharacter(int leader)
{
    switch (leader) {
    case RtfParagraphFormat::Dots:
        return u'.';
    case RtfParagraphFormat::Hyphens:
        return u'-';
    case RtfParagraphFormat::Equals:
        return u'=';
    case RtfParagraphFormat::MiddleDots:
        return QChar(0x00B7);
    default:
        return QChar(); // a line
    }
}

// The format of the character at that position in the block.
QTextCharFormat formatAt(const QTextBlock &block, int at)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = fragment.position() - block.position();
        if (start <= at && at < start + fragment.length())
            return fragment.charFormat();
    }
    return block.charFormat();
}

// Fills the blank a tab leaves up to a stop with a leader with its dots, hyphens or line, in
// the tab's font and colour.
void paintLeaders(QPainter &painter, const QTextDocument &document, const QTextBlock &block,
                  const QRectF &rect, const QRectF &clip, const QColor &text)
{
    const QTextBlockFormat format = block.blockFormat();
    const QVariantList leaders = format.property(RtfProperty::TabLeaders).toList();
    if (leaders.isEmpty())
        return;
    const QList<QTextOption::Tab> stops = format.tabPositions();
    // The stops' positions as the format gives them, from where the first line starts.
    const qreal lineStart = format.leftMargin() + format.textIndent();
    const QTextLayout *layout = block.layout();
    const QString blockText = block.text();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const qreal top = rect.top() + line.y();
        if (top > clip.bottom() || top + line.height() < clip.top())
            continue;
        const int end = std::min<int>(line.textStart() + line.textLength(), blockText.size());
        for (int at = line.textStart(); at < end; ++at) {
            if (blockText.at(at) != u'\t')
                continue;
            const qreal x0 = line.cursorToX(at);
            const qreal x1 = line.cursorToX(at + 1);
            const QTextOption::Tab *stop = reachedStop(
                stops, (format.layoutDirection() == Qt::RightToLeft ? line.x() + line.width() - x0
                                                                    : x0 - line.x()));
            if (!stop)
                continue;
            int leader = 0;
            for (const QVariant &l : leaders) {
                if (std::abs(l.toInt() / 8 / 15.0 - lineStart - stop->position) < 0.5)
                    leader = l.toInt() % 8;
            }
            if (leader == RtfParagraphFormat::NoLeader)
                continue;
            const QTextCharFormat charFormat = formatAt(block, at);
            const QFont font = charFormat.font().resolve(document.defaultFont());
            const QColor color = charFormat.hasProperty(QTextFormat::ForegroundBrush)
                                     ? charFormat.foreground().color()
                                     : text;
            const qreal left = rect.left() + std::min(x0, x1);
            const qreal right = rect.left() + std::max(x0, x1);
            const qreal baseline = top + line.ascent();
            const QFontMetricsF metrics(font);
            const QChar c = leaderCharacter(leader);
            if (c.isNull()) {
                const qreal width = std::max<qreal>(1, metrics.lineWidth()) *
                                    (leader == RtfParagraphFormat::ThickLine ? 2 : 1);
                const qreal y = baseline + std::ceil(metrics.underlinePos()) + 0.5;
                painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
                painter.drawLine(QPointF(left, y), QPointF(right, y));
                continue;
            }
            // On a grid from the paragraph's edge, so that leaders of lines one above another
            // line up; a space's width apart from the text on either side.
            const qreal step = metrics.horizontalAdvance(c);
            if (step <= 0)
                continue;
            const qreal gap = metrics.horizontalAdvance(u' ') / 2;
            const qreal first = rect.left() + std::ceil((left + gap - rect.left()) / step) * step;
            const int count = int((right - gap - first) / step);
            if (count <= 0)
                continue;
            painter.setFont(font);
            painter.setPen(color);
            painter.drawText(QPointF(first, baseline), QString(count, c));
        }
    }
}

} // namespace

bool RtfDecorations::any(const QTextDocument &document)
{
    return document.rootFrame()->frameFormat().boolProperty(RtfProperty::Decorated);
}

void RtfDecorations::paintBelowText(QPainter &painter, const QTextDocument &document,
                                    const QRectF &clip)
{
    if (!any(document))
        return;
    forEachBlock(document, clip, [&](const QTextBlock &block, const QRectF &rect) {
        paintShading(painter, document, block, rect);
    });
    forEachPiece(document, clip, true,
                 [&](const QTextCharFormat &format, const QFontMetricsF &metrics, qreal left,
                     qreal right, qreal baseline) {
                     // From the text's ascent to its descent, as word processors draw it.
                     painter.fillRect(QRectF(left, baseline - metrics.ascent(), right - left,
                                             metrics.ascent() + metrics.descent()),
                                      format.colorProperty(RtfProperty::Highlight));
                 });
}

void RtfDecorations::paintAboveText(QPainter &painter, const QTextDocument &document,
                                    const QRectF &clip, const QColor &text)
{
    if (!any(document))
        return;
    painter.save();
    forEachBlock(document, clip, [&](const QTextBlock &block, const QRectF &rect) {
        paintBorders(painter, block, rect, text);
        paintLeaders(painter, document, block, rect, clip, text);
    });
    forEachPiece(document, clip, false,
                 [&](const QTextCharFormat &format, const QFontMetricsF &metrics, qreal left,
                     qreal right, qreal baseline) {
                     QColor color = format.underlineColor();
                     if (!color.isValid())
                         color = format.hasProperty(QTextFormat::ForegroundBrush)
                                     ? format.foreground().color()
                                     : text;
                     // Qt draws the first line this far below the baseline; the second goes
                     // one line width further down, with a gap of a line width between.
                     const qreal width = std::max<qreal>(1, metrics.lineWidth());
                     const qreal y = baseline + std::ceil(metrics.underlinePos()) + 0.5 + 2 * width;
                     painter.setPen(QPen(color, width));
                     painter.drawLine(QPointF(std::floor(left), y), QPointF(std::floor(right), y));
                 });
    painter.restore();
}
