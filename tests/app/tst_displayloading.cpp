// SPDX-License-Identifier: GPL-3.0-or-later
// Showing a file without making the window wait: every file is read on a thread, a newer choice
// drops the older load at its next block, a file that does not answer is given up, and a file
// the memory cannot hold leaves the pane alone.
#include "app/browser.h"
#include "app/pgwell.h"
#include "controls/clicklabel.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"
#include "plaintext/plaintextview.h"
#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfreader.h"
#include "viewer/displayloading.h"
#include "windowtest.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QTextDocument>

#include <atomic>
#include <memory>

#include <QSignalSpy>
#include <QTest>

class TestDisplayLoading : public WindowTest
{
    Q_OBJECT

private slots:
    void newerChoiceDropsTheOlderLoad_data();
    void newerChoiceDropsTheOlderLoad();
    void largeFileLoadsInTheBackground();
    void droppedLoadStopsAtItsNextBlock_data();
    void droppedLoadStopsAtItsNextBlock();
    void fileThatDoesNotAnswerIsGivenUp();
    void startUpWithALargeFileDoesNotWait();
    void fileBeyondTheMemoryKeepsThePane_data();
    void fileBeyondTheMemoryKeepsThePane();
    void millionLineDocumentShowsItsTextAndSavesFormatted();
    void documentShownSimplifiedIsNotSavedSimplified();
    void typedLetterIsAllASaveChanges();
};

void TestDisplayLoading::newerChoiceDropsTheOlderLoad_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qsizetype>("padding");
    QTest::newRow("plain text") << "txt" << qsizetype(0);
    // A formatted document is built where the file is read and handed to the window's thread;
    // one dropped for a newer choice is thrown away there.
    QTest::newRow("formatted") << "rtf" << qsizetype(0);
    QTest::newRow("formatted, a few hundred KB") << "rtf" << qsizetype(300 << 10);
}

void TestDisplayLoading::newerChoiceDropsTheOlderLoad()
{
    QFETCH(QString, kind);
    QFETCH(qsizetype, padding);
    const bool rich = kind == "rtf";
    writeFile(f->browse("a." + kind),
              rich ? "{\\rtf1\\ansi{\\*\\generator " + QByteArray(padding, 'x') + "}dropped}"
                   : QByteArray("first file\r\n"));
    writeFile(f->browse("b." + kind),
              rich ? "{\\rtf1\\ansi plain {\\b bold} caf\\'e9}" : "plain bold caf\xc3\xa9\r\n");
    const QString shownText = rich ? u"plain bold caf\u00e9"_qs : u"plain bold caf\u00e9\n"_qs;
    pgwell &w = f->open();
    QStringList shown;
    connect(ui(w).Text1, &RichTextBox::textChanged, this,
            [&] { shown.append(ui(w).Text1->toPlainText()); });

    chooseWithoutWaiting(ui(w).File1, "a." + kind);
    QVERIFY(w.viewer().loading().isLoading());
    choose(ui(w).File1, "b." + kind);
    QTRY_COMPARE(ui(w).Text1->toPlainText(), shownText);
    QTest::qWait(100); // the dropped load, or its document's deletion, comes and goes
    QCOMPARE(shown, QStringList{shownText}); // a's text never came
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("b." + kind));
    QCOMPARE(w.reader()->readerText(), shownText);
    QVERIFY(!w.viewer().loading().isLoading());
    QVERIFY(!ui(w).Text1->isModified());
    QCOMPARE(ui(w).Text1->showsRichDocument(), rich);
    if (rich) {
        QCOMPARE(ui(w).Text1->document()->thread(), w.thread());
        ui(w).Text1->select(6, 4);
        QCOMPARE(ui(w).Text1->selectionBold(), Qt::Checked);
    }
}

namespace {

// Stands in for the reader of a display: the real one, held at its first block until the test
// lets it go, telling how far it got and how it ended.
struct HeldReader
{
    QSemaphore reached; // the read is at its first block
    QSemaphore gate;
    std::atomic<qint64> furthest{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> ended{false};

    DisplayLoading::Reader reader()
    {
        return [this](const QString &path, const PaneFileReader::Limits &limits,
                      const std::atomic<bool> *cancel, const PlainTextLoader::Progress &progress) {
            std::atomic<bool> held{false};
            PaneFileReader::Result result =
                PaneFileReader::read(path, limits, cancel, [&](qint64 done, qint64 all) {
                    furthest = std::max<qint64>(furthest, done);
                    total = all;
                    if (!held.exchange(true)) {
                        reached.release();
                        gate.acquire();
                    }
                    progress(done, all);
                });
            cancelled = result.cancelled;
            ended = true;
            return result;
        };
    }
};

QByteArray textOf(qsizetype size)
{
    QByteArray text;
    text.reserve(size + 64);
    while (text.size() < size)
        text += "caf\xc3\xa9 and a line of text that goes on\n";
    return text;
}

} // namespace

void TestDisplayLoading::largeFileLoadsInTheBackground()
{
    // Larger than what is read whole, so it is decoded block by block as it is read.
    QByteArray big = textOf(20 << 20);
    big += "last";
    writeFile(f->browse("big.txt"), big);
    pgwell &w = f->open();
    const QString before = ui(w).Text1->toPlainText();
    HeldReader held;
    w.viewer().loading().setReader(held.reader());

    chooseWithoutWaiting(ui(w).File1, "big.txt");
    QTRY_COMPARE(held.reached.available(), 1);
    QVERIFY(w.viewer().loading().isLoading());
    QCOMPARE(ui(w).Text1->toPlainText(),
             before); // the pane keeps its text until the new one is there
    QTRY_VERIFY(ui(w).Text1->showsLoadPreview()); // the file's start shows over it meanwhile
    QCOMPARE(ui(w).Text1->findChild<PlainTextView *>("loadPreview")->document().text().left(12),
             u"caf\u00e9 and a l"_qs);
    held.gate.release();
    waitForDisplay(w);
    QVERIFY(!ui(w).Text1->showsLoadProgress());
    QVERIFY(!ui(w).Text1->showsLoadPreview());
    QCOMPARE(ui(w).Text1->textLength(), big.size() - qsizetype(big.count("\xc3\xa9")));
    QVERIFY(ui(w).Text1->text().endsWith(QStringLiteral("goes on\nlast")));
    QCOMPARE(w.viewer().shownFile().lineEnding, LineEnding::Lf);
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("big.txt"));
    // The reader reads the file again when it needs the text.
    QVERIFY(w.reader()->readerText() == ui(w).Text1->text());
}

void TestDisplayLoading::droppedLoadStopsAtItsNextBlock_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("plain, decoded block by block") << textOf(40 << 20);
    QTest::newRow("plain, read whole") << textOf(12 << 20);
    QTest::newRow("formatted") << "{\\rtf1\\ansi " + textOf(6 << 20) + "}";
}

void TestDisplayLoading::droppedLoadStopsAtItsNextBlock()
{
    QFETCH(QByteArray, file);
    writeFile(f->browse("big.txt"), file);
    writeFile(f->browse("small.txt"), "small text");
    pgwell &w = f->open();
    auto held = std::make_shared<HeldReader>();
    w.viewer().loading().setReader(held->reader());

    chooseWithoutWaiting(ui(w).File1, "big.txt");
    QTRY_COMPARE(held->reached.available(), 1);
    QCOMPARE(DisplayLoading::liveLoads(), 1);
    w.viewer().loading().setReader(&PaneFileReader::read);
    choose(ui(w).File1, "small.txt");
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("small text"));

    // Let go, the dropped read ends at once, without reading the rest of its file.
    held->gate.release(100);
    QTRY_VERIFY(held->ended);
    QVERIFY(held->cancelled);
    QVERIFY2(held->furthest < held->total,
             qPrintable(QStringLiteral("%1 of %2").arg(held->furthest).arg(held->total)));
    QTRY_COMPARE(DisplayLoading::liveLoads(), 0);
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("small text"));
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("small.txt"));
    QVERIFY(f->fake.messages.shown.isEmpty());
}

void TestDisplayLoading::fileThatDoesNotAnswerIsGivenUp()
{
    // Any file may hang its reader in the system (a stuck network mount, a kernel file that
    // waits for data): the window goes on, keeps its text and says so.
    writeFile(f->browse("stuck.txt"), "never shown");
    writeFile(f->browse("keep.txt"), "kept text");
    writeFile(f->browse("other.txt"), "other text");
    pgwell &w = f->open();
    choose(ui(w).File1, "keep.txt");
    auto held = std::make_shared<HeldReader>();
    w.viewer().loading().setReader(held->reader());
    w.viewer().loading().setAnswerTimeout(200);

    chooseWithoutWaiting(ui(w).File1, "stuck.txt");
    QTRY_COMPARE(held->reached.available(), 1);
    QTRY_COMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.lastText(),
             DisplayLoading::notAnsweringMessage(f->browse("stuck.txt")));
    QVERIFY(!w.viewer().isLoading());
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("kept text"));
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("keep.txt"));
    QVERIFY(!ui(w).Text1->showsLoadProgress());
    QCOMPARE(DisplayLoading::liveLoads(), 1); // still blocked where it was

    // The window goes on with other files.
    w.viewer().loading().setReader(&PaneFileReader::read);
    choose(ui(w).File1, "other.txt");
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("other text"));

    // When the read comes back after the window is gone, nothing is delivered anywhere.
    f->w.reset();
    held->gate.release(100);
    QTRY_COMPARE(DisplayLoading::liveLoads(), 0);
    QVERIFY(held->cancelled || held->ended);
    QCOMPARE(f->fake.messages.shown.size(), 1);
}

void TestDisplayLoading::startUpWithALargeFileDoesNotWait()
{
    QByteArray big;
    big.reserve(24 << 20);
    while (big.size() < (24 << 20))
        big += "a log line with a few words in it\r\n";
    writeFile(f->browse("start.log"), big);
    pgwell::Options options;
    options.startPath = f->browse("start.log");
    pgwell &w = f->openWithoutWaiting(options);
    // The window is there, its file still being read; the pane shows its start-up text.
    QVERIFY(w.viewer().loading().isLoading());
    QVERIFY(w.viewer().shownFile().isEmpty());
    QVERIFY(ui(w).Text1->textLength() > 0);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(!w.viewer().shownFile().isEmpty(), 30000);
    QCOMPARE(ui(w).Text1->textLength(), big.size() / 35 * 34);
    QCOMPARE(w.viewer().shownFile().lineEnding, LineEnding::CrLf);
    QVERIFY(!ui(w).Text1->isModified());
}

void TestDisplayLoading::fileBeyondTheMemoryKeepsThePane_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<bool>("favorite");
    QTest::newRow("read whole") << qsizetype(100 << 10) << false;
    QTest::newRow("read block by block") << qsizetype(17 << 20) << false;
    QTest::newRow("a favorite") << qsizetype(100 << 10) << true;
}

void TestDisplayLoading::fileBeyondTheMemoryKeepsThePane()
{
    QFETCH(qsizetype, size);
    QFETCH(bool, favorite);
    const QString huge = favorite ? f->favorite("huge.txt") : f->browse("huge.txt");
    writeFile(f->browse("keep.txt"), "kept text");
    writeFile(huge, QByteArray(size, 'h'));
    pgwell &w = f->open();
    FileListBox *list = favorite ? ui(w).File2 : ui(w).File1;
    choose(ui(w).File1, "keep.txt");
    QTRY_COMPARE(ui(w).Text1->toPlainText(), QStringLiteral("kept text"));
    w.viewer().setMemoryBudget(MemoryBudget::fixed(size)); // less than the text would take

    choose(list, "huge.txt");
    QTRY_COMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.lastText(),
             QStringLiteral("%1 is too large to show with the memory available").arg(huge));
    QCOMPARE(f->fake.messages.shown.last().icon, MessageBoxes::Icon::Critical);
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("kept text"));
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("keep.txt"));
    QVERIFY(rowOf(list, "huge.txt") >= 0);

    // With the memory there, the same file shows.
    w.viewer().setMemoryBudget(MemoryBudget::fixed(qint64(1) << 40));
    choose(ui(w).File1, "keep.txt");
    choose(list, "huge.txt");
    QTRY_COMPARE(ui(w).Text1->textLength(), size);
    QCOMPARE(f->fake.messages.shown.size(), 1);
}

namespace {

QString dumpOf(const QByteArray &rtf)
{
    QTextDocument document;
    RtfReader::read(rtf, &document);
    return RtfDocumentDump::dump(document);
}

} // namespace

void TestDisplayLoading::millionLineDocumentShowsItsTextAndSavesFormatted()
{
    QByteArray rtf = R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}{\colortbl;\red200\green0\blue0;})";
    rtf += R"({\b\cf1 Title}\par )" + QByteArray(R"(line {\i of} text\line )").repeated(1'000'000) +
           "end}";
    writeFile(f->browse("long.rtf"), rtf);
    pgwell &w = f->open();
    choose(ui(w).File1, "long.rtf");

    // Its text, in the plain editor, which lays out only what is on screen; read-only, and
    // the note over the pane says so.
    QVERIFY(ui(w).Text1->isReadOnly());
    QVERIFY(!ui(w).Text1->showsRichDocument());
    QVERIFY(ui(w).Text1->findChild<QLabel *>("readOnlyNote")->isVisibleTo(ui(w).Text1));
    QVERIFY(ui(w).Text1->text().startsWith(QStringLiteral("Title\nline of text\nline of text\n")));
    QCOMPARE(ui(w).Text1->textLength(), 6 + 13 * 1'000'000 + 3);
    QVERIFY(w.viewer().shownFile().richText);

    // The tools that would change it say why and change nothing.
    const QString text = ui(w).Text1->text(0, 100);
    ui(w).Text1->select(0, 5);
    ui(w).Label5->click(); // Bold
    QCOMPARE(f->fake.messages.lastText(), RichTextBox::readOnlyNote());
    ui(w).Label16->click(); // Color
    QCOMPARE(f->fake.dialogs.colorAsked, 0);
    ui(w).cap->click();
    QVERIFY(!ui(w).cap->isChecked());
    QCOMPARE(f->fake.messages.shown.size(), 3);
    QCOMPARE(ui(w).Text1->text(0, 100), text);
    QVERIFY(!ui(w).Text1->isModified());

    // Save and Save as write the formatted document, as it was.
    QVERIFY(QFile::remove(f->browse("long.rtf")));
    // A write this long runs beside the window.
    ui(w).Command8->click();
    QTRY_VERIFY(!w.viewer().isBusy());
    QVERIFY(readFile(f->browse("long.rtf")) == rtf);
    f->fake.dialogs.saveAnswers.enqueue(f->browse("copy.rtf"));
    ui(w).Command6->click();
    QTRY_VERIFY(!w.viewer().isBusy());
    const QByteArray copy = readFile(f->browse("copy.rtf"));
    QCOMPARE(copy.size(), rtf.size());
    QCOMPARE(dumpOf(copy), dumpOf(rtf));
    QCOMPARE(f->fake.messages.shown.size(), 3);
}

void TestDisplayLoading::documentShownSimplifiedIsNotSavedSimplified()
{
    // Tables nested deeper than the pane shows would be saved flattened: the document is shown
    // as its text, read-only, and a save writes the file as it was.
    QByteArray rtf = R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\pard\intbl)";
    for (int level = 1; level <= 6; ++level)
        rtf += "\\itap" + QByteArray::number(level) + " level\\nestcell";
    rtf += "\\par}";
    writeFile(f->browse("deep.rtf"), rtf);
    pgwell &w = f->open();
    choose(ui(w).File1, "deep.rtf");
    QTRY_VERIFY(ui(w).Text1->isReadOnly());
    QVERIFY(ui(w).Text1->text().startsWith(QStringLiteral("level")));
    QVERIFY(QFile::remove(f->browse("deep.rtf")));
    ui(w).Command8->click();
    QCOMPARE(readFile(f->browse("deep.rtf")), rtf);
}

void TestDisplayLoading::typedLetterIsAllASaveChanges()
{
    // The pane's record of its edits reaches the save: the other bytes stay as they were.
    const QByteArray file("50%\r100%\r\nnext\nlast\r\r\nno end");
    writeFile(f->browse("mixed.txt"), file);
    pgwell &w = f->open();
    choose(ui(w).File1, "mixed.txt");
    QTRY_VERIFY(!w.viewer().isLoading());
    ui(w).Text1->select(9, 0); // before "next"
    QTest::keyClicks(ui(w).Text1->focusProxy(), QStringLiteral("x"));
    ui(w).Command8->click();
    QCOMPARE(readFile(f->browse("mixed.txt")), QByteArray("50%\r100%\r\nxnext\nlast\r\r\nno end"));
    QVERIFY(f->fake.messages.shown.isEmpty());
}

QTEST_MAIN(TestDisplayLoading)
#include "tst_displayloading.moc"
