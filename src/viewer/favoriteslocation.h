// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the favorites live: "favo" in the program folder, or, when that folder can neither be
// found nor made there (a program installed read-only), "favo" in the user's data folder.
// The main window decides it once at start-up; every favorites operation then works there.
class FavoritesLocation
{
public:
    // Makes the folder when it is missing.
    static QString folder(const QString &programFolder);
    // Makes the folder again when it was removed since; false and a description otherwise.
    static bool ensure(const QString &folder, QString *error);
};
