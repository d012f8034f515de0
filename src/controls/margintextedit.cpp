// SPDX-License-Identifier: GPL-3.0-or-later
#include "margintextedit.h"

#include "rtf/rtfdecorations.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

void MarginTextEdit::paintEvent(QPaintEvent *event)
{
    const QTextDocument &doc = *document();
    if (!RtfDecorations::any(doc)) {
        QTextEdit::paintEvent(event);
        return;
    }
    const int x = isRightToLeft()
                      ? horizontalScrollBar()->maximum() - horizontalScrollBar()->value()
                      : horizontalScrollBar()->value();
    const QPointF offset(x, verticalScrollBar()->value());
    const QRectF clip = QRectF(event->rect()).translated(offset);
    {
        QPainter painter(viewport());
        painter.translate(-offset);
        RtfDecorations::paintBelowText(painter, doc, clip);
    }
    QTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.translate(-offset);
    RtfDecorations::paintAboveText(painter, doc, clip, palette().text().color());
}
