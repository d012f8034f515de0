// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "environment.h"

class SystemEnvironment : public Environment
{
public:
    QString value(const QString &name) const override;
};
