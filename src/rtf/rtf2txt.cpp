// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <cstdio>
#include <cstring>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

// rtf2txt FILE.rtf: the text the reader extracts. rtf2txt --dump FILE.rtf: the document the
// reader builds, with its formats and tables. rtf2txt --write FILE.rtf: what a save of it
// writes. rtf2txt --time FILE.rtf: how long the reader takes, for text and for a document.
int main(int argc, char **argv)
{
    const bool dump = argc == 3 && std::strcmp(argv[1], "--dump") == 0;
    const bool write = argc == 3 && std::strcmp(argv[1], "--write") == 0;
    const bool time = argc == 3 && std::strcmp(argv[1], "--time") == 0;
    if (argc != 2 && !dump && !write && !time) {
        std::fprintf(stderr, "usage: rtf2txt [--dump | --write | --time] FILE.rtf\n");
        return 2;
    }
    const char *path = argv[argc - 1];
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "rtf2txt: cannot open %s\n", path);
        return 1;
    }
    QByteArray text;
    if (time) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        const QByteArray rtf = file.readAll();
        QElapsedTimer timer;
        timer.start();
        const qsizetype characters = RtfReader::plainText(rtf).size();
        const qint64 plain = timer.restart();
        QTextDocument document;
        RtfReader::read(rtf, &document);
        std::printf("%lld characters: text %lld ms, document %lld ms (%d blocks)\n",
                    qlonglong(characters), plain, timer.elapsed(), document.blockCount());
        return 0;
    }
    if (dump || write) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QTextDocument document;
        RtfReader::read(file.readAll(), &document);
        text = write ? RtfWriter::write(document) : RtfDocumentDump::dump(document).toUtf8();
    } else {
        text = RtfReader::plainText(file.readAll()).toUtf8();
    }
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    if (!text.endsWith('\n'))
        std::fputc('\n', stdout);
    return 0;
}
