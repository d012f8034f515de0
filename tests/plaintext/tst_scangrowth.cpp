// SPDX-License-Identifier: GPL-3.0-or-later
// The text of a large file found while its scan runs: taken in steps as the scan goes on, it is
// the whole text's start, line for line, whatever the steps were; a text read again in another
// encoding starts over; a document that grows keeps what the reader did in it.
#include "plaintext/filebackedloader.h"
#include "plaintext/plaintextdocument.h"
#include "plaintext/scangrowth.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// About size bytes of unit repeated, numbered so that chunks differ.
QByteArray repeated(const QByteArray &unit, qsizetype size)
{
    QByteArray out;
    out.reserve(size + unit.size() + 16);
    for (int i = 0; out.size() < size; ++i) {
        out += unit;
        if (i % 5 == 0)
            out += QByteArray::number(i);
    }
    return out;
}

struct Grown
{
    TextBuffer text;
    int steps = 0;
    int restarts = 0;
};

} // namespace

class TestScanGrowth : public QObject
{
    Q_OBJECT

private slots:
    void grownTextStartsTheWholeText_data();
    void grownTextStartsTheWholeText();
    void growthAfterStopIsNothing();
    void appendedTextKeepsTheReadersPlace_data();
    void appendedTextKeepsTheReadersPlace();

private:
    QTemporaryDir m_dir;
};

void TestScanGrowth::grownTextStartsTheWholeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("restarts");
    const qsizetype size = FileBackedLoader::from + (3 << 20);
    QTest::newRow("ascii LF") << repeated("a line of text\n", size) << false;
    QTest::newRow("CR LF and lone CR") << repeated("crlf\r\nlone\rend\r\n\r\n", size) << false;
    QTest::newRow("UTF-8 many bytes") << repeated("Grüße, 日本語 😀\n", size) << false;
    QTest::newRow("no line end at all in places")
        << repeated("x", 5 << 20) + repeated("short\n", size) << false;
    // Valid UTF-8 up to far in, then a byte it does not allow: read again as Windows-1252.
    QTest::newRow("Windows-1252 found late")
        << repeated("caf\xc3\xa9 au lait\n", size) + repeated("caf\xe9\n", 1 << 20) << true;
}

void TestScanGrowth::grownTextStartsTheWholeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, restarts);
    const QString path = m_dir.filePath(QStringLiteral("grown.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    ScanGrowth growth;
    Grown grown;
    // Taken at each report of progress, as a timer of the window would at its own times.
    const PlainTextLoader::Progress take = [&](qint64, qint64) {
        TextBuffer more;
        switch (growth.take(more)) {
        case ScanGrowth::Taken::Nothing:
            return;
        case ScanGrowth::Taken::Restart:
            ++grown.restarts;
            grown.text = std::move(more);
            break;
        case ScanGrowth::Taken::More:
            grown.text.append(std::move(more));
            break;
        }
        ++grown.steps;
    };
    std::optional<PlainTextLoader::Result> whole =
        FileBackedLoader::load(fd, bytes.size(), nullptr, take, std::nullopt, &growth);
    ::close(fd);
    QVERIFY(whole);
    QCOMPARE(whole->status, PlainTextLoader::Status::Ok);
    QCOMPARE(grown.restarts > 0, restarts);
    QVERIFY2(grown.steps > 1, "the text grew in steps");
    const TextBuffer &all = whole->buffer;
    const qsizetype length = grown.text.length();
    QVERIFY(length > 0);
    QVERIFY(length <= all.length());
    QCOMPARE(grown.text.text(), all.mid(0, length));
    // Lines and positions as the whole has them, up to where the grown text ends.
    QCOMPARE(grown.text.lineCount(), all.lineOf(length) + 1);
    for (qsizetype line = 0; line < grown.text.lineCount(); line += 997) {
        QCOMPARE(grown.text.lineStart(line), all.lineStart(line));
        QCOMPARE(grown.text.lineOf(grown.text.lineStart(line)), line);
    }
    const qsizetype lastLine = grown.text.lineCount() - 1;
    QCOMPARE(grown.text.lineStart(lastLine), all.lineStart(lastLine));
    // Nothing more comes once the load is over.
    TextBuffer late;
    QCOMPARE(growth.take(late), ScanGrowth::Taken::Nothing);
    QVERIFY(late.isEmpty());
}

void TestScanGrowth::growthAfterStopIsNothing()
{
    ScanGrowth growth;
    FileSource::Span span;
    span.length = 4;
    growth.add(&span, 1); // before a start: no file to read it from
    TextBuffer text;
    QCOMPARE(growth.take(text), ScanGrowth::Taken::Nothing);
    growth.stop();
    growth.add(&span, 1);
    QCOMPARE(growth.take(text), ScanGrowth::Taken::Nothing);
    QVERIFY(text.isEmpty());
}

void TestScanGrowth::appendedTextKeepsTheReadersPlace_data()
{
    QTest::addColumn<qsizetype>("anchor");
    QTest::addColumn<qsizetype>("caret");
    QTest::addColumn<qsizetype>("anchorAfter");
    QTest::addColumn<qsizetype>("caretAfter");
    // The text is "first\nsecond" (12) and "\nthird" (6) comes after it.
    QTest::newRow("caret at the start")
        << qsizetype(0) << qsizetype(0) << qsizetype(0) << qsizetype(0);
    QTest::newRow("selection inside")
        << qsizetype(2) << qsizetype(9) << qsizetype(2) << qsizetype(9);
    QTest::newRow("selection up to the end")
        << qsizetype(3) << qsizetype(12) << qsizetype(3) << qsizetype(12);
    QTest::newRow("caret at the end follows")
        << qsizetype(12) << qsizetype(12) << qsizetype(18) << qsizetype(18);
}

void TestScanGrowth::appendedTextKeepsTheReadersPlace()
{
    QFETCH(qsizetype, anchor);
    QFETCH(qsizetype, caret);
    QFETCH(qsizetype, anchorAfter);
    QFETCH(qsizetype, caretAfter);
    PlainTextDocument document;
    document.setText(u"first\nsecond");
    document.setReadOnly(true);
    document.setSelection(anchor, caret);
    document.appendLoaded(TextBuffer(u"\nthird"));
    QCOMPARE(document.text(), QStringLiteral("first\nsecond\nthird"));
    QCOMPARE(document.buffer().lineCount(), 3);
    QCOMPARE(document.anchor(), anchorAfter);
    QCOMPARE(document.cursor(), caretAfter);
    // A load, not an edit: nothing to undo, nothing changed.
    QVERIFY(!document.isModified());
    document.setReadOnly(false);
    QVERIFY(!document.canUndo());
}

QTEST_GUILESS_MAIN(TestScanGrowth)
#include "tst_scangrowth.moc"
