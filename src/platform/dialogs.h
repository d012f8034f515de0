// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <QColor>
#include <QString>

class QPrinter;

// The save, colour and printer dialogs. An empty optional or false means the user cancelled.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    virtual std::optional<QString> saveFileName() = 0;
    virtual std::optional<QColor> chooseColor(const QColor &initial) = 0;
    virtual bool choosePrinter(QPrinter &printer) = 0;
};
