// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfdecorations.h"

#include "rtf/rtfproperties.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

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

// Calls paint(format, font metrics, left, right, baseline) for each line piece of text with the
// wanted decoration in the clip.
template <typename Paint>
void forEachPiece(const QTextDocument &document, const QRectF &clip, bool below, Paint paint)
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
