// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The process environment, read one variable at a time; unset reads as empty.
class Environment
{
public:
    virtual ~Environment() = default;
    virtual QString value(const QString &name) const = 0;
};
