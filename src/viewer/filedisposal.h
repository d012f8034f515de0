// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Removing a file at the user's request: to the desktop's trash, so that one click never
// loses a file for good; deleted outright only on systems that have no trash.
class FileDisposal
{
public:
    // On failure returns false and sets *error to a description with the native path.
    static bool discard(const QString &path, QString *error = nullptr);
};
