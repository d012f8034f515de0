// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <QString>

class QObject;

// The system clipboard, as far as the program puts text there.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setText(const QString &text) = 0;
    virtual QString text() const = 0;
    // Calls changed whenever the clipboard's text changes, whoever changed it, for as long as
    // context lives.
    virtual void watch(QObject *context, std::function<void()> changed) = 0;
};
