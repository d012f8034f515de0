#include "favoriteslocation.h"

#include <QDir>
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

QString FavoritesLocation::path(const QString &programFolder, const QString &name)
{
    return folder(programFolder) + u'/' + name;
}
