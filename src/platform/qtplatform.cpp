// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtplatform.h"

#include <QCoreApplication>

QtPlatform::QtPlatform()
    : m_platform{m_messages,    m_input,
                 m_dialogs,     m_launcher,
                 m_settings,    m_environment,
                 m_clipboard,   m_registry,
                 m_executables, QCoreApplication::applicationDirPath()}
{
}
