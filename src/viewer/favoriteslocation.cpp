// SPDX-License-Identifier: GPL-3.0-or-later
#include "favoriteslocation.h"

#include <filesystem>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString FavoritesLocation::folder(const QString &programFolder)
{
    // Built without looking at a trailing separator, as every favorites path is.
    const QString beside = programFolder + QStringLiteral("/favo");
    if (QDir(beside).exists() || QDir().mkdir(beside))
        return beside;
    const QString fallback =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/favo");
    QDir().mkpath(fallback);
    return fallback;
}

bool FavoritesLocation::ensure(const QString &folder, QString *error)
{
    if (QFileInfo(folder).isDir())
        return true;
    std::error_code failure;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), failure);
    if (!failure)
        return true;
    *error = QStringLiteral("The favorites folder %1 cannot be made: %2")
                 .arg(QDir::toNativeSeparators(folder), QString::fromStdString(failure.message()));
    return false;
}
