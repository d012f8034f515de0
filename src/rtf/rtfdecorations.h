// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;
class QTextDocument;

// What the reader's documents ask for that Qt's layout does not draw as word processors do: a
// highlight only as high as its text (Qt would fill the whole line), a double underline (Qt
// draws one line; the second is added below it), tab leaders (Qt leaves the tab blank), and a
// paragraph's shading and borders. An editor showing such a document paints them around its
// own painting; painter and clip are in document coordinates.
namespace RtfDecorations {

// Whether the document has any: for others the calls below cost nothing.
bool any(const QTextDocument &document);
// The shading and highlights, before the text is drawn over them.
void paintBelowText(QPainter &painter, const QTextDocument &document, const QRectF &clip);
// The borders, leaders and second lines of double underlines, after the text; text is the
// colour of text without one of its own.
void paintAboveText(QPainter &painter, const QTextDocument &document, const QRectF &clip,
                    const QColor &text);

} // namespace RtfDecorations
