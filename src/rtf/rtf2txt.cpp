#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <cstdio>
#include <cstring>
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

// rtf2txt FILE.rtf: the text the reader extracts. rtf2txt --dump FILE.rtf: the document the
// reader builds, with its formats and tables. rtf2txt --write FILE.rtf: what a save of it
// writes.
int main(int argc, char **argv)
{
    const bool dump = argc == 3 && std::strcmp(argv[1], "--dump") == 0;
    const bool write = argc == 3 && std::strcmp(argv[1], "--write") == 0;
    if (argc != 2 && !dump && !write) {
        std::fprintf(stderr, "usage: rtf2txt [--dump | --write] FILE.rtf\n");
        return 2;
    }
    const char *path = argv[argc - 1];
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "rtf2txt: cannot open %s\n", path);
        return 1;
    }
    QByteArray text;
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
