// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The per-user settings store: one string value under application, section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual bool writeValue(const QString &application, const QString &section, const QString &key,
                            const QString &value, QString *error) = 0;
    // The value written before, or an empty text when there is none.
    virtual QString readValue(const QString &application, const QString &section,
                              const QString &key) const = 0;
};
