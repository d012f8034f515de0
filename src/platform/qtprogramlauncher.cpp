#include "qtprogramlauncher.h"

#include <QDir>
#include <QProcess>

bool QtProgramLauncher::start(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached())
        return true;
    if (error)
        *error = QStringLiteral("Cannot start %1: %2")
                     .arg(QDir::toNativeSeparators(program), process.errorString());
    return false;
}
