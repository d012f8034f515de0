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
