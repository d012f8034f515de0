// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "executablefinder.h"

// Looks the name up in the folders of PATH.
class PathExecutableFinder : public ExecutableFinder
{
public:
    QString find(const QString &name) const override;
};
