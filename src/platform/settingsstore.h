#pragma once

#include <QString>

// The per-user settings store: one string value under application, section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual bool writeValue(const QString &application, const QString &section, const QString &key,
                            const QString &value, QString *error) = 0;
};
