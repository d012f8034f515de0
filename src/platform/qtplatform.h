// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "noregistry.h"
#include "pathexecutablefinder.h"
#include "platform.h"
#include "qtclipboard.h"
#include "qtdialogs.h"
#include "qtinputbox.h"
#include "qtmessageboxes.h"
#include "qtprogramlauncher.h"
#include "qtsettingsstore.h"
#include "systemenvironment.h"

// The real services, owned together for the life of the program.
class QtPlatform
{
public:
    QtPlatform();
    Platform &platform() { return m_platform; }

private:
    QtMessageBoxes m_messages;
    QtInputBox m_input;
    QtDialogs m_dialogs;
    QtProgramLauncher m_launcher;
    QtSettingsStore m_settings;
    SystemEnvironment m_environment;
    QtClipboard m_clipboard;
    NoRegistry m_registry;
    PathExecutableFinder m_executables;
    Platform m_platform;
};
