// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtdialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QPrintDialog>

std::optional<QString> QtDialogs::saveFileName()
{
    // Shown with its defaults: no filter and no default extension of the program's own.
    const QString name = QFileDialog::getSaveFileName(QApplication::activeWindow());
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QColor> QtDialogs::chooseColor(const QColor &initial)
{
    const QColor color = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!color.isValid())
        return std::nullopt;
    return color;
}

bool QtDialogs::choosePrinter(QPrinter &printer)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setOption(QAbstractPrintDialog::PrintSelection); // offered, as well as a page range
    return dialog.exec() == QDialog::Accepted;
}
