// SPDX-License-Identifier: GPL-3.0-or-later
// The window never waits on the shown file's disk: a look at it runs on a thread and what it
// found is taken only while the pane still shows what it looked for; one that blocks is given up
// with a message; a save a kill cut short is put back before the display reads the file, and
// said before it is shown.
#include "displaywait.h"
#include "draftfixture.h"
#include "filehelpers.h"
#include "viewer/displayloading.h"
#include "viewer/savejournal.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
void appendTo(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write(bytes);
}

// What a Pagewell killed midway through an in-place save leaves: the file half written, its old
// bytes in a copy beside it, and the journal entry naming both.
void leaveInterruptedSave(const QString &path, const QByteArray &old)
{
    const QString backup =
        QFileInfo(path).path() + "/.pagewell-backup-4194321-" + QFileInfo(path).baseName();
    writeFile(backup, old);
    writeFile(path, "half" + old.mid(4, 3));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QDir().mkpath(SaveJournal::folder());
    writeFile(SaveJournal::folder() + "/killed-" + QFileInfo(path).baseName() + ".entry",
              "target=" + QFile::encodeName(path).toPercentEncoding() +
                  "\nbackup=" + QFile::encodeName(backup).toPercentEncoding() +
                  "\ndevice=" + QByteArray::number(quint64(st.st_dev)) +
                  "\ninode=" + QByteArray::number(quint64(st.st_ino)) +
                  "\nsize=" + QByteArray::number(old.size()) + "\nprocess=4194321-1\n");
}
} // namespace

class TestOffWindowReads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup()
    {
        clearDrafts();
        QDir(SaveJournal::folder()).removeRecursively();
    }
    void lookTakenOnlyForTheSameText_data();
    void lookTakenOnlyForTheSameText();
    void changedBeforeLastBytesRead_data();
    void changedBeforeLastBytesRead();
    void blockedLookGivenUp();
    void recoveredBeforeShown_data();
    void recoveredBeforeShown();
    void startRecoveryBesideDisplay_data();
    void startRecoveryBesideDisplay();
    void operationsWaitForRecovery();
    void changedRightAfterRead_data();
    void changedRightAfterRead();
};

void TestOffWindowReads::lookTakenOnlyForTheSameText_data()
{
    QTest::addColumn<QString>("meanwhile"); // what happens before the look's answer is in
    QTest::addColumn<QString>("shown");     // what the pane shows afterwards
    QTest::addColumn<QStringList>("appended");
    QTest::addColumn<bool>("noticed"); // the file is said to have changed on disk
    QTest::newRow("nothing") << ""
                             << "one\ntwo\nthree\n"
                             << QStringList{"three\n"} << false;
    QTest::newRow("typed") << "typed"
                           << "one\ntwo\nx" << QStringList{} << true;
    QTest::newRow("another file shown") << "other"
                                        << "other\n"
                                        << QStringList{} << false;
    QTest::newRow("shown again") << "again"
                                 << "one\ntwo\nthree\n"
                                 << QStringList{} << false;
}

void TestOffWindowReads::lookTakenOnlyForTheSameText()
{
    QFETCH(QString, meanwhile);
    QFETCH(QString, shown);
    QFETCH(QStringList, appended);
    QFETCH(bool, noticed);
    Fixture f;
    const QString t = f.path("t.txt");
    const QString other = f.path("other.txt");
    writeFile(t, "one\ntwo\n");
    writeFile(other, "other\n");
    f.display(t);
    waitForDiskCheck(f.viewer()); // the last bytes shown are in
    appendTo(t, "three\n");
    // The look is held until what happens meanwhile is done.
    std::atomic<bool> held{true};
    f.viewer().diskLook().setLook([&held](const ShownFileLook::Request &request) {
        while (held)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return ShownFileLook::look(request);
    });
    f.viewer().checkDisk();
    QVERIFY(f.viewer().isCheckingDisk());
    if (meanwhile == "typed")
        f.pane().type("x");
    else if (meanwhile == "other")
        f.viewer().display(other, ShownList::Files);
    else if (meanwhile == "again")
        f.viewer().display(t, ShownList::Files);
    waitForDisplay(f.viewer());
    held = false;
    waitForDiskCheck(f.viewer());
    QCOMPARE(f.pane().content, shown);
    QCOMPARE(f.pane().appended, appended);
    QCOMPARE(f.viewer().changedOnDisk(), noticed);
    if (noticed)
        QVERIFY(f.viewer().notice().contains("t.txt was changed on disk by another program"));
    QVERIFY(f.fake.messages.shown.isEmpty());
    // Nothing was missed: a later look at the file as it is finds nothing new.
    checkDiskAndWait(f.viewer());
    QCOMPARE(f.pane().content, shown);
}

void TestOffWindowReads::changedBeforeLastBytesRead_data()
{
    QTest::addColumn<QString>("change"); // made to the file before its last bytes are read
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("appended");
    QTest::addColumn<int>("filesShown");
    // Only a file untouched since the save is known to hold the bytes saved: one that changed
    // is read again whole, even when it was only added to.
    QTest::newRow("none") << ""
                          << "one\ntwo\nx\nmore\n"
                          << QStringList{"more\n"} << 1;
    QTest::newRow("added to") << "append"
                              << "one\ntwo\nx\nmore\n"
                              << QStringList{} << 2;
    QTest::newRow("written anew, longer") << "rewrite"
                                          << "uno\ndos\ntres\nmore\n"
                                          << QStringList{} << 2;
}

void TestOffWindowReads::changedBeforeLastBytesRead()
{
    QFETCH(QString, change);
    QFETCH(QString, shown);
    QFETCH(QStringList, appended);
    QFETCH(int, filesShown);
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "one\ntwo\n");
    f.display(t);
    waitForDiskCheck(f.viewer());
    // After a Save the last bytes of the file written are read off the window thread: the
    // file changes before they are.
    std::atomic<bool> held{true};
    f.viewer().diskLook().setLook([&held](const ShownFileLook::Request &request) {
        while (request.tailOnly && held)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return ShownFileLook::look(request);
    });
    f.pane().type("x\n");
    f.viewer().save();
    QTRY_VERIFY(!f.viewer().isBusy());
    QCOMPARE(readFile(t), "one\ntwo\nx\n");
    if (change == "append") {
        appendTo(t, "more\n");
    } else if (change == "rewrite") {
        QFile file(t);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("uno\ndos\ntres\nmore\n");
    }
    held = false;
    waitForDiskCheck(f.viewer());
    if (change.isEmpty())
        appendTo(t, "more\n");
    checkDiskAndWait(f.viewer());
    QCOMPARE(f.pane().content, shown);
    QCOMPARE(f.pane().appended, appended);
    QCOMPARE(f.pane().filesShown, filesShown);
    QVERIFY(f.fake.messages.shown.isEmpty());
}

void TestOffWindowReads::blockedLookGivenUp()
{
    Fixture f;
    const QString t = f.path("t.txt");
    const QString fifo = f.path("fifo");
    writeFile(t, "shown\n");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    f.display(t);
    // A file that does not answer, as one on a stuck network mount: the look waits for a
    // writer that is not there.
    std::atomic<bool> blocks{true};
    std::atomic<bool> looked{false};
    f.viewer().diskLook().setLook([fifo, &blocks, &looked](const ShownFileLook::Request &request) {
        if (blocks.exchange(false)) {
            QFile blocking(fifo);
            (void)blocking.open(QIODevice::ReadOnly);
        }
        looked = true;
        return ShownFileLook::look(request);
    });
    f.viewer().diskLook().setAnswerTimeout(100);
    appendTo(t, "more\n");
    f.viewer().checkDisk();
    // The window answers meanwhile.
    bool answered = false;
    QTimer::singleShot(0, &f.viewer(), [&answered] { answered = true; });
    QTRY_VERIFY(answered);
    QTRY_COMPARE(f.fake.messages.shown.size(), 1);
    QCOMPARE(f.fake.messages.lastText(), DisplayLoading::notAnsweringMessage(t));
    QCOMPARE(f.pane().content, "shown\n");
    QVERIFY(!f.viewer().isCheckingDisk());
    // While the blocked look has not come back, no other look of the file joins it.
    f.viewer().checkDisk();
    QVERIFY(!f.viewer().isCheckingDisk());
    // Once the file answers, the next look reads what it gained.
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
    QVERIFY(writer >= 0);
    QTRY_VERIFY(looked);
    ::close(writer);
    QTRY_VERIFY([&f] {
        f.viewer().checkDisk();
        return f.viewer().isCheckingDisk();
    }());
    waitForDiskCheck(f.viewer());
    QCOMPARE(f.pane().content, "shown\nmore\n");
    QCOMPARE(f.fake.messages.shown.size(), 1);
}

void TestOffWindowReads::recoveredBeforeShown_data()
{
    QTest::addColumn<bool>("dropped"); // another file is chosen before this one is shown
    QTest::newRow("shown") << false;
    QTest::newRow("dropped for another") << true;
}

void TestOffWindowReads::recoveredBeforeShown()
{
    QFETCH(bool, dropped);
    Fixture f;
    const QString t = f.path("t.txt");
    const QString other = f.path("other.txt");
    const QByteArray old = "the whole old text\n";
    writeFile(t, old);
    writeFile(other, "other\n");
    leaveInterruptedSave(t, old);
    int toldBeforeShown = -1;
    connect(&f.viewer(), &Viewer::aboutToShow, &f.viewer(), [&](ShownList, const QString &) {
        if (toldBeforeShown < 0)
            toldBeforeShown = int(f.fake.messages.shown.size());
    });
    f.viewer().display(t, ShownList::Files);
    if (dropped)
        f.viewer().display(other, ShownList::Files);
    waitForDisplay(f.viewer());
    QTRY_COMPARE(f.fake.messages.shown.size(), 1);
    QCOMPARE(f.fake.messages.lastText(),
             "Pagewell was stopped while it saved " + QDir::toNativeSeparators(t) +
                 ". The file's content from before that save has been put back.");
    QCOMPARE(readFile(t), old);
    // Said before the file is shown; a display dropped meanwhile still says it.
    if (!dropped)
        QCOMPARE(toldBeforeShown, 1);
    QCOMPARE(f.pane().content, dropped ? QString("other\n") : QString::fromUtf8(old));
    // Said once: the next display says nothing.
    f.display(t);
    QCOMPARE(f.pane().content, QString::fromUtf8(old));
    QCOMPARE(f.fake.messages.shown.size(), 1);
}

void TestOffWindowReads::startRecoveryBesideDisplay_data()
{
    QTest::addColumn<bool>("own"); // the start is putting back the file shown, else another
    QTest::newRow("the file shown") << true;
    QTest::newRow("another file") << false;
}

void TestOffWindowReads::startRecoveryBesideDisplay()
{
    QFETCH(bool, own);
    Fixture f;
    const QString t = f.path("t.txt");
    const QString other = f.path("other.txt");
    const QByteArray old = "the whole old text\n";
    const QByteArray otherOld = "other old text\n";
    writeFile(t, old);
    writeFile(other, otherOld);
    leaveInterruptedSave(other, otherOld);
    if (own)
        leaveInterruptedSave(t, old);
    // The start's restore of one file is held, its bytes still those the kill left.
    const QByteArray held = QFile::encodeName(own ? t : other);
    std::atomic<bool> release = false;
    std::atomic<bool> holding = false;
    SaveJournal::setBeforeRestore([&](const QByteArray &target) {
        if (target != held || holding.exchange(true))
            return; // only the start's restore is held
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    const auto unhook = qScopeGuard([&] {
        release = true;
        waitForRecovery(f.viewer());
        SaveJournal::setBeforeRestore({});
    });
    QStringList told;
    f.viewer().recoverInterruptedSaves([&told](const QList<SaveJournal::Recovered> &recovered) {
        for (const SaveJournal::Recovered &one : recovered)
            told << one.path;
    });
    QTRY_COMPARE(SaveJournal::restoresUnderWay(), 1);
    // Else one the start did not find, left by another Pagewell that ended meanwhile: the
    // display puts it back while the start is busy with the other file.
    if (!own)
        leaveInterruptedSave(t, old);
    f.viewer().display(t, ShownList::Files);
    if (own) {
        // The display waits for the file to be put back whole; it is read as it was then.
        QTest::qWait(100);
        release = true;
    }
    waitForDisplay(f.viewer());
    QCOMPARE(f.pane().content, QString::fromUtf8(old));
    if (!own)
        QVERIFY(f.viewer().isRecovering()); // shown while the other file is still put back
    release = true;
    waitForRecovery(f.viewer());
    QCOMPARE(readFile(t), old);
    QCOMPARE(readFile(other), otherOld);
    // Each said once: by the start, or by the display that put it back.
    QStringList all = told;
    for (const FakeMessageBoxes::Shown &message : f.fake.messages.shown)
        all << message.text;
    QCOMPARE(all.size(), 2);
    QVERIFY(told.contains(other));
    if (own)
        QVERIFY(told.contains(t));
}

void TestOffWindowReads::operationsWaitForRecovery()
{
    // A Save chosen while the start puts files back comes once it is over, and writes over the
    // bytes put back, never under them.
    Fixture f;
    const QString t = f.path("t.txt");
    const QString other = f.path("other.txt");
    writeFile(t, "shown\n");
    const QByteArray otherOld = "other old text\n";
    writeFile(other, otherOld);
    f.display(t);
    f.pane().type("typed");
    leaveInterruptedSave(other, otherOld);
    std::atomic<bool> release = false;
    SaveJournal::setBeforeRestore([&release](const QByteArray &) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    const auto unhook = qScopeGuard([&] {
        release = true;
        waitForRecovery(f.viewer());
        SaveJournal::setBeforeRestore({});
    });
    f.viewer().recoverInterruptedSaves({});
    QTRY_COMPARE(SaveJournal::restoresUnderWay(), 1);
    f.viewer().save();
    QCOMPARE(readFile(t), "shown\n");
    release = true;
    waitForRecovery(f.viewer());
    QTRY_VERIFY(!f.viewer().isBusy());
    QVERIFY(readFile(t).startsWith("shown\ntyped"));
    QCOMPARE(readFile(other), otherOld);
}

void TestOffWindowReads::changedRightAfterRead_data()
{
    QTest::addColumn<QString>("change"); // what another program does as soon as the read is over
    QTest::addColumn<QString>("now");    // what the pane shows once the change is looked at
    QTest::newRow("replaced") << "replaced"
                              << "a new file\n";
    QTest::newRow("added to") << "added to"
                              << "one\ntwo\nthree\n";
    QTest::newRow("rewritten in place") << "rewritten"
                                        << "ONE\nTWO\nTHREE\n";
}

void TestOffWindowReads::changedRightAfterRead()
{
    // The shown file is known as it was read, not as it is when the window gets the result: a
    // change in between is seen by the next look.
    QFETCH(QString, change);
    QFETCH(QString, now);
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "one\ntwo\n");
    f.viewer().loading().setReader([&](const QString &path, const PaneFileReader::Limits &limits,
                                       const std::atomic<bool> *cancel,
                                       const PlainTextLoader::Progress &progress) {
        PaneFileReader::Result read = PaneFileReader::read(path, limits, cancel, progress);
        if (change == "replaced") {
            writeFile(path + ".new", "a new file\n");
            ::rename(QFile::encodeName(path + ".new").constData(),
                     QFile::encodeName(path).constData());
        } else if (change == "added to") {
            appendTo(path, "three\n");
        } else {
            QFile file(path);
            if (file.open(QIODevice::ReadWrite))
                file.write("ONE\nTWO\nTHREE\n");
        }
        return read;
    });
    f.display(t);
    QCOMPARE(f.pane().content, "one\ntwo\n");
    checkDiskAndWait(f.viewer());
    QCOMPARE(f.pane().content, now);
}

QTEST_GUILESS_MAIN(TestOffWindowReads)
#include "tst_offwindowreads.moc"
