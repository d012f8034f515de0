// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the RTF reader: it must not crash, hang or leak,
// and the document it builds must hold the same text as plainText() gives.
#include "rtf/rtfdetect.h"
#include "rtf/rtfproperties.h"
#include "rtf/rtfreader.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QString normalized(QString text)
{
    static const QRegularExpression newlines(QStringLiteral("\n+"));
    text.remove(QChar::ObjectReplacementCharacter); // pictures
    text.replace(newlines, QStringLiteral("\n"));
    return text.trimmed();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView rtf(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)isRtf(rtf);
    const QString plain = RtfReader::plainText(rtf);
    QTextDocument document;
    RtfReader::read(rtf, &document);
    QString shown = normalized(document.toPlainText());
    QString expected = normalized(plain);
    if (document.begin().blockFormat().boolProperty(RtfProperty::ReaderNote)) {
        // Simplified for speed: the note line goes, long paragraphs may be cut in pieces.
        // Rows past the cell budget are lines with their cells apart by tabs.
        shown = shown.section(u'\n', 1).remove(u'\n').remove(u'\t').trimmed();
        expected = expected.remove(u'\n').remove(u'\t').trimmed();
    }
    if (shown != expected) {
        std::fprintf(stderr,
                     "document text differs from plainText()\n--- document\n%s\n--- plain\n%s\n",
                     qPrintable(shown), qPrintable(expected));
        std::abort();
    }
    return 0;
}
