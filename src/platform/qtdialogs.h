// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs.h"

class QtDialogs : public Dialogs
{
public:
    std::optional<QString> saveFileName() override;
    std::optional<QColor> chooseColor(const QColor &initial) override;
    bool choosePrinter(QPrinter &printer) override;
};
