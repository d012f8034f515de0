// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtsettingsstore.h"

#include <QDir>
#include <QSettings>

bool QtSettingsStore::writeValue(const QString &application, const QString &section,
                                 const QString &key, const QString &value, QString *error)
{
    QSettings settings(application, application);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error) {
        *error = settings.status() == QSettings::AccessError
                     ? QStringLiteral("Cannot write %1")
                           .arg(QDir::toNativeSeparators(settings.fileName()))
                     : QStringLiteral("The settings file %1 is damaged")
                           .arg(QDir::toNativeSeparators(settings.fileName()));
    }
    return false;
}

QString QtSettingsStore::readValue(const QString &application, const QString &section,
                                   const QString &key) const
{
    QSettings settings(application, application);
    settings.beginGroup(section);
    return settings.value(key).toString();
}
