// SPDX-License-Identifier: GPL-3.0-or-later
// The record of the shown file: Save and Delete act on the file whose text the pane shows, also
// after a display that failed (a file gone, too large, or not a regular file any more), after
// Refresh, and for a file the lists do not offer.
#include "app/browser.h"
#include "controls/clicklabel.h"
#include "reader/form3.h"
#include "viewer/displayloading.h"
#include "windowtest.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <sys/stat.h>
#include <unistd.h>

namespace {
quint64 inodeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}
} // namespace

class TestShownFile : public WindowTest
{
    Q_OBJECT

private slots:
    void failedDisplayKeepsShownFile_data();
    void failedDisplayKeepsShownFile();
    void failedFavoriteDisplayKeepsShownFile();
    void fileOutsideThePattern();
    void rightFileAfterRefresh_data();
    void rightFileAfterRefresh();
    void uneditedSaveWritesNothing_data();
    void uneditedSaveWritesNothing();
    void failedDeleteKeepsTheFile_data();
    void failedDeleteKeepsTheFile();
    void operationsWaitForAFileBeingRead();
};

void TestShownFile::failedDisplayKeepsShownFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("over the size limit") << "huge";
    QTest::newRow("deleted after the list was read") << "gone";
    // Refused at once, as anything but a regular file is (the reader's own test): nothing
    // waits for a writer.
    QTest::newRow("a named pipe now") << "fifo";
}

void TestShownFile::failedDisplayKeepsShownFile()
{
    QFETCH(QString, fault);
    writeFile(f->browse("a.txt"), "alpha\n");
    writeFile(f->browse("bad.txt"), "bad");
    pgwell &w = f->open();
    choose(ui(w).File1, "a.txt");
    typeInPane(w, "edited ");

    if (fault == "huge") {
        QFile huge(f->browse("bad.txt"));
        QVERIFY(huge.resize(qint64(5) << 30)); // sparse: no disk space taken
    } else {
        const QByteArray bad = QFile::encodeName(f->browse("bad.txt"));
        QVERIFY(QFile::remove(f->browse("bad.txt")));
        if (fault == "fifo")
            QCOMPARE(::mkfifo(bad.constData(), 0600), 0);
    }
    choose(ui(w).File1, "bad.txt"); // a wait for a pipe's writer would last to the time limit
    // A vanished file is passed over in silence and leaves the list; any other is reported.
    QCOMPARE(f->fake.messages.shown.size(), fault == "gone" ? 0 : 1);
    QCOMPARE(rowOf(ui(w).File1, "bad.txt") < 0, fault == "gone");
    if (fault != "gone" && fault != "huge")
        QCOMPARE(f->fake.messages.lastText(), f->browse("bad.txt") + " is not a regular file");
    // The pane, the record, the source, the reader and the selection all still tell of a.txt.
    QCOMPARE(ui(w).Text1->toPlainText(), "edited alpha\n");
    QCOMPARE(w.viewer().shownFile().path, f->browse("a.txt"));
    QCOMPARE(w.viewer().shownFile().list, ShownList::Files);
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("a.txt"));
    QCOMPARE(w.reader()->windowTitle(), "Full screen mode - a.txt");
    QCOMPARE(ui(w).File1->fileName(), "a.txt");

    // So Save writes the edit where it came from, and the failed file stays as it is.
    ui(w).File1->selectQuietly(fault == "gone" ? QString() : "bad.txt"); // whatever is selected now
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    QCOMPARE(readFile(f->browse("a.txt")), "edited alpha\n");
    if (fault == "huge")
        QCOMPARE(QFileInfo(f->browse("bad.txt")).size(), qint64(5) << 30);

    QTest::mouseClick(ui(w).m2, Qt::LeftButton);
    waitForOperation(w.viewer());
    QVERIFY(!QFile::exists(f->browse("a.txt")));
    QCOMPARE(readFile(WindowFixture::trashed("a.txt")), "edited alpha\n");
    QCOMPARE(QFileInfo::exists(f->browse("bad.txt")), fault != "gone");
}

void TestShownFile::failedFavoriteDisplayKeepsShownFile()
{
    writeFile(f->favorite("kept.txt"), "kept\n");
    writeFile(f->favorite("vanishing.txt"), "v");
    writeFile(f->browse("vanishing.txt"), "the file list's own");
    pgwell &w = f->open();
    choose(ui(w).File2, "kept.txt");
    choose(ui(w).File1, "vanishing.txt");
    choose(ui(w).File2, "kept.txt");
    QVERIFY(QFile::remove(f->favorite("vanishing.txt")));
    choose(ui(w).File2, "vanishing.txt");
    QVERIFY(f->fake.messages.lastText().endsWith(" .. Please refresh the list"));
    QCOMPARE(rowOf(ui(w).File2, "vanishing.txt"), -1);
    QCOMPARE(ui(w).File2->fileName(), "kept.txt");
    QCOMPARE(ui(w).File1->fileName(), QString()); // the file list does not hold the shown file
    QCOMPARE(w.viewer().shownFile().list, ShownList::Favorites);

    typeInPane(w, "more ");
    QTest::mouseClick(ui(w).sav, Qt::LeftButton);
    QCOMPARE(readFile(f->favorite("kept.txt")), "more kept\n");
    QCOMPARE(readFile(f->browse("vanishing.txt")), "the file list's own");
}

void TestShownFile::fileOutsideThePattern()
{
    const QString path = f->browse("notes.log");
    writeFile(path, "log line\n");
    pgwell &w = f->open(pgwell::Options{path});
    QCOMPARE(rowOf(ui(w).File1, "notes.log"), -1);
    QCOMPARE(ui(w).Text1->toPlainText(), "log line\n");
    typeInPane(w, "new ");
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    QVERIFY(f->fake.messages.shown.isEmpty());
    QCOMPARE(readFile(path), "new log line\n");
    QTest::mouseClick(ui(w).Label7, Qt::LeftButton);
    waitForOperation(w.viewer());
    QVERIFY(f->fake.messages.shown.isEmpty());
    QCOMPARE(readFile(WindowFixture::trashed("notes.log")), "new log line\n");
}

void TestShownFile::rightFileAfterRefresh_data()
{
    QTest::addColumn<QString>("shown"); // "*" marks a favorite
    QTest::addColumn<QString>("control");
    const auto row = [](const char *name, const char *shown, const char *control) {
        QTest::newRow(name) << QString(shown) << QString(control);
    };
    row("upper case of two, toolbar", "A.txt", "reall");
    row("lower case of two, pop-up", "a.txt", "ref");
    row("favorite with a file-list twin", "*", "Label11");
}

void TestShownFile::rightFileAfterRefresh()
{
    QFETCH(QString, shown);
    QFETCH(QString, control);
    writeFile(f->browse("a.txt"), "lower\n");
    writeFile(f->browse("A.txt"), "upper\n");
    writeFile(f->favorite("a.txt"), "favorite\n");
    pgwell &w = f->open();
    const bool favorite = shown == "*";
    const QString path = favorite ? f->favorite("a.txt") : f->browse(shown);
    choose(ui(w).File1, favorite ? "a.txt" : shown);
    if (favorite)
        choose(ui(w).File2, "a.txt");
    const QByteArray original = readFile(path);
    typeInPane(w, "x");
    writeFile(f->browse("new.txt"), "n");
    writeFile(f->favorite("new favorite.txt"), "n");
    // Pagewell's own data folder (previous versions) aside.
    const auto outsideOwnData = [](QMap<QString, QByteArray> entries) {
        entries.removeIf([](const auto &entry) {
            return entry.key().startsWith(WindowFixture::data() + "/Pagewell");
        });
        return entries;
    };
    const auto before = outsideOwnData(snapshot(WindowFixture::data()));

    // Both lists are read again; the selections stay and nothing is shown again.
    if (control == "ref")
        ui(w).ref->trigger();
    else
        QTest::mouseClick(w.findChild<ClickLabel *>(control), Qt::LeftButton);
    QVERIFY(rowOf(ui(w).File1, "new.txt") >= 0);
    QVERIFY(rowOf(ui(w).File2, "new favorite.txt") >= 0);
    QCOMPARE(ui(w).File1->fileName(), favorite ? "a.txt" : shown);
    QCOMPARE(ui(w).File2->fileName(), favorite ? "a.txt" : QString());
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    auto expected = before;
    expected[path] = "x" + original;
    QCOMPARE(outsideOwnData(snapshot(WindowFixture::data())), expected);
    // The replaced bytes are kept as the file's newest previous version.
    QCOMPARE(readFile(w.viewer().versions().list(path).value(0).file), original);

    // Delete moves that file, and no other, to the trash; the pane keeps its text.
    const QString shownText = ui(w).Text1->toPlainText();
    QTest::mouseClick(ui(w).m2, Qt::LeftButton);
    waitForOperation(w.viewer());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(readFile(WindowFixture::trashed(QFileInfo(path).fileName())), "x" + original);
    QCOMPARE(QDir(f->browsed.path()).entryList(QDir::Files).size(), favorite ? 3 : 2);
    QCOMPARE(readFile(favorite ? f->browse("a.txt") : f->favorite("a.txt")),
             favorite ? "lower\n" : "favorite\n");
    QCOMPARE(rowOf(favorite ? ui(w).File2 : ui(w).File1, QFileInfo(path).fileName()), -1);
    QCOMPARE(ui(w).Text1->toPlainText(), shownText);
}

void TestShownFile::uneditedSaveWritesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("favorite");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("mixed line ends, no final one")
        << "mixed.txt" << false << QByteArray("50%\r100%\r\nnext\nlast");
    QTest::newRow("rtf") << "doc.rtf" << false << QByteArray("{\\rtf1\\ansi plain \\b bold\\b0}");
    QTest::newRow("windows-1252 favorite") << "fav.txt" << true << QByteArray("caf\xe9\n\n");
}

void TestShownFile::uneditedSaveWritesNothing()
{
    QFETCH(QString, name);
    QFETCH(bool, favorite);
    QFETCH(QByteArray, bytes);
    const QString path = favorite ? f->favorite(name) : f->browse(name);
    writeFile(path, bytes);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000),
                                 QFileDevice::FileModificationTime));
    }
    pgwell &w = f->open();
    choose(favorite ? ui(w).File2 : ui(w).File1, name);
    QVERIFY(!ui(w).Text1->isModified());
    const quint64 inode = inodeOf(path);

    // Typing and taking it back leaves the text as it was read.
    typeInPane(w, "x");
    QVERIFY(ui(w).Text1->isModified());
    QTest::keyClick(ui(w).Text1->editor(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!ui(w).Text1->isModified());
    QTest::mouseClick(ui(w).sav, Qt::LeftButton);
    QVERIFY(f->fake.messages.shown.isEmpty());
    QCOMPARE(readFile(path), bytes);
    QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch(), 1000000000);
    QCOMPARE(inodeOf(path), inode);

    // New is an edit like any other: Save then writes the empty text.
    QTest::mouseClick(ui(w).Command5, Qt::LeftButton);
    QVERIFY(ui(w).Text1->isModified());
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    QVERIFY(readFile(path) != bytes);
    QVERIFY(!ui(w).Text1->isModified());
}

void TestShownFile::failedDeleteKeepsTheFile_data()
{
    QTest::addColumn<QString>("control"); // m2: Delete; remt: "Remove This file"
    QTest::addColumn<QString>("fault");
    for (const char *control : {"m2", "remt"}) {
        for (const char *fault : {"long name", "trash records not writable", "folder not writable"})
            QTest::addRow("%s, %s", control, fault) << control << fault;
    }
}

// Neither hangs (GIO's trash is bounded; the test's time limit would catch a hang) nor loses
// the file: it stays, listed and shown, and the message says why.
void TestShownFile::failedDeleteKeepsTheFile()
{
    QFETCH(QString, control);
    QFETCH(QString, fault);
    if (fault != "long name" && ::geteuid() == 0)
        QSKIP("root may write anywhere: tried as an ordinary user");
    const bool favorite = control == "remt";
    // 250 bytes: the trash's record of it, "NAME.trashinfo", would pass the limit of 255.
    const QString name = fault == "long name" ? QString(246, u'l') + ".txt" : "keep.txt";
    const QString path = favorite ? f->favorite(name) : f->browse(name);
    writeFile(path, "precious\n");
    pgwell &w = f->open();
    FileListBox *list = favorite ? ui(w).File2 : ui(w).File1;
    choose(list, name);

    QString locked;
    if (fault == "folder not writable")
        locked = QFileInfo(path).path();
    if (fault == "trash records not writable")
        QVERIFY(QDir().mkpath(locked = WindowFixture::data() + "/Trash/info"));
    const auto unlock = qScopeGuard([&locked] {
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (!locked.isEmpty())
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
    if (favorite)
        ui(w).remt->trigger();
    else
        QTest::mouseClick(ui(w).m2, Qt::LeftButton);
    waitForOperation(w.viewer());

    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY2(f->fake.messages.lastText().startsWith("Cannot remove " + path + ": "),
             qPrintable(f->fake.messages.lastText()));
    QCOMPARE(readFile(path), "precious\n");
    QVERIFY(!QFile::exists(WindowFixture::trashed(name)));
    QCOMPARE(list->fileName(), name);
    QCOMPARE(ui(w).Text1->toPlainText(), "precious\n");
}

void TestShownFile::operationsWaitForAFileBeingRead()
{
    writeFile(f->browse("a.txt"), "alpha\n");
    writeFile(f->browse("b.txt"), "beta\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "a.txt");
    typeInPane(w, "edited ");
    chooseWithoutWaiting(ui(w).File1, "b.txt");
    QVERIFY(w.viewer().isLoading());
    QCOMPARE(ui(w).Text1->toPlainText(), "edited alpha\n"); // still a's text, b is selected

    // Nothing that acts on the shown file runs while b is read: not on a.txt, whose text is on
    // screen but not selected, and not on b.txt, whose text is not on screen.
    w.reader()->show();
    f->fake.dialogs.saveAnswers.enqueue(f->browse("copy.txt"));
    const auto before = snapshot(f->browsed.path());
    const auto favoritesBefore = snapshot(f->program.filePath("favo"));
    for (const char *control : {"m2", "Label7", "Command8", "sav", "Label9", "Command6", "m1",
                                "Label8", "Option3", "Label13"}) {
        auto *widget = w.findChild<QWidget *>(control);
        QVERIFY2(!widget->isEnabled(), control);
        QTest::mouseClick(widget, Qt::LeftButton);
    }
    QVERIFY(!w.reader()->add1->isEnabled());
    w.reader()->add1->trigger();
    QVERIFY(f->fake.messages.shown.isEmpty());
    QCOMPARE(f->fake.dialogs.saveAnswers.size(), 1); // Save as asked no name
    QCOMPARE(snapshot(f->browsed.path()), before);
    QCOMPARE(snapshot(f->program.filePath("favo")), favoritesBefore);

    // Once b is shown, they act on b.
    QTRY_VERIFY(!w.viewer().isLoading());
    QCOMPARE(ui(w).Text1->toPlainText(), "beta\n");
    QVERIFY(ui(w).m2->isEnabled());
    QTest::mouseClick(ui(w).m2, Qt::LeftButton);
    waitForOperation(w.viewer());
    QCOMPARE(readFile(WindowFixture::trashed("b.txt")), "beta\n");
    QCOMPARE(readFile(f->browse("a.txt")), "alpha\n");
}

QTEST_MAIN(TestShownFile)
#include "tst_shownfile.moc"
