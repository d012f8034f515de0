// SPDX-License-Identifier: GPL-3.0-or-later
// Opens a file as the pane does and prints its number of lines and the last four characters of
// its last full line, so that a test can run it under a limit of memory.
#include "files/panefilereader.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    PaneFileReader::Limits limits;
    limits.maximumSize = qint64(1) << 40;
    PaneFileReader::Result result = PaneFileReader::read(QString::fromLocal8Bit(argv[1]), limits);
    if (result.status != WholeFileReader::Status::Ok) {
        std::fprintf(stderr, "%s\n", qPrintable(result.error));
        return 1;
    }
    const TextBuffer &text = result.plain.buffer;
    const qsizetype last = text.lineCount() - 2; // the text ends in a line end
    const QString line = text.mid(text.lineEnd(last) - 4, 4);
    std::printf("%lld %s\n", static_cast<long long>(text.lineCount()), qPrintable(line));
    return 0;
}
