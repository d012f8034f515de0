// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpfile.h"

QStringList HelpFile::lines()
{
    const QString rule(24, u'-');
    return {
        rule,
        QStringLiteral("What is this"),
        rule,
        QStringLiteral("This is the program favorites ... which you will place your favorites "
                       "file .."),
        QString(),
        QString(),
        QStringLiteral("How can you do this ?"),
        rule,
        QStringLiteral("Simply click on the file on the list which located next to the "
                       "directories  down the program then right click and select add to "
                       "favorite"),
        QString(),
        QString(),
        QStringLiteral("What happend ?"),
        QStringLiteral("The program will copy this file and place it on the program path \\favo "
                       "directory , and on every starting for the program .. the program will "
                       "load all the files on that directory"),
        QString(),
        QString(),
        QStringLiteral("To remove any file just right click and press remove this file "),
    };
}

QByteArray HelpFile::bytes()
{
    QByteArray out;
    for (const QString &line : lines())
        out += line.toLatin1() + "\r\n";
    return out;
}
