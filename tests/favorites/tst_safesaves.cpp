// SPDX-License-Identifier: GPL-3.0-or-later
// The main window keeps what a save replaces and survives a kill: an in-place save cut short is
// put back at the next start or display and said once; a Save keeps the file's ACL and
// attributes; "Previous versions…" lists, shows and restores what was replaced; a full disk is
// named as such by the clip slots.
#include "app/pgwell.h"
#include "controls/clicklabel.h"
#include "favorites/previousversionsdialog.h"
#include "journalentry.h"
#include "panemenu.h"
#include "viewer/savejournal.h"
#include "viewer/versionstore.h"
#include "windowtest.h"

#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTreeWidget>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// What a Pagewell killed midway through an in-place save leaves: the file half written, its old
// bytes in a copy beside it, and the journal entry naming both.
void leaveInterruptedSave(const QString &path, const QByteArray &old)
{
    const QString backup =
        QFileInfo(path).path() + "/.pagewell-backup-" + QString::number(deadPid) + "-x";
    writeFile(backup, old);
    writeFile(path, "half" + old.mid(4, 3));
    forgeJournalEntry(path, backup, old.size());
}

// Opens the pane's context menu and chooses the entry, as the user does.
void chooseFromPaneMenu(pgwell &w, const QString &text)
{
    QMenu *menu = openPaneMenu(*ui(w).Text1);
    QVERIFY(menu);
    QAction *chosen = menuEntry(menu, text);
    menu->close();
    QVERIFY2(chosen, qPrintable(text));
    chosen->trigger();
}

} // namespace

class TestSafeSaves : public WindowTest
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QDir(SaveJournal::folder()).removeRecursively();
        QDir(VersionStore::defaultFolder()).removeRecursively();
        f.reset();
    }
    void interruptedSavePutBack_data();
    void interruptedSavePutBack();
    void quitWaitsForRecovery();
    void saveKeepsAclAndAttributes();
    void previousVersions();
    void fullDiskNamedByClipSlots();
};

void TestSafeSaves::interruptedSavePutBack_data()
{
    QTest::addColumn<bool>("atStart"); // else when the file is shown
    QTest::newRow("at the next start") << true;
    QTest::newRow("when the file is shown") << false;
}

void TestSafeSaves::interruptedSavePutBack()
{
    QFETCH(bool, atStart);
    const QString path = f->browse("big.txt");
    const QByteArray old = "the whole old text\n";
    writeFile(path, old);
    if (atStart)
        leaveInterruptedSave(path, old);
    pgwell &w = f->open();
    if (atStart) {
        // Put back on the recovery's thread, and said only once the window is on screen.
        QCOMPARE(readFile(path), old);
        QVERIFY(f->fake.messages.shown.isEmpty());
        w.show();
        QTRY_COMPARE(f->fake.messages.shown.size(), 1);
    } else {
        QVERIFY(f->fake.messages.shown.isEmpty());
        leaveInterruptedSave(path, old);
        choose(ui(w).File1, "big.txt");
        QCOMPARE(ui(w).Text1->toPlainText(), QString::fromLatin1(old));
    }
    QCOMPARE(readFile(path), old);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.lastText(),
             "Pagewell was stopped while it saved " + QDir::toNativeSeparators(path) +
                 ". The file's content from before that save has been put back.");
    QCOMPARE(QDir(f->browsed.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.txt"});
    // Said once: neither the next start nor the next display says it again.
    f->open();
    choose(ui(*f->w).File1, "big.txt");
    QCOMPARE(f->fake.messages.shown.size(), 1);
}

void TestSafeSaves::quitWaitsForRecovery()
{
    const QString path = f->browse("big.txt");
    const QByteArray old = "the whole old text\n";
    writeFile(path, old);
    leaveInterruptedSave(path, old);
    // The restore is held until the quit question is answered, and a while after.
    std::atomic<bool> quitting = false;
    SaveJournal::setBeforeRestore([&quitting](const QByteArray &) {
        while (!quitting)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    });
    const auto unhook = qScopeGuard([] { SaveJournal::setBeforeRestore({}); });
    pgwell &w = f->openWithoutWaiting();
    QVERIFY(w.viewer().isRecovering());
    f->fake.messages.whileShown = [&quitting] {
        quitting = true;
    };
    f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    QSignalSpy ended(&w, &pgwell::quitConfirmed);
    QAction *quit = w.findChild<QAction *>("actionQuit");
    QVERIFY(quit);
    quit->trigger();
    f->fake.messages.whileShown = {};
    QCOMPARE(ended.count(), 1);
    QCOMPARE(readFile(path), old);
}

void TestSafeSaves::saveKeepsAclAndAttributes()
{
    const QString path = f->browse("shared.txt");
    writeFile(path, "shared text\n");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    if (!run("setfacl", {"-m", "u:12345:rw-,g::r--,m::rw-", path}) ||
        !run("setfattr", {"-n", "user.origin", "-v", "keep", path}))
        QSKIP("setfacl and setfattr (Debian packages acl and attr) and a file system with ACLs "
              "and extended attributes are needed");
    const std::optional<QString> acl = run("getfacl", {"-p", "-c", path});
    pgwell &w = f->open();
    choose(ui(w).File1, "shared.txt");
    typeInPane(w, "more ");
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    QCOMPARE(readFile(path), "more shared text\n");
    QVERIFY(f->fake.messages.shown.isEmpty());
    QCOMPARE(run("getfacl", {"-p", "-c", path}), acl);
    QVERIFY(acl->contains("user:12345:rw-") && acl->contains("group::r--"));
    QCOMPARE(run("getfattr", {"--only-values", "-n", "user.origin", path}), "keep");
}

void TestSafeSaves::previousVersions()
{
    const QString path = f->browse("notes.txt");
    writeFile(path, "first\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "notes.txt");
    typeInPane(w, "second ");
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    typeInPane(w, "third ");
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    QCOMPARE(readFile(path), "second third first\n");
    // Adding over a favorite of the same name keeps the favorite's old text too.
    writeFile(f->favorite("notes.txt"), "favorite\n");
    QTest::mouseClick(ui(w).Label8, Qt::LeftButton);
    QCOMPARE(readFile(f->favorite("notes.txt")), "second third first\n");
    QCOMPARE(readFile(w.viewer().versions().list(f->favorite("notes.txt")).value(0).file),
             "favorite\n");
    QCOMPARE(w.viewer().versions().list(f->favorite("notes.txt")).value(0).reason,
             VersionStore::Reason::AddToFavorites);

    // So does "Save as" onto an existing file.
    writeFile(f->browse("other.txt"), "other\n");
    f->fake.dialogs.saveAnswers.enqueue(f->browse("other.txt"));
    QTest::mouseClick(ui(w).Command6, Qt::LeftButton);
    QCOMPARE(readFile(f->browse("other.txt")), "second third first\n");
    QCOMPARE(readFile(w.viewer().versions().list(f->browse("other.txt")).value(0).file), "other\n");
    QCOMPARE(w.viewer().versions().list(f->browse("other.txt")).value(0).reason,
             VersionStore::Reason::SaveAs);

    chooseFromPaneMenu(w, u"Previous versions\u2026"_qs);
    auto *dialog = w.findChild<PreviousVersionsDialog *>();
    QVERIFY(dialog && dialog->isVisible());
    QTreeWidget *list = dialog->list();
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(2), "Save");
    QCOMPARE(list->topLevelItem(1)->text(1), QLocale().formattedDataSize(6));

    // Show: the oldest in the pane, which Save leaves alone.
    list->setCurrentItem(list->topLevelItem(1));
    QTest::mouseClick(dialog->showButton(), Qt::LeftButton);
    QTRY_COMPARE(ui(w).Text1->toPlainText(), "first\n");
    typeInPane(w, "x");
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    QVERIFY(f->fake.messages.lastText().contains("earlier version"));
    QCOMPARE(readFile(path), "second third first\n");

    // Restore writes it back, keeping what it replaces, and shows the file again.
    QTest::mouseClick(dialog->restoreButton(), Qt::LeftButton);
    QCOMPARE(readFile(path), "first\n");
    QTRY_COMPARE(ui(w).Text1->toPlainText(), "first\n");
    QCOMPARE(w.viewer().shownFile().path, path);
    const QList<VersionStore::Version> versions = w.viewer().versions().list(path);
    QCOMPARE(versions.size(), 3);
    QCOMPARE(versions[0].reason, VersionStore::Reason::Restore);
    QCOMPARE(readFile(versions[0].file), "second third first\n");
}

void TestSafeSaves::fullDiskNamedByClipSlots()
{
    if (::geteuid() != 0)
        QSKIP("only root can mount the small file system this fills; a full disk's reason is "
              "checked as root");
    QTemporaryDir slotDir;
    const QByteArray mountPoint = QFile::encodeName(slotDir.path());
    if (::mount("pagewell-full", mountPoint.constData(), "tmpfs", 0, "size=16k") != 0)
        QSKIP("no small file system could be mounted here");
    const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
    f->fake.environment.variables.insert("windir", slotDir.path());
    pgwell &w = f->open();
    ui(w).Text1->setPlainText(QString(100000, u'c'));
    QTest::mouseClick(ui(w).Label13, Qt::LeftButton);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY2(f->fake.messages.lastText().startsWith(
                 "Cannot write " + QDir::toNativeSeparators(slotDir.path() + "/clip1.txt") +
                 ": No space left on device"),
             qPrintable(f->fake.messages.lastText()));
    QCOMPARE(QDir(slotDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(TestSafeSaves)
#include "tst_safesaves.moc"
