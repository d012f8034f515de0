// SPDX-License-Identifier: GPL-3.0-or-later
// Unsaved edits kept as drafts and shown again; files changed on disk while shown; a Save that
// never writes through a link planted after the display. The viewer with a pane of its own.
#include "displaywait.h"
#include "draftfixture.h"
#include "filehelpers.h"
#include "viewer/fileidentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <ctime>
#include <memory>
#include <unistd.h>

namespace {
enum class Flow { OtherFile, NewText, Nomal, Quit };

// A file of text lines.
QByteArray lines(int count, const QByteArray &word = "line")
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += word + ' ' + QByteArray::number(i) + '\n';
    return bytes;
}

void replaceByRename(const QString &path, const QByteArray &bytes)
{
    writeFile(path + ".new", bytes);
    QVERIFY(::rename(QFile::encodeName(path + ".new").constData(),
                     QFile::encodeName(path).constData()) == 0);
}

void appendInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write(bytes);
}

const QString changedQuestion = "t.txt was changed by another program after it was shown. Replace "
                                "it with the text shown here?";
} // namespace

Q_DECLARE_METATYPE(Flow)

class TestDrafts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void init() { clearDrafts(); }
    void keptThroughEveryFlow_data();
    void keptThroughEveryFlow();
    void draftOverAChangedFile_data();
    void draftOverAChangedFile();
    void newText();
    void undoneBackToTheFile();
    void nomalKeepsItsOwnDraft();
    void damagedDraft_data();
    void damagedDraft();
    void base_data();
    void base();
    void changedOnDisk_data();
    void changedOnDisk();
    void growingFile();
    void plantedLink_data();
    void plantedLink();
    void linkThereAtDisplay();
    void watcherNotices();
    void killedWhileTyping_data();
    void killedWhileTyping();
};

void TestDrafts::keptThroughEveryFlow_data()
{
    QTest::addColumn<Flow>("flow");
    QTest::addColumn<bool>("edits"); // a long text: its edits are kept, not the text
    QTest::addColumn<bool>("rich");
    for (const bool edits : {false, true}) {
        const char *kind = edits ? "edits" : "text";
        QTest::addRow("%s, another file", kind) << Flow::OtherFile << edits << false;
        QTest::addRow("%s, New", kind) << Flow::NewText << edits << false;
        QTest::addRow("%s, Nomal", kind) << Flow::Nomal << edits << false;
        QTest::addRow("%s, quit", kind) << Flow::Quit << edits << false;
    }
    QTest::addRow("formatted, another file") << Flow::OtherFile << false << true;
    QTest::addRow("formatted, quit") << Flow::Quit << false << true;
}

void TestDrafts::keptThroughEveryFlow()
{
    QFETCH(Flow, flow);
    QFETCH(bool, edits);
    QFETCH(bool, rich);
    Fixture f;
    f.start(edits ? 100 : DraftKeeper::defaultEditsFrom);
    const QByteArray original = lines(40);
    const QString t = f.path("t.txt");
    writeFile(t, original);
    writeFile(f.path("u.txt"), "other\n");
    f.display(t);
    // Typed in the middle, at the end, and one letter taken back.
    f.pane().replaceRange(5, 0, "INSIDE");
    f.pane().type("typed!");
    f.pane().backspace();
    f.pane().rich = rich;
    const QString edited = f.pane().content;
    QVERIFY(f.viewer().notice().isEmpty());
    f.viewer().discardDraft(); // nothing restored, nothing to drop
    QCOMPARE(f.pane().content, edited);

    switch (flow) {
    case Flow::OtherFile:
        f.display(f.path("u.txt"));
        QCOMPARE(f.pane().content, "other\n");
        break;
    case Flow::NewText:
        f.viewer().newText();
        QCOMPARE(f.pane().content, QString());
        break;
    case Flow::Nomal:
        f.viewer().setLastFileListPath(f.path("u.txt"));
        f.viewer().redisplayAsPlainText();
        waitForDisplay(f.viewer());
        QCOMPARE(f.pane().content, "other\n");
        break;
    case Flow::Quit:
        f.viewer().keepDrafts();
        f.start(edits ? 100 : DraftKeeper::defaultEditsFrom);
        break;
    }
    // None of them asks anything.
    QCOMPARE(f.fake.messages.shown.size(), 0);
    QCOMPARE(readFile(t), original);

    f.display(t);
    // A formatted draft may still be on its way (its RTF made in turns): it follows the display.
    QTRY_COMPARE(f.pane().content, edited);
    QVERIFY(f.pane().isModified());
    QCOMPARE(f.pane().rich, rich);
    QVERIFY2(f.viewer().notice().startsWith("Unsaved changes of "),
             qPrintable(f.viewer().notice()));
    QVERIFY(f.viewer().notice().endsWith(" restored — Save writes them; Discard drops them"));
    QVERIFY(f.viewer().offersDiscard());
    QVERIFY(!f.viewer().changedOnDisk());

    // Typing on after the restore is kept as well; Save writes it all and drops the draft.
    f.pane().type("more");
    f.viewer().keepDrafts();
    f.start(edits ? 100 : DraftKeeper::defaultEditsFrom);
    f.display(t);
    QCOMPARE(f.pane().content, edited + "more");
    f.viewer().save();
    QCOMPARE(f.fake.messages.shown.size(), 0);
    f.viewer().keepDrafts();
    QCOMPARE(f.draftFiles(), 0);
    QVERIFY(f.viewer().notice().isEmpty());
    if (!rich)
        QCOMPARE(QString::fromUtf8(readFile(t)), edited + "more\n");
    f.display(t);
    QVERIFY(!f.pane().isModified());
}

void TestDrafts::draftOverAChangedFile_data()
{
    QTest::addColumn<bool>("edits");
    QTest::addColumn<bool>("inPlace"); // appended to, else replaced by another file
    QTest::addColumn<QString>("expected");
    const QString edited = "INSIDE" + QString::fromUtf8(lines(20));
    QTest::addRow("text, replaced") << false << false << edited;
    QTest::addRow("text, appended to") << false << true << edited;
    QTest::addRow("edits, replaced") << true << false << edited;
    // The edits apply to the same file, which gained a line meanwhile.
    QTest::addRow("edits, appended to") << true << true << edited + "appended\n";
}

void TestDrafts::draftOverAChangedFile()
{
    QFETCH(bool, edits);
    QFETCH(bool, inPlace);
    QFETCH(QString, expected);
    Fixture f;
    f.start(edits ? 10 : DraftKeeper::defaultEditsFrom);
    const QString t = f.path("t.txt");
    writeFile(t, lines(20));
    f.display(t);
    f.pane().replaceRange(0, 0, "INSIDE");
    f.viewer().keepDrafts();
    f.start(edits ? 10 : DraftKeeper::defaultEditsFrom); // as after a crash

    const QByteArray other = inPlace ? lines(20) + "appended\n" : "another program's text\n";
    if (inPlace)
        appendInPlace(t, "appended\n");
    else
        replaceByRename(t, other);
    f.display(t);
    QCOMPARE(f.pane().content, expected);
    QVERIFY(f.viewer().offersDiscard());
    QVERIFY(f.viewer().changedOnDisk());

    // No, the default, writes nothing; Yes writes the text shown.
    f.viewer().save();
    QCOMPARE(f.fake.messages.shown.size(), 1);
    QCOMPARE(f.fake.messages.lastText(), changedQuestion);
    QCOMPARE(f.fake.messages.shown.last().buttons, MessageBoxes::Buttons::YesNoDefaultNo);
    QCOMPARE(readFile(t), other);
    f.fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    f.viewer().save();
    QCOMPARE(QString::fromUtf8(readFile(t)), expected);

    // Discard drops a draft and shows the file as it is.
    f.pane().type("again");
    f.viewer().keepDrafts();
    f.start();
    f.display(t);
    QVERIFY(f.viewer().offersDiscard());
    const qsizetype versionsBefore = f.viewer().versions().list(t).size();
    const QString dropped = f.pane().content;
    f.viewer().discardDraft();
    waitForDisplay(f.viewer());
    QCOMPARE(f.pane().content, expected);
    QVERIFY(!f.pane().isModified());
    QVERIFY(f.viewer().notice().isEmpty());
    f.viewer().keepDrafts();
    QCOMPARE(f.draftFiles(), 0);
    // What was dropped is not lost: it is the newest of the file's previous versions.
    const QList<VersionStore::Version> versions = f.viewer().versions().list(t);
    QCOMPARE(versions.size(), versionsBefore + 1);
    QCOMPARE(versions.first().reason, VersionStore::Reason::Reload);
    // Written as a Save writes a text: closed by a line end.
    QCOMPARE(QString::fromUtf8(readFile(versions.first().file)), dropped + u'\n');
}

void TestDrafts::newText()
{
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "file\n");
    f.display(t);
    f.viewer().newText();
    f.pane().type("a new text");
    f.viewer().keepDrafts();
    f.start();
    // At start, and with New, the text begun with New comes back.
    f.viewer().restoreNewTextDraft();
    QCOMPARE(f.pane().content, "a new text");
    QVERIFY(f.viewer().offersDiscard());
    f.display(t);
    QCOMPARE(f.pane().content, "file\n");
    f.viewer().newText();
    QCOMPARE(f.pane().content, "a new text");
    // Discard empties it for good.
    f.viewer().discardDraft();
    waitForDisplay(f.viewer());
    QCOMPARE(f.pane().content, QString());
    f.viewer().keepDrafts();
    f.start();
    f.viewer().restoreNewTextDraft();
    QCOMPARE(f.pane().content, QString());
    QVERIFY(!f.viewer().offersDiscard());

    // Save after New writes over the shown file and drops the new text's draft; the file's own
    // unsaved edits stay.
    f.display(t);
    f.pane().type("edit of the file");
    f.viewer().newText();
    f.pane().type("replacement");
    f.viewer().save();
    QCOMPARE(readFile(t), "replacement\n");
    f.viewer().keepDrafts();
    f.start();
    f.viewer().restoreNewTextDraft();
    QCOMPARE(f.pane().content, QString());
    f.display(t);
    QCOMPARE(f.pane().content, "file\nedit of the file");
}

void TestDrafts::undoneBackToTheFile()
{
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "file\n");
    f.display(t);
    f.pane().type("x");
    f.viewer().keepDrafts();
    QCOMPARE(f.draftFiles(), 1);
    // Undone: the pane holds the file's text again, nothing is left to keep.
    f.pane().content = "file\n";
    f.pane().modified = false;
    f.viewer().noteEdit(5, 1, 0);
    f.viewer().keepDrafts();
    QCOMPARE(f.draftFiles(), 0);
}

void TestDrafts::nomalKeepsItsOwnDraft()
{
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "file\n");
    f.display(t);
    f.pane().type(" shown");
    // "Nomal" shows the file as it is; what was typed over it waits for the next display.
    f.viewer().redisplayAsPlainText();
    waitForDisplay(f.viewer());
    QCOMPARE(f.pane().content, "file\n");
    QVERIFY(!f.viewer().offersDiscard());
    f.pane().type(" markup");
    f.display(t);
    QCOMPARE(f.pane().content, "file\n shown");
    f.viewer().redisplayAsPlainText();
    waitForDisplay(f.viewer());
    QCOMPARE(f.pane().content, "file\n markup");
    QVERIFY(f.viewer().offersDiscard());
}

void TestDrafts::damagedDraft_data()
{
    QTest::addColumn<int>("keep"); // bytes of the draft left, -1 for all, -2 patched
    QTest::addColumn<QByteArray>("after");
    QTest::addRow("cut short") << 40 << QByteArray();
    QTest::addRow("garbage") << 0 << QByteArray(300, '\xff');
    // The last piece's length, just before its characters, made huge.
    QTest::addRow("a piece longer than the file") << -2 << QByteArray(8, '\x7f');
    QTest::addRow("garbage after it") << -1 << QByteArray(100, '\x01');
}

void TestDrafts::damagedDraft()
{
    QFETCH(int, keep);
    QFETCH(QByteArray, after);
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "file\n");
    f.display(t);
    f.pane().type("edit");
    f.viewer().keepDrafts();
    const QString draft = DraftStore().draftFile(t);
    QByteArray bytes = readFile(draft);
    QVERIFY(bytes.size() > 60);
    if (keep == -2)
        bytes.replace(bytes.size() - 2 * 9 - 8, 8, after);
    else
        bytes = (keep < 0 ? bytes : bytes.left(keep)) + after;
    writeFile(draft, bytes);
    f.start();
    // No crash, and the file is shown; a draft that still reads whole comes back whole.
    f.display(t);
    QVERIFY(f.pane().content == "file\n" || f.pane().content == "file\nedit");
    QCOMPARE(f.viewer().shownFile().path, t);
}

void TestDrafts::base_data()
{
    QTest::addColumn<bool>("copy");
    QTest::addRow("clone or second name") << false;
    QTest::addRow("copy") << true;
}

void TestDrafts::base()
{
    QFETCH(bool, copy);
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, lines(50));
    const ShownFile::Identity shown = FileIdentity::of(t);
    const DraftStore store;
    const auto take = [&](const ShownFile::Identity &identity) {
        return copy ? store.copyBase(t, identity) : store.takeBase(t, identity);
    };
    // Not the file that was shown any more: no base.
    ShownFile::Identity older = shown;
    older.modifiedNs -= 1;
    QVERIFY(!take(older));
    QVERIFY(!QFile::exists(store.baseFile(t)));
    QVERIFY(take(shown));
    // The file replaced, the base keeps the bytes the edits began on.
    replaceByRename(t, "another text\n");
    QCOMPARE(readFile(store.baseFile(t)), lines(50));
    QCOMPARE(QDir(store.folder()).entryList({"*.new"}, QDir::Files | QDir::Hidden).size(), 0);
}

void TestDrafts::changedOnDisk_data()
{
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<int>("answer"); // to the Save question, when asked
    QTest::addRow("unedited, replaced") << false << false << 0;
    QTest::addRow("unedited, rewritten in place") << false << true << 0;
    QTest::addRow("edited, replaced, No") << true << false << int(MessageBoxes::Answer::No);
    QTest::addRow("edited, replaced, Yes") << true << false << int(MessageBoxes::Answer::Yes);
    QTest::addRow("edited, appended, No") << true << true << int(MessageBoxes::Answer::No);
}

void TestDrafts::changedOnDisk()
{
    QFETCH(bool, edited);
    QFETCH(bool, inPlace);
    QFETCH(int, answer);
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, lines(200));
    f.display(t);
    if (edited)
        f.pane().type("mine");
    const QString shown = f.pane().content;
    const QByteArray other = inPlace ? lines(200) + "theirs\n" : lines(100, "theirs");
    if (inPlace) {
        // Written anew in place, longer: not a file that was only added to.
        QFile file(t);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(edited ? other : lines(300, "theirs"));
    } else {
        replaceByRename(t, other);
    }
    QSignalSpy notices(&f.viewer(), &Viewer::noticeChanged);
    checkDiskAndWait(f.viewer());
    if (!edited) {
        // Read again by itself, whole, as nothing of the pane's is lost.
        QCOMPARE(f.pane().content.toUtf8(), readFile(t));
        QVERIFY(f.pane().appended.isEmpty());
        QVERIFY(f.viewer().notice().isEmpty());
        f.pane().type("x");
        f.viewer().save();
        QCOMPARE(f.fake.messages.shown.size(), 0);
        return;
    }
    QCOMPARE(f.pane().content, shown);
    QVERIFY(f.viewer().changedOnDisk());
    QCOMPARE(notices.size(), 1);
    QVERIFY(f.viewer().notice().contains("t.txt was changed on disk by another program"));
    checkDiskAndWait(f.viewer()); // the same change is noted once
    QCOMPARE(notices.size(), 1);
    f.fake.messages.answers.enqueue(MessageBoxes::Answer(answer));
    f.viewer().save();
    QCOMPARE(f.fake.messages.lastText(), changedQuestion);
    QCOMPARE(f.fake.messages.shown.last().icon, MessageBoxes::Icon::Question);
    if (MessageBoxes::Answer(answer) == MessageBoxes::Answer::No) {
        QCOMPARE(readFile(t), other);
        QVERIFY(f.viewer().changedOnDisk());
        return;
    }
    QCOMPARE(QString::fromUtf8(readFile(t)), shown + "\n");
    QVERIFY(!f.viewer().changedOnDisk());
    // The file is ours again: the next Save asks nothing, nor does one after a Save as over it.
    f.pane().type("!");
    f.viewer().save();
    QCOMPARE(f.fake.messages.shown.size(), 1);
    f.pane().type("?");
    f.fake.dialogs.saveAnswers.enqueue(t);
    f.viewer().saveAs();
    checkDiskAndWait(f.viewer());
    QVERIFY(!f.viewer().changedOnDisk());
    f.viewer().save();
    QCOMPARE(f.fake.messages.shown.size(), 1);
}

void TestDrafts::growingFile()
{
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "one\r\ntwo\r");
    f.display(t);
    QCOMPARE(f.pane().filesShown, 1);
    // A log written on: only what it gained is read, an unfinished character waits.
    appendInPlace(t, "\nthree \xc3");
    checkDiskAndWait(f.viewer());
    appendInPlace(t, "\xa9\r\nfour\n");
    checkDiskAndWait(f.viewer());
    QCOMPARE(f.pane().filesShown, 1);
    QCOMPARE(f.pane().appended, QStringList({"three ", u"\u00e9\nfour\n"_qs}));
    QCOMPARE(f.pane().content, u"one\ntwo\nthree \u00e9\nfour\n"_qs);
    QVERIFY(!f.pane().isModified());
    // The file is not taken for changed by another program: a Save asks nothing.
    f.pane().type("5");
    f.viewer().save();
    QCOMPARE(f.fake.messages.shown.size(), 0);
    QCOMPARE(readFile(t), "one\r\ntwo\r\nthree \xc3\xa9\r\nfour\r\n5\r\n");

    // Cut short and written again: read again whole.
    writeFile(t, "new\n");
    appendInPlace(t, "start, longer than before\n");
    checkDiskAndWait(f.viewer());
    QCOMPARE(f.pane().filesShown, 2);
    QCOMPARE(f.pane().content, "new\nstart, longer than before\n");
}

void TestDrafts::plantedLink_data()
{
    QTest::addColumn<int>("answer");
    QTest::addRow("No") << int(MessageBoxes::Answer::No);
    QTest::addRow("Yes") << int(MessageBoxes::Answer::Yes);
}

void TestDrafts::plantedLink()
{
    QFETCH(int, answer);
    Fixture f;
    const QString t = f.path("t.txt");
    const QString precious = f.path("elsewhere/precious.txt");
    writeFile(t, "shown\n");
    writeFile(precious, "precious\n");
    f.display(t);
    // Another user replaces the shown file by a link to a file they may not write.
    QVERIFY(QFile::remove(t));
    QVERIFY(QFile::link(precious, t));
    f.pane().type("x");
    f.fake.messages.answers.enqueue(MessageBoxes::Answer(answer));
    f.viewer().save();
    QCOMPARE(f.fake.messages.lastText(), changedQuestion);
    QCOMPARE(readFile(precious), "precious\n");
    if (MessageBoxes::Answer(answer) == MessageBoxes::Answer::No) {
        QVERIFY(QFileInfo(t).isSymLink());
        return;
    }
    // The link gave way to the file; what it led to is untouched.
    QVERIFY(!QFileInfo(t).isSymLink());
    QCOMPARE(readFile(t), "shown\nx\n");
}

void TestDrafts::linkThereAtDisplay()
{
    Fixture f;
    const QString target = f.path("real/t.txt");
    const QString link = f.path("link.txt");
    writeFile(target, "real\n");
    QVERIFY(QFile::link(target, link));
    f.display(link);
    f.pane().type("x");
    f.viewer().save();
    // The link the user had stays a link, and its file takes the text; nothing is asked.
    QCOMPARE(f.fake.messages.shown.size(), 0);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(target), "real\nx\n");
    // Pointed elsewhere since: that is a change, and the new target is never written.
    writeFile(f.path("other.txt"), "other\n");
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(f.path("other.txt"), link));
    f.pane().type("y");
    f.viewer().save();
    QCOMPARE(f.fake.messages.lastText(),
             "link.txt was changed by another program after it was shown. Replace it with the "
             "text shown here?");
    QCOMPARE(readFile(f.path("other.txt")), "other\n");
    QCOMPARE(readFile(target), "real\nx\n");
}

void TestDrafts::watcherNotices()
{
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "a\n");
    f.display(t);
    appendInPlace(t, "b\n");
    QTRY_COMPARE(f.pane().content, "a\nb\n");
    replaceByRename(t, "c\n");
    QTRY_COMPARE(f.pane().content, "c\n");
}

// The typing driver: shows the file, types a letter every few milliseconds and tells each one
// with the monotonic time it was typed, until it is killed.
static int typeUntilKilled(const QString &path, qsizetype editsFrom)
{
    QStandardPaths::setTestModeEnabled(true); // the drafts folder of the test that started it
    FakePlatform fake(QFileInfo(path).path());
    Session session(fake);
    session.viewer.drafts().setEditsFrom(editsFrom);
    session.viewer.display(path, ShownList::Files);
    waitForDisplay(session.viewer);
    QTimer timer;
    int typed = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        session.pane.type(QString(QChar(u'a' + typed % 26)));
        ++typed;
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const QByteArray line =
            QByteArray::number(typed) + ' ' +
            QByteArray::number(qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000) + '\n';
        [[maybe_unused]] const ssize_t written = ::write(1, line.constData(), size_t(line.size()));
    });
    timer.start(5);
    return QCoreApplication::exec();
}

void TestDrafts::killedWhileTyping_data()
{
    QTest::addColumn<qsizetype>("editsFrom");
    QTest::addColumn<int>("killAfterMs");
    auto *random = QRandomGenerator::global();
    for (int i = 0; i < 3; ++i) {
        QTest::addRow("whole text %d", i)
            << DraftKeeper::defaultEditsFrom << random->bounded(2800, 4500);
        QTest::addRow("edits %d", i) << qsizetype(100) << random->bounded(2800, 4500);
    }
}

void TestDrafts::killedWhileTyping()
{
    QFETCH(qsizetype, editsFrom);
    QFETCH(int, killAfterMs);
    Fixture f;
    const QString t = f.path("t.txt");
    const QByteArray original = lines(30);
    writeFile(t, original);
    QProcess driver;
    driver.start(QCoreApplication::applicationFilePath(),
                 {"--type", t, QString::number(editsFrom)});
    QVERIFY(driver.waitForStarted());
    QTest::qWait(killAfterMs);
    ::kill(pid_t(driver.processId()), SIGKILL);
    QVERIFY(driver.waitForFinished());
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 killedAt = qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    // Every letter typed more than about a second before the kill must come back: allowed here
    // are two, as the machine may be busy.
    int typed = 0;
    int old = 0;
    for (const QByteArray &line : driver.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 2)
            continue;
        typed = fields[0].toInt();
        if (fields[1].toLongLong() < killedAt - 2000)
            old = typed;
    }
    QVERIFY2(old > 0, "the driver typed nothing in time");

    f.display(t);
    const QString restored = f.pane().content;
    QString all;
    for (int i = 0; i < typed; ++i)
        all += QChar(u'a' + i % 26);
    const QString before = QString::fromUtf8(original);
    QVERIFY(restored.startsWith(before));
    const QString kept = restored.mid(before.size());
    QVERIFY2(all.startsWith(kept), qPrintable(kept)); // in order, nothing garbled
    QVERIFY2(kept.size() >= old, qPrintable(QStringLiteral("%1 of %2").arg(kept.size()).arg(old)));
    QCOMPARE(readFile(t), original);
}

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--type") == 0) {
        QCoreApplication app(argc, argv);
        return typeUntilKilled(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toLongLong());
    }
    QCoreApplication app(argc, argv);
    TestDrafts test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_drafts.moc"
