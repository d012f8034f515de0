// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

// "What is This.txt", the help text rewritten into the favorites folder at every start.
class HelpFile
{
public:
    static QString fileName() { return QStringLiteral("What is This.txt"); }
    static QStringList lines();
    static QByteArray bytes(); // every line ends with CR LF
};
