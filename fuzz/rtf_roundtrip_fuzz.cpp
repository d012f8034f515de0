// SPDX-License-Identifier: GPL-3.0-or-later
// Read -> write -> read on arbitrary bytes: the written file must give back the document the
// first read built (the same normalised dump), and writing that again the same bytes.
#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView rtf(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument first;
    RtfReader::read(rtf, &first);
    const QByteArray written = RtfWriter::write(first);
    QTextDocument second;
    RtfReader::read(written, &second);
    const QString before = RtfDocumentDump::dump(first);
    const QString after = RtfDocumentDump::dump(second);
    if (before != after) {
        std::fprintf(stderr, "round trip changed the document\n--- read\n%s\n--- written\n%s\n",
                     qPrintable(before), qPrintable(after));
        std::abort();
    }
    if (RtfWriter::write(second) != written) {
        std::fprintf(stderr, "writing the read-back document gave other bytes\n");
        std::abort();
    }
    return 0;
}
