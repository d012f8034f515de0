// SPDX-License-Identifier: GPL-3.0-or-later
// The long operations' runner: progress only after a while, a cancel that reaches the work and
// only its own work, one operation at a time; and the saves that run through it: a cancelled
// write leaves the old file and nothing beside it, a failure says the system's reason, the pane
// is held while it runs and a display chosen meanwhile comes after.
#include "fakepane.h"
#include "filehelpers.h"
#include "platform/operationprogress.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/longoperation.h"

#include <QDir>
#include <QFileInfo>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cerrno>

namespace {

class FakeProgress : public OperationProgress
{
public:
    struct Shown
    {
        QString label;
        int percent;
    };
    QList<Shown> shown;
    int hidden = 0;
    std::function<void()> cancel;
    void show(const QString &label, int percent, std::function<void()> cancelIt) override
    {
        shown.append({label, percent});
        cancel = std::move(cancelIt);
    }
    void hide() override { ++hidden; }
};

// A runner on a clock the test sets, with its progress.
struct RunnerFixture
{
    RunnerFixture()
    {
        runner.setProgress(&progress);
        runner.setBackgroundFrom(0);
        runner.setClock([this] { return now; });
    }
    qint64 now = 0;
    FakeProgress progress;
    LongOperation runner;
};

// Waits, on the work's thread, until the work is cancelled (or a long while has passed).
void untilCancelled(LongOperation::Control &control)
{
    for (int i = 0; i < 10000 && !control.isCancelled(); ++i)
        QThread::msleep(1);
}

// Saves run on the operations' thread, however small.
struct ThreadedFixture : ViewerFixture
{
    ThreadedFixture() { viewer.operations().setBackgroundFrom(0); }
};

// The checkpoint of every write: what the test wants done at the first bytes of a content.
std::function<void()> atContent;
void checkpoint(AtomicFileWriter::Step step, qint64)
{
    if (step == AtomicFileWriter::Step::Content && atContent)
        std::exchange(atContent, nullptr)();
}

} // namespace

class TestLongOperation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useOwnHome();
        AtomicFileWriter::setCheckpoint(&checkpoint);
    }
    void cleanup() { atContent = nullptr; }

    void progressOnlyAfterTheDelay_data();
    void progressOnlyAfterTheDelay();
    void cancelReachesTheWork_data();
    void cancelReachesTheWork();
    void aStaleCancelStopsNothing();
    void oneAtATime();
    void smallOnesAtOnce_data();
    void smallOnesAtOnce();

    void cancelledWriteLeavesTheOldFile_data();
    void cancelledWriteLeavesTheOldFile();
    void failureSaysTheSystemsReason_data();
    void failureSaysTheSystemsReason();
    void paneHeldAndDisplayQueued();
    void questionAskedBetweenTheSteps_data();
    void questionAskedBetweenTheSteps();
};

void TestLongOperation::progressOnlyAfterTheDelay_data()
{
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<bool>("shown");
    QTest::newRow("at once") << qint64(0) << false;
    QTest::newRow("just before") << qint64(LongOperation::progressAfterMs - 1) << false;
    QTest::newRow("at the delay") << qint64(LongOperation::progressAfterMs) << true;
    QTest::newRow("long after") << qint64(60000) << true;
}

void TestLongOperation::progressOnlyAfterTheDelay()
{
    QFETCH(qint64, elapsed);
    QFETCH(bool, shown);
    RunnerFixture f;
    QSemaphore reported;
    QSemaphore release;
    bool done = false;
    QVERIFY(f.runner.run(
        "Working", 1,
        [&](LongOperation::Control &control) {
            control.setTotal(200);
            control.setDone(50);
            reported.release();
            release.acquire();
        },
        [&](bool cancelled) {
            QVERIFY(!cancelled);
            done = true;
        }));
    reported.acquire();
    f.now = elapsed;
    f.runner.poll();
    QCOMPARE(f.progress.shown.size(), shown ? 1 : 0);
    if (shown) {
        QCOMPARE(f.progress.shown.first().label, "Working");
        QCOMPARE(f.progress.shown.first().percent, 25);
    }
    release.release();
    QTRY_VERIFY(done);
    // Shown, it goes with the operation; never shown, nothing flickers.
    QCOMPARE(f.progress.hidden, shown ? 1 : 0);
    QVERIFY(!f.runner.isRunning());
}

void TestLongOperation::cancelReachesTheWork_data()
{
    QTest::addColumn<bool>("fromProgress");
    QTest::newRow("the progress's cancel") << true;
    QTest::newRow("the window's cancel") << false;
}

void TestLongOperation::cancelReachesTheWork()
{
    QFETCH(bool, fromProgress);
    RunnerFixture f;
    std::optional<bool> result;
    std::atomic<bool> sawCancel{false};
    f.runner.run(
        "Working", 1,
        [&](LongOperation::Control &control) {
            untilCancelled(control);
            sawCancel = control.isCancelled();
        },
        [&](bool cancelled) { result = cancelled; });
    f.now = 10000;
    f.runner.poll();
    QCOMPARE(f.progress.shown.size(), 1);
    QCOMPARE(f.progress.shown.first().percent, -1); // no total told: unknown
    if (fromProgress)
        f.progress.cancel();
    else
        f.runner.cancel();
    QTRY_VERIFY(result.has_value());
    QVERIFY(sawCancel);
    QVERIFY(*result);
    // A cancelled operation shows no more progress while it ends.
    f.runner.poll();
    QCOMPARE(f.progress.shown.size(), 1);
}

void TestLongOperation::aStaleCancelStopsNothing()
{
    RunnerFixture f;
    bool first = false;
    f.runner.run(
        "First", 1, [](LongOperation::Control &) { QThread::msleep(1); },
        [&](bool) { first = true; });
    f.now = 10000;
    f.runner.poll();
    const std::function<void()> staleCancel = f.progress.cancel;
    QTRY_VERIFY(first);

    std::optional<bool> second;
    QSemaphore release;
    f.runner.run(
        "Second", 1, [&](LongOperation::Control &) { release.acquire(); },
        [&](bool cancelled) { second = cancelled; });
    staleCancel(); // the first one's, pressed late
    release.release();
    QTRY_VERIFY(second.has_value());
    QVERIFY(!*second);
}

void TestLongOperation::oneAtATime()
{
    RunnerFixture f;
    QSemaphore release;
    int done = 0;
    bool secondRan = false;
    QSignalSpy running(&f.runner, &LongOperation::runningChanged);
    QVERIFY(f.runner.run(
        "First", 1, [&](LongOperation::Control &) { release.acquire(); }, [&](bool) { ++done; }));
    QVERIFY(f.runner.isRunning());
    QVERIFY(!f.runner.run(
        "Second", 1, [&](LongOperation::Control &) { secondRan = true; }, [&](bool) { ++done; }));
    release.release();
    QTRY_COMPARE(done, 1);
    QVERIFY(!secondRan);
    QCOMPARE(running.size(), 2);
    QCOMPARE(running.at(0).at(0).toBool(), true);
    QCOMPARE(running.at(1).at(0).toBool(), false);
}

void TestLongOperation::smallOnesAtOnce_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("atOnce");
    QTest::newRow("below the limit") << qint64(99) << true;
    QTest::newRow("at the limit") << qint64(100) << false;
    QTest::newRow("nothing") << qint64(0) << true;
}

void TestLongOperation::smallOnesAtOnce()
{
    QFETCH(qint64, size);
    QFETCH(bool, atOnce);
    RunnerFixture f;
    f.runner.setBackgroundFrom(100);
    Qt::HANDLE workThread = nullptr;
    bool done = false;
    f.runner.run(
        "Small", size, [&](LongOperation::Control &) { workThread = QThread::currentThreadId(); },
        [&](bool) { done = true; });
    QCOMPARE(done, atOnce);
    QTRY_VERIFY(done);
    QCOMPARE(workThread == QThread::currentThreadId(), atOnce);
}

void TestLongOperation::cancelledWriteLeavesTheOldFile_data()
{
    QTest::addColumn<bool>("rich");
    QTest::addColumn<bool>("saveAs");
    QTest::newRow("save, plain text") << false << false;
    QTest::newRow("save, formatted text") << true << false;
    QTest::newRow("save as over a file") << false << true;
}

// Cancelled at its first bytes: the file keeps every old byte, no temporary stays beside it,
// and the pane keeps its edits, editable again.
void TestLongOperation::cancelledWriteLeavesTheOldFile()
{
    QFETCH(bool, rich);
    QFETCH(bool, saveAs);
    ThreadedFixture f;
    const QByteArray old = "the old content\n";
    writeFile(f.path("t.txt"), old);
    f.show("t.txt", shownAs(TextEncoding::Utf8, LineEnding::Lf, rich));
    f.pane.content = QString(3 << 20, u'x'); // several blocks
    f.pane.modified = true;
    atContent = [&f] {
        f.viewer.operations().cancel();
    };
    if (saveAs) {
        f.fake.dialogs.saveAnswers.enqueue(f.path("t.txt"));
        f.viewer.saveAs();
    } else {
        f.viewer.save();
    }
    QVERIFY(f.viewer.isBusy());
    QTRY_VERIFY(!f.viewer.isBusy());
    QCOMPARE(readFile(f.path("t.txt")), old);
    QCOMPARE(f.entries(), QStringList{"t.txt"});
    QVERIFY(f.fake.messages.shown.isEmpty());
    QVERIFY(f.pane.modified);
    QCOMPARE(f.pane.holds, (QList<bool>{true, false}));
}

void TestLongOperation::failureSaysTheSystemsReason_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("error");
    QTest::newRow("under a file") << "t.txt/new.txt" << ENOTDIR;
    QTest::newRow("in no folder") << "missing/new.txt" << ENOENT;
    QTest::newRow("over a folder") << "folder.txt" << EISDIR;
}

void TestLongOperation::failureSaysTheSystemsReason()
{
    QFETCH(QString, target);
    QFETCH(int, error);
    ThreadedFixture f;
    writeFile(f.path("t.txt"), "old\n");
    QDir(f.folder.path()).mkdir("folder.txt");
    f.show("t.txt");
    f.pane.content = "typed";
    f.pane.modified = true;
    f.fake.dialogs.saveAnswers.enqueue(f.path(target));
    f.viewer.saveAs();
    QTRY_VERIFY(!f.viewer.isBusy());
    QCOMPARE(f.fake.messages.shown.size(), 1);
    const QString said = f.fake.messages.lastText();
    if (error == EISDIR)
        QVERIFY2(said.contains("folder"), qPrintable(said));
    else
        QVERIFY2(said.contains(qt_error_string(error)), qPrintable(said));
    QVERIFY2(said.contains(QDir::toNativeSeparators(f.path(target))), qPrintable(said));
    QCOMPARE(readFile(f.path("t.txt")), QByteArray("old\n"));
}

// While a save writes, the pane takes no edits and a display waits for it; both come back
// when it is over, and the file shown then is the one chosen.
void TestLongOperation::paneHeldAndDisplayQueued()
{
    ThreadedFixture f;
    writeFile(f.path("t.txt"), "old\n");
    writeFile(f.path("next.txt"), "next file\n");
    f.show("t.txt");
    f.pane.content = "typed";
    f.pane.modified = true;
    QSemaphore writing;
    QSemaphore release;
    atContent = [&] {
        writing.release();
        release.acquire();
    };
    f.viewer.save();
    writing.acquire();
    QVERIFY(f.pane.held);
    f.viewer.display(f.path("next.txt"), ShownList::Files);
    QCOMPARE(f.pane.content, "typed");
    f.viewer.save(); // a second save waits for nothing: it is not started
    release.release();
    QTRY_VERIFY(!f.viewer.isBusy());
    QVERIFY(!f.pane.held);
    QCOMPARE(readFile(f.path("t.txt")), QByteArray("typed\n"));
    QTRY_COMPARE(f.pane.content, "next file\n");
    QCOMPARE(f.viewer.shownFile().path, f.path("next.txt"));
}

void TestLongOperation::questionAskedBetweenTheSteps_data()
{
    QTest::addColumn<bool>("saveAs");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("expected"); // empty: no file
    QTest::addColumn<bool>("edited");
    const QByteArray utf8("caf\xc3\xa9 \xe2\x82\xac\xe4\xb8\x80\n");
    const auto yes = int(MessageBoxes::Answer::Yes);
    const auto no = int(MessageBoxes::Answer::No);
    QTest::newRow("save, yes: utf-8") << false << yes << utf8 << false;
    QTest::newRow("save, no: the file as it was") << false << no << QByteArray("caf\xe9\n") << true;
    QTest::newRow("save as, yes: utf-8") << true << yes << utf8 << true;
    QTest::newRow("save as, no: nothing written") << true << no << QByteArray() << true;
}

// A text that no longer fits the file's encoding: the question comes on the window's thread
// after the look, and the write after the answer.
void TestLongOperation::questionAskedBetweenTheSteps()
{
    QFETCH(bool, saveAs);
    QFETCH(int, answer);
    QFETCH(QByteArray, expected);
    QFETCH(bool, edited);
    const auto yes = int(MessageBoxes::Answer::Yes);
    ThreadedFixture f;
    writeFile(f.path("t.txt"), "caf\xe9\n");
    f.show("t.txt");
    ShownFile shown = f.viewer.shownFile();
    shown.encoding = TextEncoding::Windows1252;
    f.viewer.setShownFile(shown);
    // The euro sign is in Windows-1252, the last character is not.
    f.pane.content = u"caf\u00e9 \u20ac\u4e00"_qs;
    f.pane.modified = true;
    f.fake.messages.answers.enqueue(MessageBoxes::Answer(answer));
    const QString target = f.path(saveAs ? "as.txt" : "t.txt");
    if (saveAs) {
        f.fake.dialogs.saveAnswers.enqueue(target);
        f.viewer.saveAs();
    } else {
        f.viewer.save();
    }
    QTRY_VERIFY(!f.viewer.isBusy() && !f.fake.messages.shown.isEmpty());
    QCOMPARE(f.fake.messages.shown.size(), 1);
    QCOMPARE(QFileInfo::exists(target), !expected.isEmpty());
    if (!expected.isEmpty())
        QCOMPARE(readFile(target), expected);
    QCOMPARE(f.pane.modified, edited);
    // The user's choice of UTF-8 holds for the next saves of the file.
    if (!saveAs)
        QCOMPARE(f.viewer.shownFile().encoding,
                 answer == yes ? TextEncoding::Utf8 : TextEncoding::Windows1252);
}

QTEST_MAIN(TestLongOperation)
#include "tst_longoperation.moc"
