// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "files/filepattern.h"
#include "files/folderlisting.h"
#include "files/volumes.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

void touchAll(const QTemporaryDir &dir, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        QVERIFY(QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly));
}

QPoint centerOf(QListWidget &list, int row)
{
    return list.visualItemRect(list.item(row)).center();
}

} // namespace

class TestLists : public QObject
{
    Q_OBJECT

private slots:
    void pattern_data();
    void pattern();
    void listing();
    void sortOrder_data();
    void sortOrder();
    void folderEntries();
    void volumeFilter_data();
    void volumeFilter();
    void fileList();
    void dirList();
    void drives();
};

void TestLists::sortOrder_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("sorted");
    const auto row = [](const char *name, const QLocale &locale, const QStringList &names,
                        const QStringList &sorted) {
        QTest::newRow(name) << locale << names << sorted;
    };
    const QLocale none = QLocale::c(); // no language set: English rules
    row("letters with accents among their base letters", none,
        {"zebra.txt", "Äpfel.txt", "apple.txt"}, {"Äpfel.txt", "apple.txt", "zebra.txt"});
    row("numbers by value", none, {"file10.txt", "file2.txt", "file1.txt"},
        {"file1.txt", "file2.txt", "file10.txt"});
    row("names equal but for case keep a fixed order", none, {"read.txt", "READ.txt", "Read.txt"},
        {"READ.txt", "Read.txt", "read.txt"});
    row("the user's language: Swedish puts Ä after Z", QLocale(QLocale::Swedish),
        {"Äpple.txt", "Zebra.txt", "Apa.txt"}, {"Apa.txt", "Zebra.txt", "Äpple.txt"});
}

void TestLists::sortOrder()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    FolderListing::sortNames(names, locale);
    QCOMPARE(names, sorted);
}

void TestLists::pattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    const auto row = [](const char *tag, const char *pattern, const char *name, bool matches) {
        QTest::newRow(tag) << QString::fromUtf8(pattern) << QString::fromUtf8(name) << matches;
    };
    row("suffix, any case", "*.txt", "A.TXT", true);
    row("suffix at the end only", "*.txt", "a.txt.bak", false);
    row("list", "*.txt;*.htm;*.html", "page.HTML", true);
    row("spaces around", " *.txt ; *.rtf ", "a.rtf", true);
    row("? one char", "a?c.txt", "aBc.txt", true);
    row("? not zero", "a?c.txt", "ac.txt", false);
    row("stars backtrack", "*a*b*.txt", "xayAbz.txt", true);
    row("stars order", "*a*b*.txt", "xbya.txt", false);
    row("prefix", "read*", "README.md", true);
    row("trailing * matches nothing", "notes*", "notes", true);
    row("literal", "notes.txt", "NOTES.TXT", true);
    row("*.* without dot", "*.*", "README", true);
    row("*.* among others", "*.txt;*.*", "x.doc", true);
    row("empty", "", "x", true);
}

void TestLists::pattern()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(FilePattern(pattern).matches(name), matches);
}

void TestLists::listing()
{
    QTemporaryDir dir;
    touchAll(dir, {"b.txt", "A.txt", "ab.txt", "Ab.txt", "c.TXT", ".hidden.txt", "x.doc"});
    for (const char *name : {"Zeta", "alpha", "sub.txt", ".git"})
        QVERIFY(QDir(dir.path()).mkdir(QString::fromLatin1(name)));
    QVERIFY(QFile::link(dir.filePath("b.txt"), dir.filePath("link.txt")));
    QVERIFY(QFile::link(dir.filePath("missing"), dir.filePath("dangling.txt")));

    // Hidden files, folders and dangling links are out; ties of letters in a fixed order.
    QCOMPARE(FolderListing::files(dir.path(), FilePattern(QStringLiteral("*.txt"))),
             QStringList({"A.txt", "Ab.txt", "ab.txt", "b.txt", "c.TXT", "link.txt"}));
    QCOMPARE(FolderListing::subfolders(dir.path()), QStringList({"alpha", "sub.txt", "Zeta"}));

    QString error;
    QVERIFY(FolderListing::files(dir.filePath("gone"), FilePattern(), &error).isEmpty());
    QCOMPARE(error, "Folder " + dir.filePath("gone") + " does not exist");
    QVERIFY(FolderListing::subfolders(dir.filePath("x.doc"), &error).isEmpty());
    QCOMPARE(error, dir.filePath("x.doc") + " is not a folder");
}

void TestLists::folderEntries()
{
    using E = FolderEntry;
    QCOMPARE(FolderListing::entries(QStringLiteral("/"), QStringList{"bin", "home"}),
             QList<E>({{"/", "/", 0, E::Current},
                       {"bin", "/bin", 1, E::Child},
                       {"home", "/home", 1, E::Child}}));
    QCOMPARE(FolderListing::entries(QStringLiteral("/home/u/docs"), QStringList{"old"}),
             QList<E>({{"/", "/", 0, E::Ancestor},
                       {"home", "/home", 1, E::Ancestor},
                       {"u", "/home/u", 2, E::Ancestor},
                       {"docs", "/home/u/docs", 3, E::Current},
                       {"old", "/home/u/docs/old", 4, E::Child}}));
}

void TestLists::volumeFilter_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<bool>("listed");
    const auto row = [](const char *tag, const char *root, const char *type, const char *device,
                        bool listed) {
        QTest::newRow(tag) << QString::fromUtf8(root) << QByteArray(type) << QByteArray(device)
                           << listed;
    };
    row("container root", "/", "overlay", "overlay", true);
    row("virtual type", "/run/user/1000", "tmpfs", "tmpfs", false);
    row("under a system tree", "/sys/x", "ext4", "/dev/sda3", false);
    row("system name as prefix", "/devel", "ext4", "/dev/sda4", true);
    row("snap", "/snap/core/123", "squashfs", "/dev/loop3", false);
}

void TestLists::volumeFilter()
{
    QFETCH(QString, root);
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, device);
    QFETCH(bool, listed);
    QCOMPARE(Volumes::isRealFileSystem(root, type, device), listed);
}

void TestLists::fileList()
{
    QTemporaryDir dir;
    touchAll(dir, {"a.txt", "b.txt", "c.txt", "d.txt", "e.RTF"});
    FileListBox box;
    box.setPattern(QStringLiteral("*.txt"));
    QVERIFY(box.setPath(dir.path()));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy chosen(&box, &FileListBox::chosen);
    QCOMPARE(box.listCount(), 4);
    QCOMPARE(box.listIndex(), -1);

    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centerOf(box, 1));
    QCOMPARE(box.fileName(), QStringLiteral("b.txt"));
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centerOf(box, 1));
    QCOMPARE(chosen.count(), 2); // the entry already selected counts too
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(chosen.count(), 3);
    QCOMPARE(box.fileName(), QStringLiteral("c.txt"));
    QTest::keyClick(&box, Qt::Key_End);
    QTest::keyClick(&box, Qt::Key_End); // no move, no choice
    QCOMPARE(chosen.count(), 4);
    QVERIFY(box.setListIndex(3)); // selected already, still a choice
    QCOMPARE(chosen.count(), 5);

    // The right button only reports the press; the menu acts on the selected entry.
    QSignalSpy pressed(&box, &FileListBox::mousePressed);
    QTest::mouseClick(box.viewport(), Qt::RightButton, {}, centerOf(box, 0));
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(pressed.first().at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(pressed.first().at(1).toPoint(), box.viewport()->mapToGlobal(centerOf(box, 0)));
    QCOMPARE(box.listIndex(), 3);

    QVERIFY(!box.setListIndex(4));
    QCOMPARE(box.listIndex(), 3);

    QString error;
    QVERIFY(!box.setPath(dir.filePath("gone"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(box.path(), dir.path());
    QCOMPARE(box.listCount(), 4);

    QVERIFY(box.setListIndex(0));
    box.refresh();
    QCOMPARE(box.listIndex(), -1);
    box.setPattern(QStringLiteral("*.rtf"));
    QCOMPARE(box.listCount(), 1);
    QCOMPARE(chosen.count(), 6); // neither a failed move, a refresh nor a new pattern chooses
}

void TestLists::dirList()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("beta/inner"));
    QVERIFY(QDir(dir.path()).mkdir("gone"));
    const QString path = QDir::cleanPath(dir.path());
    DirListBox box;
    QSignalSpy changed(&box, &DirListBox::pathChanged);
    QSignalSpy failed(&box, &DirListBox::openFailed);
    QVERIFY(box.setPath(dir.path() + "/beta/.."));
    QCOMPARE(box.path(), path);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(box.highlightedPath(), path);

    box.resize(300, 400);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // A folder removed since the list was read: the user is told, the list stays.
    const int rows = box.count();
    QVERIFY(QDir(dir.path()).rmdir("gone"));
    QTest::keyClick(&box, Qt::Key_End);
    QTest::keyClick(&box, Qt::Key_Enter);
    QCOMPARE(failed.count(), 1);
    QVERIFY(failed.first().first().toString().contains(dir.filePath("gone")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(box.path(), path);
    QCOMPARE(box.count(), rows);

    const int beta = rows - 2;
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centerOf(box, beta));
    QCOMPARE(changed.count(), 1); // a single click only highlights
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, centerOf(box, beta));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(box.path(), path + "/beta");
}

void TestLists::drives()
{
    const QStringList roots{"/", "/home", "/media/usb"};
    QCOMPARE(Volumes::volumeFor(QStringLiteral("/home/u/docs"), roots), "/home");
    QCOMPARE(Volumes::volumeFor(QStringLiteral("/media/usb"), roots), "/media/usb");
    QCOMPARE(Volumes::volumeFor(QStringLiteral("/media/usb2/x"), roots), "/");

    QTemporaryDir dir;
    QVERIFY(Volumes::isReady(QStringLiteral("/")));
    QString error;
    QVERIFY(!Volumes::isReady(dir.filePath("no-device"), &error));
    QCOMPARE(error, "Device " + dir.filePath("no-device") + " is not ready");

    // Following the folder shown is silent; only setDrive() is a change.
    DriveListBox box;
    QSignalSpy changed(&box, &DriveListBox::driveChanged);
    box.showDriveFor(dir.path());
    QCOMPARE(box.drive(), Volumes::volumeFor(dir.path(), box.drives()));
    QCOMPARE(changed.count(), 0);
    QVERIFY(box.setDrive(QStringLiteral("/")));
    QCOMPARE(box.drive(), QStringLiteral("/"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(!box.setDrive(dir.filePath("not-mounted")));
    QCOMPARE(changed.count(), 1);
}

QTEST_MAIN(TestLists)
#include "tst_lists.moc"
