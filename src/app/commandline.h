// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for: start (optionally with one file or folder), print the help
// or the version, or refuse with a message. Qt's own window-system options (-platform, -style
// ...) are let through for the application object to take.
struct CommandLine
{
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString path;    // Run: the file to show or the folder to start in; empty for neither
    QString message; // Error: what was wrong, one sentence

    // arguments[0] is the program. An argument after "--", or one starting with "-" that names
    // an existing file, is a path ("pagewell -notes.txt").
    static CommandLine parse(const QStringList &arguments);
    static QString helpText();
    static QString versionText();

    static constexpr int usageErrorStatus = 2;
};
