// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What one clip slot holds, read as Pagewell writes it: UTF-8 text with CR LF line ends.
struct ClipSlotFile
{
    enum class State { Free, Filled, Unreadable };

    static ClipSlotFile read(const QString &path);

    // The start of the first line, enough for a list row.
    QString firstLine() const { return text.left(200).section(u'\n', 0, 0); }

    State state = State::Free;
    QString text;
    bool cut = false; // only the first clipSlotMaxBytes were read
    QString error;    // why an Unreadable slot could not be read
};
