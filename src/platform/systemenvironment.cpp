// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemenvironment.h"

#include <QProcessEnvironment>

QString SystemEnvironment::value(const QString &name) const
{
    return QProcessEnvironment::systemEnvironment().value(name);
}
