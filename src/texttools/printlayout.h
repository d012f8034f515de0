// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <QList>
#include <QString>
#include <QStringList>

// Lays out a text for printing: the text and a line end, in a fixed font, lines too wide for
// the page wrapped (after a blank where the line has one), and the lines broken into pages.
class PrintLayout
{
public:
    // The width of a piece of text in the font it is printed in.
    using Width = std::function<qreal(QStringView)>;

    // Each page is a list of lines. Tabs become blanks up to the next multiple of eight columns.
    // A character outside the Basic Multilingual Plane is never split between two lines.
    static QList<QStringList> pages(const QString &text, qreal lineWidth, int linesPerPage,
                                    const Width &width);

    static QStringList lines(const QString &text, qreal lineWidth, const Width &width);
};
