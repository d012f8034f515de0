// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Finds a program by name the way a shell does; an empty result means it is not installed.
class ExecutableFinder
{
public:
    virtual ~ExecutableFinder() = default;
    virtual QString find(const QString &name) const = 0;
};
