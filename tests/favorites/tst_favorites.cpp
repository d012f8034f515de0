// SPDX-License-Identifier: GPL-3.0-or-later
// The favorites folder from the main window: Add, Remove, Open and the pop-up menu (Refresh is
// tested with the shown file it must keep).
#include "controls/clicklabel.h"
#include "windowtest.h"

#include <QMenu>

class TestFavorites : public WindowTest
{
    Q_OBJECT

private slots:
    void addCopiesPaneText();
    void removeActsOnSelectedEntry();
    void popUpOpensFolderInFileManager();
};

void TestFavorites::addCopiesPaneText()
{
    writeFile(f->browse("a.txt"), "caf\xe9\n"); // Windows-1252 and LF: the copy keeps both
    writeFile(f->browse("doc.rtf"), "{\\rtf1\\ansi plain \\b bold\\b0}");
    pgwell &w = f->open();
    writeFile(f->favorite("a.txt"), "an older and much longer favorite of the same name\r\n");
    const auto before = snapshot(f->program.path());

    QTest::mouseClick(ui(w).m1, Qt::LeftButton); // nothing selected: no name to give the copy
    QCOMPARE(snapshot(f->program.path()), before);

    choose(ui(w).File1, "a.txt");
    typeInPane(w, "edited ");
    QTest::mouseClick(ui(w).m1, Qt::LeftButton);
    QCOMPARE(readFile(f->favorite("a.txt")), "edited caf\xe9\n");
    QVERIFY(rowOf(ui(w).File2, "a.txt") >= 0);

    choose(ui(w).File1, "doc.rtf");
    QTest::mouseClick(ui(w).Label8, Qt::LeftButton);
    QCOMPARE(readFile(f->favorite("doc.rtf")), "plain bold\r\n");
    QVERIFY(f->fake.messages.shown.isEmpty());

    // A full disk is said, and the favorite of that name keeps its old content.
    choose(ui(w).File1, "a.txt");
    typeInPane(w, QString(300, u'x'));
    {
        const FileSizeLimit diskFull(100);
        QTest::mouseClick(ui(w).m1, Qt::LeftButton);
    }
    QCOMPARE(readFile(f->favorite("a.txt")), "edited caf\xe9\n");
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY(f->fake.messages.lastText().startsWith("Cannot save " + f->favorite("a.txt")));
}

void TestFavorites::removeActsOnSelectedEntry()
{
    writeFile(f->favorite("one.txt"), "1");
    writeFile(f->favorite("two.txt"), "2");
    pgwell &w = f->open();
    choose(ui(w).File2, "one.txt");
    typeInPane(w, "typed ");

    // The press over another entry leaves the selection alone: the menu acts on "one".
    QTest::mousePress(ui(w).File2->viewport(), Qt::RightButton, {},
                      centerOf(ui(w).File2, "two.txt"));
    QTest::mouseClick(ui(w).favo, Qt::LeftButton, {},
                      ui(w).favo->actionGeometry(ui(w).remt).center());
    QVERIFY(!QFile::exists(f->favorite("one.txt")));
    QCOMPARE(readFile(WindowFixture::trashed("one.txt")), "1");
    QCOMPARE(readFile(f->favorite("two.txt")), "2");
    QCOMPARE(rowOf(ui(w).File2, "one.txt"), -1);
    QCOMPARE(ui(w).Text1->toPlainText(), "typed 1"); // the pane keeps the removed favorite's text
    QVERIFY(f->fake.messages.shown.isEmpty());

    ui(w).remt->trigger(); // nothing is selected now
    QCOMPARE(f->fake.messages.lastText(), "No favorite is selected in the favorites list");
}

void TestFavorites::popUpOpensFolderInFileManager()
{
    pgwell &w = f->open();
    const QPoint at(5, 5);
    QTest::mouseClick(ui(w).File2->viewport(), Qt::MiddleButton, {}, at);
    QVERIFY(!ui(w).favo->isVisible()); // the right button only
    QTest::mousePress(ui(w).File2->viewport(), Qt::RightButton, {}, at);
    QTest::mouseClick(ui(w).favo, Qt::LeftButton, {},
                      ui(w).favo->actionGeometry(ui(w).open).center());
    QCOMPARE(f->fake.launcher.started.size(), 1);
    QCOMPARE(f->fake.launcher.started.first().program, "xdg-open");
    // One argument, blank and all: no shell splits it.
    QCOMPARE(f->fake.launcher.started.first().arguments, QStringList{f->program.filePath("favo")});

    f->fake.launcher.endLast(0); // opened: nothing to say
    QVERIFY(f->fake.messages.shown.isEmpty());

    // xdg-open runs, finds no file manager and ends with status 3: said when it ends.
    ui(w).open->trigger();
    f->fake.launcher.endLast(3);
    QCOMPARE(f->fake.messages.lastText(), "Cannot open the favorites folder " +
                                              f->program.filePath("favo") +
                                              ": no file manager was found to open it");

    f->fake.launcher.succeed = false;
    ui(w).open->trigger();
    QCOMPARE(f->fake.messages.lastText(), "Cannot start xdg-open");
    QCOMPARE(f->fake.messages.shown.size(), 2);

    // An opener that ends after the window closed finds no one to tell.
    f->fake.launcher.succeed = true;
    ui(w).open->trigger();
    f->w.reset();
    f->fake.launcher.endLast(4);
    QCOMPARE(f->fake.messages.shown.size(), 2);
}

QTEST_MAIN(TestFavorites)
#include "tst_favorites.moc"
