// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class Clipboard;
class Dialogs;
class Environment;
class ExecutableFinder;
class InputBox;
class MessageBoxes;
class ProgramLauncher;
class Registry;
class SettingsStore;

// The platform services a window needs, handed to it at construction so that tests can
// script the answers and read back what was shown.
struct Platform
{
    MessageBoxes &messages;
    InputBox &input;
    Dialogs &dialogs;
    ProgramLauncher &launcher;
    SettingsStore &settings;
    Environment &environment;
    Clipboard &clipboard;
    Registry &registry;
    ExecutableFinder &executables;
    QString programFolder; // the folder that holds the executable
};
