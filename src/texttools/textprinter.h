// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

#include <functional>

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
    // going is told, before each page, the pages printed so far and how many are to be; when
    // it returns false the printing stops there: abort drops the printer's job, and error says
    // so.
    using Going = std::function<bool(int page, int pages)>;
    static bool print(QPagedPaintDevice &device, const QString &text, QString *error,
                      int firstPage = 1, int lastPage = 0, const Going &going = Going(),
                      const std::function<void()> &abort = {});
};
