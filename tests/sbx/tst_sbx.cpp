// sbx, the companion clip tool: listing, copying and freeing the clip slots, and following
// the folder while it is open.
#include "fakeplatform.h"
#include "filehelpers.h"
#include "sbx/stashwindow.h"
#include "texttools/clipslots.h"
#include "texttools/clipslotwriter.h"

#include <memory>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestSbx : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        fake = std::make_unique<FakePlatform>(QString());
        fake->environment.variables.insert("windir", folder->path());
    }
    void cleanup()
    {
        window.reset();
        fake.reset();
        folder.reset();
    }

    void listsTheSlots();
    void copyPutsTheWholeText();
    void freeAndFreeAll();
    void followsTheFolder();
    void sharedFolderWithoutWindir();

private:
    QString slot(int n) const { return ClipSlots::path(folder->path(), n); }
    StashWindow &open()
    {
        window = std::make_unique<StashWindow>(fake->platform);
        window->show();
        return *window;
    }
    QString row(int n) const { return window->slotList->item(n - 1)->text(); }
    void choose(int n)
    {
        QListWidget *list = window->slotList;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(n - 1)).center());
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<StashWindow> window;
};

void TestSbx::listsTheSlots()
{
    writeFile(slot(1), "first line\r\nsecond line\r\n\r\n");
    writeFile(slot(3), "\r\n");
    QVERIFY(QDir(folder->path()).mkdir("clip2.txt")); // a folder leaves the slot free
    StashWindow &w = open();
    QCOMPARE(w.slotList->count(), 3);
    QCOMPARE(row(1), "Clip 1:  first line");
    QCOMPARE(row(2), "Clip 2:  free");
    QCOMPARE(row(3), "Clip 3:  ");
    QCOMPARE(w.clipText->toPlainText(), "first line\nsecond line\n");

    choose(2);
    QCOMPARE(w.currentSlot(), 2);
    QCOMPARE(w.clipText->toPlainText(), QString());
    QVERIFY(!w.copyButton->isEnabled());
    QVERIFY(!w.freeButton->isEnabled());
    QVERIFY(w.freeAllButton->isEnabled());
    choose(3);
    QVERIFY(w.copyButton->isEnabled());
}

void TestSbx::copyPutsTheWholeText()
{
    // Written as Pagewell writes it, read back as it was in the pane.
    const QString text = QString("caf\u00e9\n\ttabbed\n\nlast");
    writeFile(slot(1), "big\r\n" + QByteArray(ClipSlotFile::maxBytes, 'x'));
    ClipSlotWriter(folder->path()).send(text);
    StashWindow &w = open();
    choose(2);
    QTest::mouseClick(w.copyButton, Qt::LeftButton);
    QCOMPARE(fake->clipboard.text(), text);
    QCOMPARE(row(2), "Clip 2:  caf\u00e9");
    QVERIFY(fake->messages.shown.isEmpty());

    // A clip too large to copy shows its start and is not copied.
    choose(1);
    QCOMPARE(row(1), "Clip 1:  big");
    QVERIFY(w.clipText->toPlainText().endsWith("\n\n(Only the start of this clip is shown.)"));
    QTest::mouseClick(w.copyButton, Qt::LeftButton);
    QCOMPARE(fake->clipboard.text(), text);
    QCOMPARE(fake->messages.lastText(), "Clip 1 is larger than 32 MB and was not copied.");
}

void TestSbx::freeAndFreeAll()
{
    for (int n = 1; n <= 3; ++n)
        writeFile(slot(n), QByteArray::number(n) + "\r\n");
    QVERIFY(QDir(folder->path()).mkdir("other"));
    StashWindow &w = open();
    choose(2);
    QTest::mouseClick(w.freeButton, Qt::LeftButton);
    QVERIFY(!QFile::exists(slot(2)));
    QVERIFY(QFile::exists(slot(1)) && QFile::exists(slot(3)));
    QCOMPARE(row(2), "Clip 2:  free");
    QCOMPARE(w.clipText->toPlainText(), QString());
    QCOMPARE(ClipSlots::freeReport(folder->path()), "You have 2 empty clips .");

    QTest::mouseClick(w.freeAllButton, Qt::LeftButton);
    QCOMPARE(QDir(folder->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList("other"));
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(row(n), QStringLiteral("Clip %1:  free").arg(n));
    QVERIFY(!w.freeAllButton->isEnabled());
    QVERIFY(fake->messages.shown.isEmpty());
}

void TestSbx::followsTheFolder()
{
    writeFile(slot(3), "old\r\n");
    StashWindow &w = open();
    QCOMPARE(row(1), "Clip 1:  free");
    // Rewritten in place, its name and size the same: only the file itself tells.
    writeFile(slot(3), "new\r\n");
    QTRY_COMPARE(row(3), "Clip 3:  new");
    ClipSlotWriter(folder->path()).send("sent from Pagewell\nmore");
    QTRY_COMPARE(row(1), "Clip 1:  sent from Pagewell");
    QCOMPARE(w.clipText->toPlainText(), "sent from Pagewell\nmore");

    // Freed by someone else.
    QFile::remove(slot(1));
    QTRY_COMPARE(row(1), "Clip 1:  free");

    // A clip still being written is shown as far as it goes, then whole.
    choose(2);
    QFile file(slot(2));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::NewOnly));
    file.write("the beginning");
    file.flush();
    QTRY_COMPARE(row(2), "Clip 2:  the beginning");
    file.write(" and the end\r\nsecond\r\n");
    file.close();
    QTRY_COMPARE(w.clipText->toPlainText(), "the beginning and the end\nsecond");
}

void TestSbx::sharedFolderWithoutWindir()
{
    fake->environment.variables.clear();
    const QString shared =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/stashbox";
    QDir(shared).removeRecursively();
    StashWindow &w = open();
    QCOMPARE(w.folder(), shared);
    QVERIFY(QFileInfo(shared).isDir());
    writeFile(shared + "/clip1.txt", "shared\r\n");
    QTRY_COMPARE(row(1), "Clip 1:  shared");
    QDir(shared).removeRecursively();
}

QTEST_MAIN(TestSbx)
#include "tst_sbx.moc"
