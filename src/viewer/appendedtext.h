// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QByteArray>
#include <QString>

// What another program added at the end of a plain file since it was shown (a log being
// written), read without reading the rest again.
class AppendedText
{
public:
    struct Read
    {
        bool ok = false; // false: the file was not only added to, or cannot be read so
        QString text;    // line ends as '\n', as the pane holds them
        qint64 end = 0;  // the bytes taken; an unfinished character waits
        QByteArray tail; // the last bytes up to end, for the next look
    };
    // The bytes from from on, up to at most limit of them, provided the bytes just before from
    // are still tail. Only encodings whose bytes can be read from any line are read so.
    static Read read(const QString &path, qint64 from, const QByteArray &tail,
                     TextEncoding encoding, qint64 limit);
    // The last bytes before end, for read()'s check.
    static QByteArray tailOf(const QString &path, qint64 end);
    static constexpr qint64 tailBytes = 4096;
};
