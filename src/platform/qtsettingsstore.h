// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settingsstore.h"

// QSettings in its native per-user format; the application name is also the organization.
class QtSettingsStore : public SettingsStore
{
public:
    bool writeValue(const QString &application, const QString &section, const QString &key,
                    const QString &value, QString *error) override;
    QString readValue(const QString &application, const QString &section,
                      const QString &key) const override;
};
