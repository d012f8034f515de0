#include "app/dirlistbox.h"
#include "app/drivelistbox.h"
#include "app/filelistbox.h"
#include "app/filepattern.h"
#include "app/folderlisting.h"
#include "app/volumes.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
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
    void listingFailsForMissingFolder();
    void joinPathRoot_data();
    void joinPathRoot();
    void folderEntries();
    void volumeFilter_data();
    void volumeFilter();
    void volumeFor_data();
    void volumeFor();
    void volumeReady();
    void fileListChosen();
    void fileListRightPressAndRange();
    void dirListOpens();
    void dirListOpenFailure();
    void driveListSilentAndLoud();
};

void TestLists::pattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");

    const QString viewable = QStringLiteral("*.txt;*.htm;*.html;*.bat;*.rtf");
    QTest::newRow("upper case") << "*.txt"
                                << "A.TXT" << true;
    QTest::newRow("extra suffix") << "*.txt"
                                  << "a.txt.bak" << false;
    QTest::newRow("no dot") << "*.txt"
                            << "atxt" << false;
    QTest::newRow("longer extension") << "*.txt"
                                      << "a.txtx" << false;
    QTest::newRow("htm is not html") << "*.htm"
                                     << "a.html" << false;
    QTest::newRow("list: mixed case") << viewable << "b.Rtf" << true;
    QTest::newRow("list: html") << viewable << "page.HTML" << true;
    QTest::newRow("list: htmlx") << viewable << "a.htmlx" << false;
    QTest::newRow("list: other") << viewable << "x.doc" << false;
    QTest::newRow("spaces around") << " *.txt ; *.rtf "
                                   << "a.rtf" << true;
    QTest::newRow("? one char") << "a?c.txt"
                                << "aBc.txt" << true;
    QTest::newRow("? not zero") << "a?c.txt"
                                << "ac.txt" << false;
    QTest::newRow("? not two") << "a?c.txt"
                               << "abbc.txt" << false;
    QTest::newRow("stars backtrack") << "*a*b*.txt"
                                     << "xayAbz.txt" << true;
    QTest::newRow("stars order") << "*a*b*.txt"
                                 << "xbya.txt" << false;
    QTest::newRow("prefix") << "read*"
                            << "README.md" << true;
    QTest::newRow("prefix anchored") << "read*"
                                     << "xread" << false;
    QTest::newRow("literal") << "notes.txt"
                             << "NOTES.TXT" << true;
    QTest::newRow("literal whole") << "notes.txt"
                                   << "notes.txt2" << false;
    QTest::newRow("*.* without dot") << "*.*"
                                     << "README" << true;
    QTest::newRow("* all") << "*"
                           << "x" << true;
    QTest::newRow("empty all") << ""
                               << "x" << true;
    QTest::newRow("*.* among others") << "*.txt;*.*"
                                      << "x.doc" << true;
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
    QVERIFY(dir.isValid());
    for (const char *name : {"b.txt", "A.txt", "ab.txt", "Ab.txt", "c.TXT", ".hidden.txt", "x.doc"})
        touch(dir.filePath(QString::fromLatin1(name)));
    for (const char *name : {"Zeta", "alpha", "sub.txt", ".git"})
        QVERIFY(QDir(dir.path()).mkdir(QString::fromLatin1(name)));
    QVERIFY(QFile::link(dir.filePath("b.txt"), dir.filePath("link.txt")));
    QVERIFY(QFile::link(dir.filePath("missing"), dir.filePath("dangling.txt")));

    QString error;
    const QStringList files =
        FolderListing::files(dir.path(), FilePattern(QStringLiteral("*.txt")), &error);
    QVERIFY(error.isEmpty());
    // Hidden files, folders and dangling links are out; ties of letters in a fixed order.
    QCOMPARE(files, QStringList({"A.txt", "Ab.txt", "ab.txt", "b.txt", "c.TXT", "link.txt"}));
    QCOMPARE(FolderListing::subfolders(dir.path(), &error),
             QStringList({"alpha", "sub.txt", "Zeta"}));
}

void TestLists::listingFailsForMissingFolder()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("gone");
    QString error;
    QVERIFY(FolderListing::files(missing, FilePattern(), &error).isEmpty());
    QVERIFY2(error.contains(QDir::toNativeSeparators(missing)), qPrintable(error));
    error.clear();
    touch(dir.filePath("plain"));
    QVERIFY(FolderListing::subfolders(dir.filePath("plain"), &error).isEmpty());
    QVERIFY(!error.isEmpty());
}

void TestLists::joinPathRoot_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("joined");
    QTest::newRow("root") << "/"
                          << "/a.txt";
    QTest::newRow("deeper") << "/home/u"
                            << "/home/u/a.txt";
    QTest::newRow("trailing separator") << "/home/u/"
                                        << "/home/u/a.txt";
}

void TestLists::joinPathRoot()
{
    QFETCH(QString, folder);
    QFETCH(QString, joined);
    QCOMPARE(joinPath(folder, QStringLiteral("a.txt")), joined);
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
    QTest::newRow("container root")
        << "/" << QByteArray("overlay") << QByteArray("overlay") << true;
    QTest::newRow("home") << "/home" << QByteArray("ext4") << QByteArray("/dev/sda2") << true;
    QTest::newRow("usb stick") << "/media/u/STICK" << QByteArray("vfat") << QByteArray("/dev/sdb1")
                               << true;
    QTest::newRow("network") << "/mnt/share" << QByteArray("nfs4") << QByteArray("srv:/x") << true;
    QTest::newRow("proc") << "/proc" << QByteArray("proc") << QByteArray("proc") << false;
    QTest::newRow("shm") << "/dev/shm" << QByteArray("tmpfs") << QByteArray("tmpfs") << false;
    QTest::newRow("run user") << "/run/user/1000" << QByteArray("tmpfs") << QByteArray("tmpfs")
                              << false;
    QTest::newRow("cgroup") << "/sys/fs/cgroup" << QByteArray("cgroup2") << QByteArray("cgroup2")
                            << false;
    QTest::newRow("ext4 under sys")
        << "/sys/x" << QByteArray("ext4") << QByteArray("/dev/sda3") << false;
    QTest::newRow("snap") << "/snap/core/123" << QByteArray("squashfs") << QByteArray("/dev/loop3")
                          << false;
    QTest::newRow("other squashfs")
        << "/mnt/image" << QByteArray("squashfs") << QByteArray("/dev/loop9") << true;
    QTest::newRow("docker layer") << "/var/lib/docker/overlay2/x/merged" << QByteArray("overlay")
                                  << QByteArray("overlay") << false;
    QTest::newRow("portal") << "/run/user/1000/doc" << QByteArray("fuse.portal")
                            << QByteArray("portal") << false;
}

void TestLists::volumeFilter()
{
    QFETCH(QString, root);
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, device);
    QFETCH(bool, listed);
    QCOMPARE(Volumes::isRealFileSystem(root, type, device), listed);
}

void TestLists::volumeFor_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("root");
    QTest::newRow("inside") << "/home/u/docs"
                            << "/home";
    QTest::newRow("the root itself") << "/media/usb"
                                     << "/media/usb";
    QTest::newRow("prefix but not a folder") << "/homework"
                                             << "/";
    QTest::newRow("similar name") << "/media/usb2/x"
                                  << "/";
    QTest::newRow("slash") << "/"
                           << "/";
}

void TestLists::volumeFor()
{
    QFETCH(QString, folder);
    QFETCH(QString, root);
    QCOMPARE(Volumes::volumeFor(folder, {"/", "/home", "/media/usb"}), root);
}

void TestLists::volumeReady()
{
    QVERIFY(Volumes::roots().contains(QStringLiteral("/")));
    QVERIFY(Volumes::isReady(QStringLiteral("/")));
    QTemporaryDir dir;
    const QString missing = dir.filePath("no-device");
    QString error;
    QVERIFY(!Volumes::isReady(missing, &error));
    QVERIFY2(error.contains(missing), qPrintable(error));
}

void TestLists::fileListChosen()
{
    QTemporaryDir dir;
    for (const char *name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.RTF"})
        touch(dir.filePath(QString::fromLatin1(name)));
    FileListBox box;
    box.setPattern(QStringLiteral("*.txt"));
    QVERIFY(box.setPath(dir.path()));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy chosen(&box, &FileListBox::chosen);

    QCOMPARE(box.listCount(), 4);
    QCOMPARE(box.listIndex(), -1);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centerOf(box, 1));
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(box.fileName(), QStringLiteral("b.txt"));
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centerOf(box, 1));
    QCOMPARE(chosen.count(), 2); // the entry already selected counts too

    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(chosen.count(), 3);
    QCOMPARE(box.fileName(), QStringLiteral("c.txt"));
    QTest::keyClick(&box, Qt::Key_End);
    QTest::keyClick(&box, Qt::Key_End); // no move, no choice
    QCOMPARE(chosen.count(), 4);
    QTest::keyClick(&box, Qt::Key_A);
    QCOMPARE(chosen.count(), 5);
    QCOMPARE(box.listIndex(), 0);

    QVERIFY(box.setListIndex(0));
    QCOMPARE(chosen.count(), 6);

    box.refresh();
    QVERIFY(box.setPath(dir.path()));
    QCOMPARE(box.listIndex(), -1);
    box.setPattern(QStringLiteral("*.rtf"));
    QCOMPARE(box.listCount(), 1);
    QCOMPARE(chosen.count(), 6);
}

void TestLists::fileListRightPressAndRange()
{
    QTemporaryDir dir;
    for (const char *name : {"a", "b", "c"})
        touch(dir.filePath(QString::fromLatin1(name)));
    FileListBox box;
    QVERIFY(box.setPath(dir.path()));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(box.setListIndex(2));
    QSignalSpy chosen(&box, &FileListBox::chosen);
    QSignalSpy pressed(&box, &FileListBox::mousePressed);

    QTest::mouseClick(box.viewport(), Qt::RightButton, {}, centerOf(box, 0));
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(pressed.first().at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(pressed.first().at(1).toPoint(), box.viewport()->mapToGlobal(centerOf(box, 0)));
    QCOMPARE(box.listIndex(), 2);
    QCOMPARE(box.currentRow(), 2);

    QVERIFY(!box.setListIndex(3));
    QVERIFY(!box.setListIndex(-2));
    QCOMPARE(box.listIndex(), 2);
    QVERIFY(box.setListIndex(-1));
    QCOMPARE(box.fileName(), QString());
    QCOMPARE(chosen.count(), 0);

    QString error;
    QVERIFY(!box.setPath(dir.filePath("gone"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(box.listCount(), 3);
    QCOMPARE(box.path(), dir.path());

    QTemporaryDir empty;
    QVERIFY(box.setPath(empty.path()));
    QVERIFY(!box.setListIndex(0));
}

void TestLists::dirListOpens()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("beta/inner"));
    QVERIFY(QDir(dir.path()).mkdir("alpha"));
    DirListBox box;
    QSignalSpy changed(&box, &DirListBox::pathChanged);
    QVERIFY(box.setPath(dir.path() + "/beta/.."));
    QCOMPARE(box.path(), QDir::cleanPath(dir.path()));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(box.highlightedPath(), box.path());
    QVERIFY(box.setPath(dir.path())); // same folder: no change
    QCOMPARE(changed.count(), 1);

    box.resize(300, 400);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const int beta = box.count() - 1;
    QCOMPARE(box.item(beta)->text(), QStringLiteral("beta"));
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, centerOf(box, beta));
    QCOMPARE(changed.count(), 1); // a single click only highlights
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, centerOf(box, beta));
    QTest::mouseRelease(box.viewport(), Qt::LeftButton, {}, centerOf(box, beta));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(box.path(), QDir::cleanPath(dir.filePath("beta")));

    QTest::keyClick(&box, Qt::Key_End);
    QCOMPARE(box.highlightedPath(), QDir::cleanPath(dir.filePath("beta/inner")));
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(box.path(), QDir::cleanPath(dir.filePath("beta/inner")));
}

void TestLists::dirListOpenFailure()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("gone"));
    DirListBox box;
    QVERIFY(box.setPath(dir.path()));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy changed(&box, &DirListBox::pathChanged);
    QSignalSpy failed(&box, &DirListBox::openFailed);
    const int rows = box.count();
    QVERIFY(QDir(dir.path()).rmdir("gone"));

    box.setCurrentRow(rows - 1);
    QTest::keyClick(&box, Qt::Key_Enter);
    QCOMPARE(failed.count(), 1);
    QVERIFY(failed.first().first().toString().contains(dir.filePath("gone")));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(box.path(), QDir::cleanPath(dir.path()));
    QCOMPARE(box.count(), rows);

    QString error;
    QVERIFY(!box.setPath(dir.filePath("gone"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(changed.count(), 0);
}

void TestLists::driveListSilentAndLoud()
{
    DriveListBox box;
    QSignalSpy changed(&box, &DriveListBox::driveChanged);
    QVERIFY(box.drives().contains(QStringLiteral("/")));
    QTemporaryDir dir;
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
