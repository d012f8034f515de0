#pragma once

#include <QString>

// Where the favorites live: "favo" in the program folder, or, when that folder can neither be
// found nor made there (a program installed read-only), "favo" in the user's data folder.
// Every piece of code that touches a favorite asks here.
class FavoritesLocation
{
public:
    // Makes the folder when it is missing.
    static QString folder(const QString &programFolder);
    static QString path(const QString &programFolder, const QString &name);
};
