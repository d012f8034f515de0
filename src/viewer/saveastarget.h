// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <QString>

// Naming the file that "Save as" writes.
class SaveAsTarget
{
public:
    // The name chosen in the dialog, as typed when it has an extension; otherwise with the
    // extension of the file last shown from the file list, when that one had any.
    static QString path(const QString &chosen, const QString &lastShownPath);

    // The target gets Rich Text Format when its extension says so, plain text otherwise.
    static bool isRichText(const QString &target);

    // What follows the last dot of a file name; a leading dot marks a hidden file, not an
    // extension. Empty optional when there is none.
    static std::optional<QString> extension(const QString &path);
};
