// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <QString>
#include <QStringList>

class QObject;

// Starts another program without waiting for it. Arguments are passed as they are, never
// through a shell. On failure, error receives a description for the user.
class ProgramLauncher
{
public:
    // The program's exit status once it ended; -1 when it crashed or was killed.
    using Ended = std::function<void(int exitStatus)>;

    virtual ~ProgramLauncher() = default;
    virtual bool start(const QString &program, const QStringList &arguments, QString *error) = 0;
    // As start(), and later tells how the program ended, for programs that report a failure
    // only by their exit status (a file opener that finds no program to open with). ended is
    // not called once context is gone; the program is never stopped by us, also when we quit.
    virtual bool startWatched(const QString &program, const QStringList &arguments,
                              QObject *context, Ended ended, QString *error) = 0;
};
