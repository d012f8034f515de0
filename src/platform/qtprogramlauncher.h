// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "programlauncher.h"

class QtProgramLauncher : public ProgramLauncher
{
public:
    bool start(const QString &program, const QStringList &arguments, QString *error) override;
    bool startWatched(const QString &program, const QStringList &arguments, QObject *context,
                      Ended ended, QString *error) override;
};
