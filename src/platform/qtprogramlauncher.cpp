// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtprogramlauncher.h"

#include <QDir>
#include <QProcess>

namespace {

QString cannotStart(const QString &program, const QProcess &process)
{
    return QStringLiteral("Cannot start %1: %2")
        .arg(QDir::toNativeSeparators(program), process.errorString());
}

} // namespace

bool QtProgramLauncher::start(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached())
        return true;
    if (error)
        *error = cannotStart(program, process);
    return false;
}

bool QtProgramLauncher::startWatched(const QString &program, const QStringList &arguments,
                                     QObject *context, Ended ended, QString *error)
{
    // Without a parent: nothing of ours ends the program (a QProcess that is destroyed kills
    // it). It deletes itself once the program ended; one still running when we quit is left
    // to run on.
    auto *process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, context,
                     [ended = std::move(ended)](int exitCode, QProcess::ExitStatus status) {
                         ended(status == QProcess::CrashExit ? -1 : exitCode);
                     });
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start();
    // Returns as soon as the program runs, or could not be run (not found, not executable).
    if (process->waitForStarted())
        return true;
    if (error)
        *error = cannotStart(program, *process);
    delete process;
    return false;
}
