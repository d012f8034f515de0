// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "inputbox.h"

class QtInputBox : public InputBox
{
public:
    std::optional<QString> ask(const QString &prompt, const QString &title,
                               const QString &defaultText) override;
};
