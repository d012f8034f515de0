// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <QString>

// A one-line question. Cancel answers with an empty text, as the program expects; no answer at
// all means the box could not be asked.
class InputBox
{
public:
    virtual ~InputBox() = default;
    virtual std::optional<QString> ask(const QString &prompt, const QString &title,
                                       const QString &defaultText) = 0;
};
