// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextEdit>

// The pane's rich editor, with its viewport margins within the pane's reach. It also paints
// what Qt does not draw of an RTF document's formats (RtfDecorations: highlights, double
// underlines, tab leaders, paragraph shading and borders) around Qt's own painting.
class MarginTextEdit : public QTextEdit
{
public:
    using QAbstractScrollArea::setViewportMargins;
    using QTextEdit::QTextEdit;

protected:
    void paintEvent(QPaintEvent *event) override;
};
