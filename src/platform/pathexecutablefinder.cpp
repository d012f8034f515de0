// SPDX-License-Identifier: GPL-3.0-or-later
#include "pathexecutablefinder.h"

#include <QStandardPaths>

QString PathExecutableFinder::find(const QString &name) const
{
    return QStandardPaths::findExecutable(name);
}
