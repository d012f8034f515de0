#include "textprinter.h"

#include "texttools/printlayout.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

QFont TextPrinter::font()
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(10);
    return fixed;
}

bool TextPrinter::print(QPagedPaintDevice &device, const QString &text, QString *error)
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
    for (qsizetype page = 0; page < pages.size(); ++page) {
        if (page > 0 && !device.newPage()) {
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
