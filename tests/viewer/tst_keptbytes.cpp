// SPDX-License-Identifier: GPL-3.0-or-later
// Bytes that would otherwise be lost: a file another program replaced while it was shown, drafts
// of files that are gone, drafts dropped by Discard, a log followed across several additions.
#include "displaywait.h"
#include "draftfixture.h"
#include "filehelpers.h"
#include "viewer/fileidentity.h"
#include "viewer/textdifference.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <cstring>
#include <unistd.h>

namespace {
enum class Gone { Removed, FolderMissing, BackAgain, NewText, NomalOfRemoved };

enum class Change { RenamedOver, RemovedAndWritten, LinkPut, RewrittenInPlace, Appended };

void change(Change how, const QString &path, const QByteArray &bytes)
{
    switch (how) {
    case Change::RenamedOver:
        writeFile(path + ".new", bytes);
        QVERIFY(::rename(QFile::encodeName(path + ".new").constData(),
                         QFile::encodeName(path).constData()) == 0);
        break;
    case Change::RemovedAndWritten:
        QVERIFY(QFile::remove(path));
        writeFile(path, bytes);
        break;
    case Change::LinkPut:
        writeFile(path + ".elsewhere", bytes);
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::link(path + ".elsewhere", path));
        break;
    case Change::RewrittenInPlace: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        break;
    }
    case Change::Appended: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(bytes);
        break;
    }
    }
}

QList<QByteArray> keptBytes(Viewer &viewer, const QString &path, VersionStore::Reason reason)
{
    QList<QByteArray> kept;
    for (const VersionStore::Version &version : viewer.versions().list(path)) {
        if (version.reason == reason)
            kept.append(readFile(version.file));
    }
    return kept;
}
} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Gone)

class TestKeptBytes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void init() { clearDrafts(); }
    void replacedByAnotherProgram_data();
    void replacedByAnotherProgram();
    void replacedTwice();
    void replacedAfterSave_data();
    void replacedAfterSave();
    void draftsOfGoneFiles_data();
    void draftsOfGoneFiles();
    void droppedNewText_data();
    void droppedNewText();
    void draftNeverOverAnotherFile_data();
    void draftNeverOverAnotherFile();
    void differenceFromTheShownText_data();
    void differenceFromTheShownText();
    void folderSyncedAfterTheRename_data();
    void folderSyncedAfterTheRename();
};

void TestKeptBytes::replacedByAnotherProgram_data()
{
    QTest::addColumn<Change>("how");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("kept"); // the bytes shown are still somewhere to be kept
    for (const bool edited : {false, true}) {
        const char *pane = edited ? "edited" : "unedited";
        QTest::addRow("%s, renamed over", pane) << Change::RenamedOver << edited << true;
        QTest::addRow("%s, removed and written", pane)
            << Change::RemovedAndWritten << edited << true;
        QTest::addRow("%s, link put in its place", pane) << Change::LinkPut << edited << true;
        // Written over in place: the old bytes are gone the moment they are written.
        QTest::addRow("%s, rewritten in place", pane)
            << Change::RewrittenInPlace << edited << false;
        // Only added to: nothing was replaced.
        QTest::addRow("%s, appended", pane) << Change::Appended << edited << false;
    }
}

void TestKeptBytes::replacedByAnotherProgram()
{
    QFETCH(Change, how);
    QFETCH(bool, edited);
    QFETCH(bool, kept);
    Fixture f;
    const QString t = f.path("t.txt");
    const QByteArray shown = "the text shown\nline two\n";
    writeFile(t, shown);
    f.display(t);
    if (edited)
        f.pane().type("mine");
    change(how, t, "another program's text, longer than the one shown\n");
    checkDiskAndWait(f.viewer());
    checkDiskAndWait(f.viewer()); // noticed once, kept once
    f.viewer().keepDrafts();
    const QList<QByteArray> versions = keptBytes(f.viewer(), t, VersionStore::Reason::OtherProgram);
    QCOMPARE(versions, kept ? QList<QByteArray>{shown} : QList<QByteArray>{});
    if (kept)
        QCOMPARE(VersionStore::reasonText(VersionStore::Reason::OtherProgram), "another program");
}

void TestKeptBytes::replacedAfterSave_data()
{
    QTest::addColumn<bool>("saveAs"); // over the shown file's own name, else Save
    QTest::newRow("Save") << false;
    QTest::newRow("Save as over itself") << true;
}

void TestKeptBytes::replacedAfterSave()
{
    // What a save wrote is the file shown from then on: held open, so that its bytes are kept
    // when another program puts another file in its place.
    QFETCH(bool, saveAs);
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "shown\n");
    f.display(t);
    f.pane().type("saved");
    if (saveAs) {
        f.fake.dialogs.saveAnswers.enqueue(t);
        f.viewer().saveAs();
    } else {
        f.viewer().save();
    }
    QTRY_VERIFY(!f.viewer().isBusy());
    const QByteArray saved = readFile(t);
    QVERIFY(saved.startsWith("shown\nsaved"));
    change(Change::RenamedOver, t, "another program's text\n");
    checkDiskAndWait(f.viewer());
    f.viewer().keepDrafts();
    QCOMPARE(keptBytes(f.viewer(), t, VersionStore::Reason::OtherProgram),
             QList<QByteArray>{saved});
}

void TestKeptBytes::replacedTwice()
{
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "first\n");
    f.display(t);
    f.pane().type("edit");
    change(Change::RenamedOver, t, "second\n");
    checkDiskAndWait(f.viewer());
    change(Change::RenamedOver, t, "third\n");
    checkDiskAndWait(f.viewer());
    // Our own Save is no other program's change: the bytes it replaces are kept as a Save's.
    f.fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    f.viewer().save();
    checkDiskAndWait(f.viewer());
    f.viewer().keepDrafts();
    QCOMPARE(keptBytes(f.viewer(), t, VersionStore::Reason::OtherProgram),
             QList<QByteArray>({"second\n", "first\n"}));
    QCOMPARE(keptBytes(f.viewer(), t, VersionStore::Reason::Save), QList<QByteArray>{"third\n"});
}

void TestKeptBytes::draftsOfGoneFiles_data()
{
    QTest::addColumn<Gone>("gone");
    QTest::addColumn<int>("days"); // since it was first found missing
    QTest::addColumn<bool>("kept");
    QTest::addRow("removed, 29 days") << Gone::Removed << 29 << true;
    QTest::addRow("removed, 31 days") << Gone::Removed << 31 << false;
    QTest::addRow("as plain text, removed, 31 days") << Gone::NomalOfRemoved << 31 << false;
    // Its folder is not there: maybe a disk that is not plugged in.
    QTest::addRow("folder missing, 31 days") << Gone::FolderMissing << 31 << true;
    QTest::addRow("folder missing, 364 days") << Gone::FolderMissing << 364 << true;
    QTest::addRow("folder missing, 366 days") << Gone::FolderMissing << 366 << false;
    // Missing for a while, then back: the count begins again when it is missed next.
    QTest::addRow("back again, 31 days") << Gone::BackAgain << 31 << true;
    QTest::addRow("new text, 1000 days") << Gone::NewText << 1000 << true;
}

void TestKeptBytes::draftsOfGoneFiles()
{
    QFETCH(Gone, gone);
    QFETCH(int, days);
    QFETCH(bool, kept);
    QTemporaryDir folder;
    const QString t = folder.filePath("sub/t.txt");
    writeFile(t, "text\n");
    Draft draft;
    draft.path = gone == Gone::NewText          ? QString()
                 : gone == Gone::NomalOfRemoved ? t + "\n(as plain text)"
                                                : t;
    draft.savedAt = QDateTime::currentDateTime();
    draft.base = FileIdentity::of(t);
    draft.text = TextBuffer(QStringLiteral("text\nedited"));
    const DraftStore store;
    QCOMPARE(store.write(draft), QString());
    QVERIFY(store.takeBase(DraftStore::fileOf(draft.path), draft.base, draft.path) ||
            draft.path.isEmpty());
    const DraftStore::Grace grace;
    const QDateTime start = QDateTime::currentDateTimeUtc();
    store.dropOrphans(start, grace); // there: nothing happens
    if (gone == Gone::FolderMissing)
        QVERIFY(QDir(folder.filePath("sub")).removeRecursively());
    else
        QVERIFY(QFile::remove(t));
    store.dropOrphans(start.addDays(1), grace); // first found missing
    if (gone == Gone::BackAgain) {
        writeFile(t, "text\n");
        store.dropOrphans(start.addDays(10), grace);
        QVERIFY(QFile::remove(t));
        store.dropOrphans(start.addDays(days), grace);
    }
    store.dropOrphans(start.addDays(1 + days), grace);
    QCOMPARE(store.exists(draft.path), kept);
    QCOMPARE(QFile::exists(store.baseFile(draft.path)), kept && !draft.path.isEmpty());
    if (kept)
        QCOMPARE(store.read(draft.path)->text.text(), "text\nedited");
    else
        QCOMPARE(QDir(store.folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestKeptBytes::droppedNewText_data()
{
    QTest::addColumn<bool>("fileShown");
    QTest::addRow("a file shown") << true;
    QTest::addRow("no file shown") << false;
}

void TestKeptBytes::droppedNewText()
{
    QFETCH(bool, fileShown);
    Fixture f;
    const QString t = f.path("t.txt");
    writeFile(t, "file\n");
    if (fileShown) {
        f.display(t);
    }
    f.viewer().newText();
    f.pane().type(u"typed \u00e9"_qs);
    f.viewer().keepDrafts();
    f.start();
    if (fileShown) {
        f.display(t);
    }
    f.viewer().restoreNewTextDraft();
    QVERIFY(f.viewer().offersDiscard());
    // One click drops it from the pane, not from the disk.
    f.viewer().discardDraft();
    QCOMPARE(f.pane().content, QString());
    f.viewer().keepDrafts();
    const QString of = fileShown ? t : VersionStore::newTextPath();
    const QList<VersionStore::Version> versions = f.viewer().versions().list(of);
    QCOMPARE(versions.size(), 1);
    // A New text replaces the shown file when saved: it is kept as that file's text would be.
    QCOMPARE(readFile(versions.first().file), fileShown ? "typed \xc3\xa9\n" : "typed \xc3\xa9");
    f.viewer().restoreVersion(versions.first());
    if (fileShown) {
        QCOMPARE(readFile(t), "typed \xc3\xa9\n");
        return;
    }
    // Back as the New text, kept as its draft again.
    QCOMPARE(f.pane().content, u"typed \u00e9"_qs);
    QVERIFY(f.pane().isModified());
    f.viewer().keepDrafts();
    f.start();
    f.viewer().restoreNewTextDraft();
    QCOMPARE(f.pane().content, u"typed \u00e9"_qs);
}

void TestKeptBytes::draftNeverOverAnotherFile_data()
{
    QTest::addColumn<qsizetype>("editsFrom"); // the text kept whole, or its edits over a base
    QTest::addRow("whole text") << DraftKeeper::defaultEditsFrom;
    QTest::addRow("edits") << qsizetype(4);
}

// The file removed, and another one made elsewhere that may take its inode number: the draft
// belongs to the path, and the other file is shown as it is.
void TestKeptBytes::draftNeverOverAnotherFile()
{
    QFETCH(qsizetype, editsFrom);
    Fixture f;
    f.start(editsFrom);
    const QString a = f.path("a.txt");
    writeFile(a, "file a, long enough\n");
    const quint64 inode = FileIdentity::of(a).inode;
    f.display(a);
    f.pane().type("edit of a");
    f.viewer().keepDrafts();
    f.start(editsFrom);
    QVERIFY(QFile::remove(a));
    QString b;
    for (int i = 0; i < 50 && b.isEmpty(); ++i) {
        const QString candidate = f.path(QStringLiteral("b%1.txt").arg(i));
        writeFile(candidate, "file b, long enough\n");
        if (FileIdentity::of(candidate).inode == inode)
            b = candidate;
    }
    if (b.isEmpty())
        b = f.path("b0.txt"); // the inode is not reused here: any other file will do
    f.display(b);
    QCOMPARE(f.pane().content, "file b, long enough\n");
    QVERIFY(!f.viewer().offersDiscard());
    QVERIFY(!f.viewer().changedOnDisk());
    // The draft of a is still there for a.
    writeFile(a, "file a, long enough\n");
    f.display(a);
    QCOMPARE(f.pane().content, "file a, long enough\nedit of a");
}

void TestKeptBytes::differenceFromTheShownText_data()
{
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<qsizetype>("position"); // -1: the two are the same
    QTest::addColumn<qsizetype>("removed");
    QTest::addRow("same") << "abc"
                          << "abc" << qsizetype(-1) << qsizetype(0);
    QTest::addRow("both empty") << ""
                                << "" << qsizetype(-1) << qsizetype(0);
    QTest::addRow("typed inside") << "abcd"
                                  << "abXcd" << qsizetype(2) << qsizetype(0);
    QTest::addRow("typed at the end") << "ab\n"
                                      << "ab\nx" << qsizetype(3) << qsizetype(0);
    QTest::addRow("removed at the start") << "xyab"
                                          << "ab" << qsizetype(0) << qsizetype(2);
    QTest::addRow("all replaced") << "abc"
                                  << "XYZ" << qsizetype(0) << qsizetype(3);
    QTest::addRow("a repeated letter doubled") << "aaa"
                                               << "aaaa" << qsizetype(3) << qsizetype(0);
    // Pairs that share their first half, or their second, are never cut in two.
    QTest::addRow("pair differing in its second half")
        << u"a\U0001F600b"_qs << u"a\U0001F601b"_qs << qsizetype(1) << qsizetype(2);
    QTest::addRow("pair differing in its first half")
        << u"a\U0001F600"_qs << u"a\U0001F200"_qs << qsizetype(1) << qsizetype(2);
    // Long texts are compared in blocks: differences at their edges, from either end.
    const auto run = [](char16_t c, qsizetype n) {
        return QString(n, QChar(c));
    };
    const qsizetype b = 64 * 1024;
    QTest::addRow("long, the same")
        << run(u'a', 3 * b) << run(u'a', 3 * b) << qsizetype(-1) << qsizetype(0);
    QTest::addRow("long, first of a block")
        << run(u'a', b) + u"b"_qs + run(u'c', b) << run(u'a', b) + u"X"_qs + run(u'c', b) << b
        << qsizetype(1);
    QTest::addRow("long, last of a block")
        << run(u'a', b - 1) + u"b"_qs + run(u'c', b) << run(u'a', b - 1) + u"X"_qs + run(u'c', b)
        << b - 1 << qsizetype(1);
    QTest::addRow("long, a block from the end")
        << u"pQ"_qs + run(u'z', b) << u"pR"_qs + run(u'z', b) << qsizetype(1) << qsizetype(1);
    QTest::addRow("long, just short of a block from the end")
        << u"pQ"_qs + run(u'z', b - 1) << u"pR"_qs + run(u'z', b - 1) << qsizetype(1)
        << qsizetype(1);
    QTest::addRow("long, longer by more than a block")
        << run(u'a', b + 5) << run(u'a', 2 * b + 9) << b + 5 << qsizetype(0);
    QTest::addRow("long, a pair across a block's end")
        << run(u'a', b - 1) + u"\U0001F600b"_qs << run(u'a', b - 1) + u"\U0001F601b"_qs << b - 1
        << qsizetype(2);
    QTest::addRow("long, a pair across a block's end from the end")
        << u"b\U0001F600"_qs + run(u'a', b - 1) << u"b\U0001F200"_qs + run(u'a', b - 1)
        << qsizetype(1) << qsizetype(2);
}

void TestKeptBytes::differenceFromTheShownText()
{
    QFETCH(QString, now);
    QFETCH(QString, wanted);
    QFETCH(qsizetype, position);
    QFETCH(qsizetype, removed);
    // Over the pieces of a long text as over one string.
    const TextDifference difference = TextDifference::between(TextBuffer(now), TextBuffer(wanted));
    QCOMPARE(difference.same, position < 0);
    if (difference.same)
        return;
    QCOMPARE(difference.position, position);
    QCOMPARE(difference.removed, removed);
    QCOMPARE(QString(now).replace(difference.position, difference.removed, difference.added),
             wanted);
}

void TestKeptBytes::folderSyncedAfterTheRename_data()
{
    QTest::addColumn<QString>("what");
    QTest::addRow("draft") << "draft";
    QTest::addRow("base of a draft") << "base";
    QTest::addRow("version") << "version";
}

// A power cut right after a draft or a version is put in place keeps it: the folder that got
// the new name is flushed after the rename (or link) that made it. Seen in the system calls.
void TestKeptBytes::folderSyncedAfterTheRename()
{
    QFETCH(QString, what);
    const QString strace = QStandardPaths::findExecutable("strace");
    if (strace.isEmpty())
        QSKIP("strace is not installed");
    QTemporaryDir folder;
    const QString kept = folder.filePath("kept");
    const QString log = folder.filePath("calls");
    QProcess helper;
    helper.start(strace,
                 {"-f", "-o", log, "-e", "trace=openat,rename,renameat,renameat2,link,linkat,fsync",
                  QCoreApplication::applicationFilePath(), "--keep", what, folder.path()});
    QVERIFY(helper.waitForFinished(60000));
    if (helper.exitCode() != 0 && !QFile::exists(log))
        QSKIP("strace cannot trace here");
    QCOMPARE(helper.exitCode(), 0);
    const QStringList calls = QString::fromLocal8Bit(readFile(log)).split(u'\n');
    // The last call that put a name into the folder, then the folder opened and flushed.
    const QString quoted = u'"' + kept;
    qsizetype named = -1;
    for (qsizetype i = 0; i < calls.size(); ++i) {
        const QString &call = calls[i];
        if (QRegularExpression(QStringLiteral("\\b(rename|renameat2?|link|linkat)\\("))
                .match(call)
                .hasMatch() &&
            call.contains(quoted) && call.endsWith(QStringLiteral("= 0")))
            named = i;
    }
    QVERIFY2(named >= 0, qPrintable(calls.join(u'\n')));
    const QRegularExpression opened(
        QStringLiteral("openat\\(AT_FDCWD, \"%1(/[^\"]*)?\", O_RDONLY[^)]*O_DIRECTORY\\) = (\\d+)$")
            .arg(QRegularExpression::escape(kept)));
    QString fd;
    bool synced = false;
    for (qsizetype i = named + 1; i < calls.size() && !synced; ++i) {
        if (const QRegularExpressionMatch match = opened.match(calls[i]); match.hasMatch())
            fd = match.captured(2);
        else if (!fd.isEmpty() &&
                 QRegularExpression(QStringLiteral("fsync\\(%1\\)\\s+= 0$").arg(fd))
                     .match(calls[i])
                     .hasMatch())
            synced = true;
    }
    QVERIFY2(synced, qPrintable(calls.mid(named).join(u'\n')));
}

// The helper the system calls are watched in: keeps one thing in <folder>/kept.
static int keepOne(const QString &what, const QString &folder)
{
    const QString kept = folder + "/kept";
    const QString file = folder + "/t.txt";
    writeFile(file, "text\n");
    if (what == "version")
        return VersionStore(kept).keep(file, VersionStore::Reason::Save) ? 0 : 1;
    const DraftStore store(kept);
    if (what == "base")
        return store.takeBase(file, FileIdentity::of(file)) ? 0 : 1;
    Draft draft;
    draft.path = file;
    draft.text = TextBuffer(u"edited");
    return store.write(draft).isEmpty() ? 0 : 1;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--keep") == 0)
        return keepOne(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestKeptBytes test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_keptbytes.moc"
