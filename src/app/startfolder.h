// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The process's current folder, where browsing starts, and why it cannot be listed.
struct StartFolder
{
    QString path;    // absolute; for a folder removed since the start, the path it had
    QString problem; // the system's description of why it cannot be listed; empty when it can

    static StartFolder current();
};
