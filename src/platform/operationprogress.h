// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// What the user sees of a long operation while the window goes on answering: what it does and
// how far it got, with a way to cancel it. Tests script the cancel.
class OperationProgress
{
public:
    virtual ~OperationProgress() = default;

    // Shows the operation (percent from 0 to 100, or -1 while unknown), or updates it. Cancel
    // is called at most once, when the user asks the operation to stop.
    virtual void show(const QString &label, int percent, std::function<void()> cancel) = 0;
    virtual void hide() = 0;
};
