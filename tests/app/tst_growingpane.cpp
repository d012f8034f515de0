// SPDX-License-Identifier: GPL-3.0-or-later
// A large text grows in the pane while its scan runs: what was found can be scrolled, selected
// and copied, never edited; the caret and selection made meanwhile stay when the whole text
// comes, and a caret sent to the end goes on to the real end.
#include "app/pgwell.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"
#include "plaintext/plaintextview.h"
#include "viewer/displayloading.h"
#include "windowtest.h"

#include <QApplication>
#include <QClipboard>
#include <QSemaphore>
#include <QTest>

#include <atomic>

namespace {

// The real reader, held at its first report of progress until the test lets it go.
struct HeldReader
{
    QSemaphore reached;
    QSemaphore gate;

    DisplayLoading::Reader reader()
    {
        return [this](const QString &path, const PaneFileReader::Limits &limits,
                      const std::atomic<bool> *cancel, const PlainTextLoader::Progress &progress) {
            std::atomic<bool> held{false};
            return PaneFileReader::read(path, limits, cancel, [&](qint64 done, qint64 all) {
                if (!held.exchange(true)) {
                    reached.release();
                    gate.acquire();
                }
                progress(done, all);
            });
        };
    }
};

QByteArray linesOf(qsizetype size)
{
    QByteArray text;
    text.reserve(size + 64);
    for (int i = 0; text.size() < size; ++i)
        text += "line " + QByteArray::number(i) + " of a log that goes on\r\n";
    return text;
}

} // namespace

class TestGrowingPane : public WindowTest
{
    Q_OBJECT

private slots:
    void readerKeepsThePlaceMadeDuringTheScan_data();
    void readerKeepsThePlaceMadeDuringTheScan();
};

void TestGrowingPane::readerKeepsThePlaceMadeDuringTheScan_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("selection copied and kept") << "select";
    QTest::newRow("Ctrl+End follows to the real end") << "end";
    QTest::newRow("typing is held") << "type";
}

void TestGrowingPane::readerKeepsThePlaceMadeDuringTheScan()
{
    QFETCH(QString, action);
    const QByteArray big = linesOf(40 << 20) + "the very last line";
    writeFile(f->browse("big.txt"), big);
    pgwell &w = f->open();
    HeldReader held;
    w.viewer().loading().setReader(held.reader());
    chooseWithoutWaiting(ui(w).File1, "big.txt");
    QTRY_COMPARE(held.reached.available(), 1);

    // The scan's first blocks are in the pane while the rest is still to come.
    auto *preview = ui(w).Text1->findChild<PlainTextView *>("loadPreview");
    QVERIFY(preview);
    QTRY_VERIFY(preview->document().length() > (1 << 20));
    const qsizetype found = preview->document().length();
    QVERIFY(found < big.size() / 2 + 1);
    const QString start = preview->document().buffer().mid(0, 200);
    QVERIFY(start.startsWith(QStringLiteral("line 0 of a log that goes on\nline 1 ")));
    QVERIFY(ui(w).Text1->showsLoadPreview());
    preview->setFocus();

    qsizetype anchor = 0;
    qsizetype caret = 0;
    if (action == "select") {
        anchor = 3;
        caret = found - 5;
        preview->document().setSelection(anchor, caret);
        QTest::keyClick(preview, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied.size(), caret - anchor);
        QCOMPARE(copied.left(20), start.mid(3, 20));
    } else if (action == "end") {
        QTest::keyClick(preview, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(preview->document().cursor(), found);
    } else {
        QTest::keyClick(preview, Qt::Key_X);
        QCOMPARE(preview->document().buffer().mid(0, 200), start);
    }

    held.gate.release();
    waitForDisplay(w);
    RichTextBox &pane = *ui(w).Text1;
    QVERIFY(!pane.showsLoadPreview());
    QVERIFY(!pane.isModified());
    const qsizetype whole = big.size() - big.count("\r\n");
    QCOMPARE(pane.textLength(), whole);
    if (action == "select") {
        QCOMPARE(pane.selectionStart(), anchor);
        QCOMPARE(pane.selectionLength(), caret - anchor);
    } else if (action == "end") {
        QCOMPARE(pane.cursorPosition(), whole);
        QCOMPARE(pane.selectionLength(), 0);
    } else {
        QCOMPARE(pane.cursorPosition(), 0);
        QVERIFY(pane.text(0, 200) == start);
    }
}

QTEST_MAIN(TestGrowingPane)
#include "tst_growingpane.moc"
