#pragma once

#include <QString>
#include <QStringList>

// Starts another program without waiting for it. Arguments are passed as they are, never
// through a shell. On failure, error receives a description for the user.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;
    virtual bool start(const QString &program, const QStringList &arguments, QString *error) = 0;
};
