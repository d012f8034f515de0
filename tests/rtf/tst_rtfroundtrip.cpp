// SPDX-License-Identifier: GPL-3.0-or-later
// Read -> write -> read: the writer's output, read back, must give the document the pane
// showed. Checked on every producer fixture, every fuzzer reproducer and the whole fuzz corpus,
// by comparing the reader's documents in a normalised dump.
#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QDir>
#include <QTest>
#include <QTextDocument>

class TestRtfRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void keepsTextAndFormats_data();
    void keepsTextAndFormats();
};

void TestRtfRoundTrip::keepsTextAndFormats_data()
{
    QTest::addColumn<QString>("path");
    const QString fixtures = qEnvironmentVariable("PAGEWELL_FIXTURES") + QStringLiteral("/rtf");
    const QString corpus = qEnvironmentVariable("PAGEWELL_FUZZ_CORPUS");
    const QString dumped = qEnvironmentVariable("PAGEWELL_FIXTURES") + QStringLiteral("/rtfdump");
    for (const QString &folder : {fixtures, fixtures + QStringLiteral("/fuzz"), dumped, corpus}) {
        const QDir dir(folder);
        QVERIFY2(!folder.isEmpty() && dir.exists(), qPrintable(folder));
        // The fuzzer names its corpus files by their hash, without an extension.
        const QStringList filter =
            folder == corpus ? QStringList() : QStringList{QStringLiteral("*.rtf")};
        for (const QString &name : dir.entryList(filter, QDir::Files))
            QTest::newRow(qPrintable(dir.dirName() + u'/' + name)) << dir.filePath(name);
    }
}

void TestRtfRoundTrip::keepsTextAndFormats()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument first;
    RtfReader::read(file.readAll(), &first);
    const QByteArray written = RtfWriter::write(first);
    QTextDocument second;
    RtfReader::read(written, &second);
    const QString before = RtfDocumentDump::dump(first);
    const QString after = RtfDocumentDump::dump(second);
    if (before != after) {
        const QStringList a = before.split(u'\n');
        const QStringList b = after.split(u'\n');
        for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
            if (a.value(i) != b.value(i)) {
                qWarning("line %lld\nread:    %s\nwritten: %s", qlonglong(i + 1),
                         qPrintable(a.value(i)), qPrintable(b.value(i)));
                break;
            }
        }
    }
    QCOMPARE(after, before);
    // Writing again gives the same bytes: nothing drifts from save to save.
    const QByteArray again = RtfWriter::write(second);
    if (again != written) {
        qsizetype at = 0;
        while (at < again.size() && at < written.size() && again[at] == written[at])
            ++at;
        qWarning("bytes differ at %lld\nfirst:  %s\nsecond: %s", qlonglong(at),
                 written.mid(std::max<qsizetype>(0, at - 60), 120).constData(),
                 again.mid(std::max<qsizetype>(0, at - 60), 120).constData());
    }
    QCOMPARE(again, written);
}

QTEST_MAIN(TestRtfRoundTrip)
#include "tst_rtfroundtrip.moc"
