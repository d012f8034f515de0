// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

class QPagedPaintDevice;

// Prints a text as the pane's Print does: the text and a line end, in a fixed font, long lines
// wrapped and pages broken. The document is ended before returning, so that the printer gets
// the pages at once.
class TextPrinter
{
public:
    static QFont font();

    // False with a description in error when the device cannot be printed on. Only the pages
    // from firstPage to lastPage (counted from 1) are printed; lastPage 0 runs to the end.
    static bool print(QPagedPaintDevice &device, const QString &text, QString *error,
                      int firstPage = 1, int lastPage = 0);
};
