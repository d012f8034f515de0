#include "rtf/rtfreader.h"

#include <cstdio>
#include <QFile>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: rtf2txt FILE.rtf\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "rtf2txt: cannot open %s\n", argv[1]);
        return 1;
    }
    const QByteArray text = RtfReader::plainText(file.readAll()).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    if (!text.endsWith('\n'))
        std::fputc('\n', stdout);
    return 0;
}
