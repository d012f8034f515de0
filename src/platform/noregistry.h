// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "registry.h"

// Linux keeps no registry: every key is missing.
class NoRegistry : public Registry
{
public:
    long openKey(quint32, const QByteArray &, quint32, quint32, Key *key) override
    {
        *key = 0;
        return fileNotFound;
    }
    long queryValue(Key, const QByteArray &, quint32 *, char *, quint32 *) override
    {
        return fileNotFound;
    }
    long closeKey(Key) override { return success; }
};
