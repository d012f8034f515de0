// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/viewer.h"

#include <QTest>

// Every file is read on a thread of its own and shown on a later turn of the event loop: waits
// until the display asked for last is done, its file shown or refused with a message.
inline void waitForDisplay(const Viewer &viewer)
{
    QTRY_VERIFY_WITH_TIMEOUT(!viewer.isLoading(), 60000);
}

// The shown file is looked at on a thread too, and what the look found may start a read: waits
// until the looks asked for are in and such a read is done.
inline void waitForDiskCheck(const Viewer &viewer)
{
    QTRY_VERIFY_WITH_TIMEOUT(!viewer.isCheckingDisk(), 60000);
    waitForDisplay(viewer);
}

// Looks whether the shown file changed on disk, as the file's watch does, and waits for it.
inline void checkDiskAndWait(Viewer &viewer)
{
    viewer.checkDisk();
    waitForDiskCheck(viewer);
}

// The start's recovery of saves cut short runs on a thread too: waits until it is over and what
// it did is handed on.
inline void waitForRecovery(const Viewer &viewer)
{
    QTRY_VERIFY_WITH_TIMEOUT(!viewer.isRecovering(), 60000);
}

// Saves, deletes and the other operations on files run on the operations' thread: waits until
// the one started last is over and its result handed on.
inline void waitForOperation(const Viewer &viewer)
{
    QTRY_VERIFY_WITH_TIMEOUT(!viewer.isBusy(), 60000);
}
