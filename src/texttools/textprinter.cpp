// SPDX-License-Identifier: GPL-3.0-or-later
#include "textprinter.h"

#include "texttools/printlayout.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

QFont TextPrinter::font()
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(10);
    return fixed;
}

bool TextPrinter::print(QPagedPaintDevice &device, const QString &text, QString *error,
                        int firstPage, int lastPage, const Going &going,
                        const std::function<void()> &abort)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error)
            *error = QStringLiteral("The printer could not start a document.");
        return false;
    }
    const QFont printed = font();
    painter.setFont(printed);
    const QFontMetricsF metrics(printed, &device);
    const qreal lineHeight = metrics.lineSpacing();
    const int linesPerPage = qMax(1, int(device.height() / lineHeight));
    const auto width = [&metrics](QStringView piece) {
        return piece.size() == 1 ? metrics.horizontalAdvance(piece.front())
                                 : metrics.horizontalAdvance(piece.toString());
    };
    const QList<QStringList> pages = PrintLayout::pages(text, device.width(), linesPerPage, width);
    const qsizetype first = std::max(firstPage, 1) - 1;
    const qsizetype last =
        lastPage > 0 ? std::min<qsizetype>(lastPage, pages.size()) : pages.size();
    for (qsizetype page = first; page < last; ++page) {
        if (going && !going(int(page - first), int(last - first))) {
            if (abort)
                abort();
            painter.end();
            if (error)
                *error = QStringLiteral("The printing was cancelled.");
            return false;
        }
        if (page > first && !device.newPage()) {
            if (error)
                *error = QStringLiteral("The printer could not start a new page.");
            painter.end();
            return false;
        }
        qreal baseline = metrics.ascent();
        for (const QString &line : pages[page]) {
            painter.drawText(QPointF(0, baseline), line);
            baseline += lineHeight;
        }
    }
    if (!painter.end()) {
        if (error)
            *error = QStringLiteral("The printer could not finish the document.");
        return false;
    }
    return true;
}
