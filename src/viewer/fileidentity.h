// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/shownfile.h"

#include <QString>

// Where a name leads on disk and what it finds there, to tell whether a shown file changed or
// was replaced since it was shown.
class FileIdentity
{
public:
    // The file the path names, links followed; all zero when there is none.
    static ShownFile::Identity of(const QString &path);
    // The file an open descriptor reads.
    static ShownFile::Identity ofOpen(int fd);
    // The same for the name itself: a symbolic link is not followed.
    static ShownFile::Identity ofName(const QString &path);
    // The path with every symbolic link resolved; empty when it leads nowhere.
    static QString resolved(const QString &path);
    static bool isKnown(const ShownFile::Identity &identity) { return identity.inode != 0; }
};
