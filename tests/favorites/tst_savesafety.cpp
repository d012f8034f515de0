// SPDX-License-Identifier: GPL-3.0-or-later
// Saves that keep what they replace, without windows: the store of previous versions, the
// journal of in-place saves and its recovery, leftovers of ended processes, the file's identity
// (ACL, attributes, mode) across a replace, and full disks named as such.
#include "fakeplatform.h"
#include "filehelpers.h"
#include "journalentry.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/posixfile.h"
#include "viewer/savejournal.h"
#include "viewer/versionstore.h"

#include <QProcess>
#include <QScopeGuard>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

class TestSaveSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void cleanup()
    {
        QDir(SaveJournal::folder()).removeRecursively();
        QDir(VersionStore::defaultFolder()).removeRecursively();
    }
    void versionLimits_data();
    void versionLimits();
    void versionsKeptAndRestored();
    void recovery_data();
    void recovery();
    void leftoversRemoved();
    void identityKept_data();
    void identityKept();
    void fullDiskNamed();
};

void TestSaveSafety::versionLimits_data()
{
    // Versions of one or two files kept one hour apart, each as large as given; what stays,
    // newest first, as "file:size".
    QTest::addColumn<QStringList>("kept"); // "a:10" keeps 10 bytes of file a
    QTest::addColumn<int>("perFile");
    QTest::addColumn<int>("days");
    QTest::addColumn<qint64>("totalBytes");
    QTest::addColumn<int>("hoursLater"); // after the last keeping, the store is pruned again
    QTest::addColumn<QStringList>("left");
    QStringList many, newest;
    for (int i = 1; i <= 25; ++i)
        many << QStringLiteral("a:%1").arg(i);
    for (int i = 25; i > 5; --i)
        newest << QStringLiteral("a:%1").arg(i);
    QTest::newRow("the last twenty per file") << many << 20 << 30 << qint64(1000) << 0 << newest;
    QTest::newRow("per file, not in all")
        << QStringList{"a:1", "b:2", "a:3", "b:4", "a:5"} << 2 << 30 << qint64(1000) << 0
        << QStringList{"a:5", "b:4", "a:3", "b:2"};
    QTest::newRow("thirty days") << QStringList{"a:1", "b:2", "a:3"} << 20 << 30 << qint64(1000)
                                 << 30 * 24 + 1 << QStringList();
    QTest::newRow("age counts from the keeping") << QStringList{"a:1", "b:2", "a:3"} << 20 << 30
                                                 << qint64(1000) << 30 * 24 << QStringList{"a:3"};
    QTest::newRow("total size, oldest dropped first")
        << QStringList{"a:40", "b:30", "a:20", "b:20"} << 20 << 30 << qint64(75) << 0
        << QStringList{"b:20", "a:20", "b:30"};
    QTest::newRow("the newest stays even alone over the total")
        << QStringList{"a:5", "a:500"} << 20 << 30 << qint64(100) << 0 << QStringList{"a:500"};
}

void TestSaveSafety::versionLimits()
{
    QFETCH(QStringList, kept);
    QFETCH(int, perFile);
    QFETCH(int, days);
    QFETCH(qint64, totalBytes);
    QFETCH(int, hoursLater);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    VersionStore::Limits limits;
    limits.perFile = perFile;
    limits.days = days;
    limits.totalBytes = totalBytes;
    VersionStore store(dir.filePath("versions"), limits);
    QDateTime now = QDateTime(QDate(2030, 1, 1), QTime(12, 0), Qt::UTC);
    store.setClock([&now] { return now; });
    for (const QString &k : kept) {
        const QString path = dir.filePath(k.section(u':', 0, 0));
        writeFile(path, QByteArray(k.section(u':', 1).toInt(), 'x'));
        QVERIFY(store.keep(path, VersionStore::Reason::Save));
        now = now.addSecs(3600);
    }
    now = now.addSecs(3600 * (hoursLater - 1));
    store.prune();
    QList<VersionStore::Version> all =
        store.list(dir.filePath("a")) + store.list(dir.filePath("b"));
    std::sort(all.begin(), all.end(), [](const auto &x, const auto &y) { return x.time > y.time; });
    QStringList found;
    for (const VersionStore::Version &v : all) {
        found << QFileInfo(v.path).fileName() + u':' + QString::number(v.size);
        QCOMPARE(QFileInfo(v.file).size(), v.size);
    }
    QCOMPARE(found, left);
    // Nothing dropped stays behind on disk: a version and its record go together.
    qsizetype files = 0;
    QDirIterator it(dir.filePath("versions"), QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    for (; it.hasNext(); it.next())
        ++files;
    QCOMPARE(files, 2 * left.size());
}

void TestSaveSafety::versionsKeptAndRestored()
{
    // Each write that replaces bytes keeps them, newest first, with what replaced them; a
    // restore is such a write itself.
    QTemporaryDir dir(QDir::homePath() + "/versions-XXXXXX"); // where the store is
    const QString path = dir.filePath("notes.txt");
    writeFile(path, "first");
    VersionStore store;
    QVERIFY(
        AtomicFileWriter::write(path, QByteArray("second"), {&store, VersionStore::Reason::Save})
            .isEmpty());
    QVERIFY(AtomicFileWriter::write(path, QByteArray("third"),
                                    {&store, VersionStore::Reason::AddToFavorites})
                .isEmpty());
    QList<VersionStore::Version> versions = store.list(path);
    QCOMPARE(versions.size(), 2);
    QCOMPARE(readFile(versions[0].file), "second");
    QCOMPARE(versions[0].reason, VersionStore::Reason::AddToFavorites);
    QCOMPARE(readFile(versions[1].file), "first");
    QCOMPARE(versions[1].reason, VersionStore::Reason::Save);
    QCOMPARE(versions[1].size, 5);
    QCOMPARE(versions[1].path, path);
    QVERIFY(versions[0].time >= versions[1].time);
    // Same file system: the old file itself, linked, not copied.
    const struct stat first = statOf(versions[1].file);
    QCOMPARE(first.st_nlink, nlink_t(1));

    QVERIFY(store.restore(versions[1], path).isEmpty());
    QCOMPARE(readFile(path), "first");
    versions = store.list(path);
    QCOMPARE(versions.size(), 3);
    QCOMPARE(readFile(versions[0].file), "third");
    QCOMPARE(versions[0].reason, VersionStore::Reason::Restore);
    // The restored version stays where it was; the file is a file of its own.
    QCOMPARE(readFile(versions[2].file), "first");
    QVERIFY(statOf(versions[2].file).st_ino != statOf(path).st_ino);

    // Written in place (a second name): the version is a copy, never the file being written.
    QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath("twin"))), 0);
    QVERIFY(
        AtomicFileWriter::write(path, QByteArray("fourth"), {&store, VersionStore::Reason::Save})
            .isEmpty());
    QCOMPARE(readFile(dir.filePath("twin")), "fourth");
    QCOMPARE(readFile(store.list(path).value(0).file), "first");
    QVERIFY(statOf(store.list(path).value(0).file).st_ino != statOf(path).st_ino);

    // A very large file that cannot be linked is not copied: only the limit's bytes are.
    VersionStore::Limits small;
    small.copyBytes = 3;
    QTemporaryDir elsewhere;
    VersionStore other(elsewhere.filePath("v"), small);
    QString error;
    QVERIFY(!other.keep(path, VersionStore::Reason::Save, VersionStore::Sharing::CopyOnly, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(other.keep(path, VersionStore::Reason::Save, VersionStore::Sharing::LinkAllowed));
}

void TestSaveSafety::recovery_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QByteArray>("fileAfter");
    QTest::addColumn<bool>("told");
    QTest::addColumn<bool>("entryStays");
    QTest::newRow("cut short midway")
        << "midway" << QByteArray("old text, all of it") << true << false;
    QTest::newRow("cut short after the last byte")
        << "written" << QByteArray("old text, all of it") << true << false;
    QTest::newRow("its process still saves") << "running" << QByteArray("new tex") << false << true;
    QTest::newRow("shown file only: another file's entry waits")
        << "other file" << QByteArray("new tex") << false << true;
    QTest::newRow("another file took its name")
        << "replaced" << QByteArray("someone else's") << true << false;
    QTest::newRow("its copy is gone") << "no copy" << QByteArray("new tex") << true << false;
}

void TestSaveSafety::recovery()
{
    QFETCH(QString, situation);
    QFETCH(QByteArray, fileAfter);
    QFETCH(bool, told);
    QFETCH(bool, entryStays);
    QTemporaryDir dir;
    const QString path = dir.filePath("file.txt");
    const QByteArray old = "old text, all of it";
    writeFile(path, situation == "written" ? QByteArray("the new text, longer than the old")
                                           : QByteArray("new tex")); // the old bytes half gone
    const QString backup = dir.filePath(".pagewell-backup-" + QString::number(deadPid) + "-z");
    if (situation != "no copy")
        writeFile(backup, old);
    forgeJournalEntry(path, backup, old.size());
    const QString entry = SaveJournal::folder() + "/forged.entry";
    if (situation == "running") {
        // Its own process's entry: a save going on, which recovery leaves alone.
        QByteArray text = readFile(entry);
        text.replace(QByteArray::number(deadPid) + "-1", PosixFile::processTag());
        writeFile(entry, text);
    }
    if (situation == "replaced") {
        writeFile(path + ".new", "someone else's");
        QCOMPARE(::rename(QFile::encodeName(path + ".new"), QFile::encodeName(path)), 0);
    }

    const QList<SaveJournal::Recovered> recovered =
        SaveJournal::recover(situation == "other file" ? dir.filePath("other.txt") : path);
    QCOMPARE(readFile(path), fileAfter);
    QCOMPARE(recovered.size(), told ? 1 : 0);
    QCOMPARE(QFile::exists(entry), entryStays);
    if (told) {
        QCOMPARE(recovered[0].path, path);
        QCOMPARE(recovered[0].problem.isEmpty(), situation == "midway" || situation == "written");
        QVERIFY(SaveJournal::message(recovered[0]).contains(QDir::toNativeSeparators(path)));
    }
    // The copy goes once it is no longer needed; another file's name keeps it as a version.
    QCOMPARE(QFile::exists(backup), entryStays && situation != "no copy");
    if (situation == "replaced")
        QCOMPARE(readFile(VersionStore().list(path).value(0).file), old);
    // Told once: a second recovery finds nothing more to do.
    if (!entryStays)
        QCOMPARE(SaveJournal::recover().size(), 0);
}

void TestSaveSafety::leftoversRemoved()
{
    // What saves of ended processes left goes with the next save into the folder; what running
    // processes (this one, init) write, what a journal entry still needs and what is not
    // Pagewell's stays.
    QTemporaryDir dir;
    const QString dead = QString::number(deadPid);
    const QString own = QString::number(::getpid());
    const QStringList gone{".pagewell-save-" + dead + "-a1", ".pagewell-backup-" + dead + "-b2"};
    const QStringList stay{".pagewell-save-" + own + "-c3",        ".pagewell-backup-1-d4",
                           ".pagewell-backup-" + dead + "-needed", ".pagewell-save-oldstyle",
                           ".pagewell-saver-" + dead + "-x",       "notes.txt"};
    for (const QString &name : gone + stay)
        writeFile(dir.filePath(name), "left");
    forgeJournalEntry(dir.filePath("notes.txt"),
                      dir.filePath(".pagewell-backup-" + dead + "-needed"), 4);
    QVERIFY(AtomicFileWriter::write(dir.filePath("other.txt"), QByteArray("x")).isEmpty());
    QStringList expected = stay;
    expected << "other.txt";
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

void TestSaveSafety::identityKept_data()
{
    QTest::addColumn<QStringList>("setfacl"); // on the file, before the save
    QTest::addColumn<QStringList>("folderAcl");
    QTest::addColumn<QString>("attribute"); // name=value
    QTest::addColumn<bool>("twin");         // a second name: written in place
    QTest::newRow("named user, narrow group, wide mask")
        << QStringList{"-m", "u:12345:rw-,g::r--,m::rw-"} << QStringList() << "user.origin=keep"
        << false;
    QTest::newRow("no acl in a folder with a default acl")
        << QStringList() << QStringList{"-d", "-m", "u:12345:rwx"} << "" << false;
    QTest::newRow("acl and attribute, written in place")
        << QStringList{"-m", "u:12345:r--,g::---"} << QStringList() << "user.two=2" << true;
    QTest::newRow("attribute only") << QStringList() << QStringList() << "user.a=b" << false;
}

void TestSaveSafety::identityKept()
{
    QFETCH(QStringList, setfacl);
    QFETCH(QStringList, folderAcl);
    QFETCH(QString, attribute);
    QFETCH(bool, twin);
    if (!run("getfacl", {"--version"}) || !run("getfattr", {"--version"}))
        QSKIP("getfacl and getfattr are needed (Debian packages acl and attr)");
    QTemporaryDir dir(QDir::homePath() + "/identity-XXXXXX");
    const QString path = dir.filePath("file.txt");
    writeFile(path, "old");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    if (!run("setfacl", {"-m", "u:12345:r--", path}) ||
        !run("setfattr", {"-n", "user.probe", path}))
        QSKIP("this file system keeps no ACLs or extended attributes");
    run("setfacl", {"-b", path});
    run("setfattr", {"-x", "user.probe", path});
    if (!folderAcl.isEmpty())
        QVERIFY(run("setfacl", folderAcl + QStringList{dir.path()}));
    if (!setfacl.isEmpty())
        QVERIFY(run("setfacl", setfacl + QStringList{path}));
    if (!attribute.isEmpty())
        QVERIFY(run("setfattr",
                    {"-n", attribute.section(u'=', 0, 0), "-v", attribute.section(u'=', 1), path}));
    if (twin)
        QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath("twin"))), 0);
    const auto acl = [](const QString &p) {
        return run("getfacl", {"-p", "-c", p});
    };
    const auto attributes = [](const QString &p) {
        return run("getfattr", {"-d", "-m", "^user\\.", "--absolute-names", p});
    };
    const std::optional<QString> aclBefore = acl(path);
    const std::optional<QString> folderBefore = acl(dir.path());
    const std::optional<QString> attributesBefore = attributes(path);
    const struct stat before = statOf(path);

    VersionStore versions;
    QVERIFY(
        AtomicFileWriter::write(path, QByteArray("new"), {&versions, VersionStore::Reason::Save})
            .isEmpty());
    QCOMPARE(readFile(path), "new");
    QCOMPARE(acl(path).value_or("<none>"), aclBefore.value_or("<none>"));
    QCOMPARE(attributes(path).value_or("<none>"), attributesBefore.value_or("<none>"));
    QCOMPARE(statOf(path).st_mode, before.st_mode);
    QCOMPARE(statOf(path).st_ino == before.st_ino, twin);
    QCOMPARE(acl(dir.path()), folderBefore);
}

void TestSaveSafety::fullDiskNamed()
{
    // A file system that is really full: the writer names the system's reason (the clip slots
    // are seen to with the window). Only root may mount one.
    if (::geteuid() != 0)
        QSKIP("only root can mount the small file system this fills; a full disk's reason is "
              "checked as root");
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    if (::mount("pagewell-full", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("no small file system could be mounted here");
    const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
    const QString path = dir.filePath("file.txt");
    writeFile(path, "the old content");
    const QString error = AtomicFileWriter::write(path, QByteArray(1 << 20, 'n'));
    QVERIFY2(error.endsWith(": No space left on device"), qPrintable(error));
    QCOMPARE(readFile(path), "the old content");
    // Written in place behind its copy, which does not fit either: the file stays whole.
    QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath("twin"))), 0);
    QVERIFY(!AtomicFileWriter::write(path, QByteArray(1 << 20, 'n')).isEmpty());
    QCOMPARE(readFile(path), "the old content");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

QTEST_MAIN(TestSaveSafety)
#include "tst_savesafety.moc"
