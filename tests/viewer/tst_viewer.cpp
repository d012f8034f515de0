// SPDX-License-Identifier: GPL-3.0-or-later
// The window's working state without a window: Auto view's walk through a list that changes
// under it, the interval as typed, the folder rule and the read in flight.
#include "displaywait.h"
#include "fakepane.h"
#include "filehelpers.h"
#include "viewer/liststep.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

namespace {
const QString saveHint = " .. Please select a file from any list..or check the file if it's "
                         "still existe";
} // namespace

Q_DECLARE_METATYPE(ShownFile)

using Place = std::optional<ListStep::WalkPlace>;
Q_DECLARE_METATYPE(Place)

class TestViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void autoViewWalk_data();
    void autoViewWalk();
    void interval_data();
    void interval();
    void folderAndLoading();
    void save_data();
    void save();
    void nothingToSave();
    void saveAs();
    void deleteAndAdd();
    void display_data();
    void display();
};

void TestViewer::autoViewWalk_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("index");
    QTest::addColumn<Place>("last");
    QTest::addColumn<QString>("shownNow");
    QTest::addColumn<int>("expected");

    const QStringList abce{"a", "b", "c", "e"};
    const QStringList abe{"a", "b", "e"};
    QTest::newRow("empty list") << QStringList() << -1 << Place() << QString() << -1;
    QTest::newRow("nothing selected") << abce << -1 << Place() << QString() << 0;
    QTest::newRow("on") << abce << 1 << Place() << QString() << 2;
    QTest::newRow("wraps") << abce << 3 << Place() << QString() << 0;
    QTest::newRow("one entry") << QStringList{"a"} << 0 << Place() << QString() << 0;
    QTest::newRow("the last step's file shown")
        << abce << 2 << Place({"c", 2, "/f/b"}) << "/f/c" << 3;
    // c could not be shown: the selection went back to b, which the pane still shows.
    QTest::newRow("past a file that failed") << abce << 1 << Place({"c", 2, "/f/b"}) << "/f/b" << 3;
    QTest::newRow("past a file that failed, nothing selected")
        << abce << -1 << Place({"c", 2, ""}) << "" << 3;
    QTest::newRow("past a failed last file") << abce << 2 << Place({"e", 3, "/f/c"}) << "/f/c" << 0;
    // c was deleted and left the list: e took its place and comes next, a is not shown again.
    QTest::newRow("a file gone from the list")
        << abe << 1 << Place({"c", 2, "/f/b"}) << "/f/b" << 2;
    QTest::newRow("the last file gone from the list")
        << abe << 1 << Place({"z", 3, "/f/b"}) << "/f/b" << 0;
    QTest::newRow("the shown file gone from the list")
        << abe << -1 << Place({"c", 2, "/f/b"}) << "/f/c" << 2;
    // The user chose a by hand, and the pane shows it.
    QTest::newRow("chosen by hand") << abce << 0 << Place({"c", 2, "/f/b"}) << "/f/a" << 1;
}

void TestViewer::autoViewWalk()
{
    QFETCH(QStringList, entries);
    QFETCH(int, index);
    QFETCH(Place, last);
    QFETCH(QString, shownNow);
    QFETCH(int, expected);
    QCOMPARE(ListStep::forAutoView(entries, index, last, shownNow), expected);
}

void TestViewer::interval_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("milliseconds"); // -1: no interval the timer can take

    // What the text may say is AutoViewInterval's own test; here, what the viewer keeps of it.
    const auto row = [](const char *name, const char *typed, const char *text, int milliseconds) {
        QTest::newRow(name) << QString(typed) << QString(text) << milliseconds;
    };
    row("default", "5000", "5000", 5000);
    row("emptied is the default", "", "5000", 5000);
    row("kept as typed", " 250 ", " 250 ", 250);
    row("not a number", "abc", "abc", -1);
}

void TestViewer::interval()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, milliseconds);
    ViewerFixture f;
    Viewer &viewer = f.viewer;
    QSignalSpy changed(&viewer, &Viewer::autoViewIntervalChanged);
    viewer.setAutoViewIntervalText(typed);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(viewer.autoViewIntervalText(), text);
    QCOMPARE(viewer.autoViewInterval().value_or(-1), milliseconds);
}

void TestViewer::folderAndLoading()
{
    ViewerFixture f;
    Viewer &viewer = f.viewer;
    // No folder chosen: no file of the list is read.
    QCOMPARE(viewer.fileListPath("/", "a.txt"), std::nullopt);
    viewer.setFolder("/");
    QCOMPARE(viewer.fileListPath("/", "a.txt"), std::optional<QString>("/a.txt"));
    viewer.setFolder("/srv/texts");
    QCOMPARE(viewer.fileListPath("/srv/texts", "a.txt"),
             std::optional<QString>("/srv/texts/a.txt"));
    viewer.setFolder("c:"); // not a path
    QCOMPARE(viewer.fileListPath("/", "a.txt"), std::nullopt);

    QSignalSpy loading(&viewer, &Viewer::loadingChanged);
    viewer.setLoading(true);
    viewer.setLoading(true);
    viewer.setLoading(false);
    QCOMPARE(loading.size(), 2);
    QVERIFY(!viewer.isLoading());
}

void TestViewer::save_data()
{
    QTest::addColumn<ShownFile>("shown");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("pane");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const char *name, const ShownFile &shown, const QByteArray &file,
                        const QString &pane, bool edited, const QByteArray &expected) {
        QTest::newRow(name) << shown << file << pane << edited << expected;
    };
    // The bytes of each encoding are PlainTextContent's test; here, that the shown file's are used.
    const ShownFile utf8Lf = shownAs();
    const ShownFile cp1252 = shownAs(TextEncoding::Windows1252, LineEnding::CrLf);
    row("unedited, nothing written", utf8Lf, "one\n", "changed\n", false, "one\n");
    row("utf-8, lf", utf8Lf, "\xce\xb1 one\ntwo\n", u"\u00e9\u03b1 one\ntwo\n"_qs, true,
        "\xc3\xa9\xce\xb1 one\ntwo\n");
    row("utf-8, cr lf", shownAs(TextEncoding::Utf8, LineEnding::CrLf), "one\r\ntwo\r\n",
        "xone\ntwo\n", true, "xone\r\ntwo\r\n");
    row("windows-1252", cp1252, "na\xefve\r\n", u"\u00e9na\u00efve\u00a0\u201cq\u201d\n"_qs, true,
        "\xe9na\xefve\xa0\x93q\x94\r\n");
    row("rtf stays rtf", shownAs(TextEncoding::Utf8, LineEnding::CrLf, true), "{\\rtf1 file}",
        "pane", true, "{\\rtf1 pane}");
}

void TestViewer::save()
{
    QFETCH(ShownFile, shown);
    QFETCH(QByteArray, file);
    QFETCH(QString, pane);
    QFETCH(bool, edited);
    QFETCH(QByteArray, expected);
    ViewerFixture f;
    writeFile(f.path("t.txt"), file);
    f.show("t.txt", shown);
    f.pane.content = pane;
    f.pane.modified = edited;
    f.viewer.save();
    QCOMPARE(readFile(f.path("t.txt")), expected);
    QVERIFY(f.fake.messages.shown.isEmpty());
    QVERIFY(!f.pane.modified);
}

void TestViewer::nothingToSave()
{
    ViewerFixture f;
    f.pane.content = "typed";
    f.pane.modified = true;
    f.viewer.save();
    QCOMPARE(f.fake.messages.lastText(), "No file has been shown yet" + saveHint);

    // A file gone since it was shown is written again, also unedited.
    f.show("gone.txt", shownAs());
    f.pane.modified = false;
    f.viewer.save();
    QCOMPARE(readFile(f.path("gone.txt")), "typed\n");

    // While a display's file is read, no operation acts on the file shown before.
    writeFile(f.path("gone.txt"), "on disk");
    f.pane.modified = true;
    f.viewer.setLoading(true);
    f.fake.dialogs.saveAnswers.enqueue(f.path("copy.txt"));
    f.viewer.save();
    f.viewer.saveAs();
    f.viewer.deleteShownFile();
    QCOMPARE(f.viewer.addToFavorites("fav.txt", "text"), QString());
    QCOMPARE(f.fake.dialogs.saveAnswers.size(), 1);
    QCOMPARE(snapshot(f.folder.path()),
             (QMap<QString, QByteArray>{{f.path("gone.txt"), "on disk"}}));
    QCOMPARE(f.fake.messages.shown.size(), 1);
}

void TestViewer::saveAs()
{
    ViewerFixture f;
    writeFile(f.path("t.txt"), "one\r\n");
    f.show("t.txt", shownAs(TextEncoding::Utf8, LineEnding::CrLf));
    f.pane.content = "two\n";
    QSignalSpy changed(&f.viewer, &Viewer::listChanged);
    // Written in the shown file's conventions; the shown file stays the one Save writes to.
    f.fake.dialogs.saveAnswers.enqueue(f.path("copy"));
    f.viewer.saveAs();
    QCOMPARE(readFile(f.path("copy.txt")), "two\r\n");
    QCOMPARE(f.viewer.shownFile().path, f.path("t.txt"));
    QCOMPARE(changed.size(), 1);
    // A name that got its extension here and names another file is not replaced unasked.
    f.fake.dialogs.saveAnswers.enqueue(f.path("copy"));
    f.pane.content = "three\n";
    f.viewer.saveAs();
    QCOMPARE(readFile(f.path("copy.txt")), "two\r\n");
    QVERIFY(f.fake.messages.lastText().endsWith("already exists.\nDo you want to replace it?"));
    QCOMPARE(f.fake.messages.shown.last().buttons, MessageBoxes::Buttons::YesNoDefaultNo);
    // To an RTF name, the pane's document.
    f.fake.dialogs.saveAnswers.enqueue(f.path("copy.rtf"));
    f.viewer.saveAs();
    QCOMPARE(readFile(f.path("copy.rtf")), f.pane.richText());
}

void TestViewer::deleteAndAdd()
{
    ViewerFixture f;
    QSignalSpy changed(&f.viewer, &Viewer::listChanged);
    // A favorite keeps the shown plain file's encoding and line ends.
    writeFile(f.path("t.txt"), "caf\xe9\r\n");
    f.show("t.txt", shownAs(TextEncoding::Windows1252, LineEnding::CrLf));
    QCOMPARE(f.viewer.addToFavorites("t.txt", u"caf\u00e9\n"_qs), QString());
    QCOMPARE(readFile(f.path("favo/t.txt")), "caf\xe9\r\n");
    QCOMPARE(changed.takeFirst().at(0).value<ShownList>(), ShownList::Favorites);
    QCOMPARE(f.viewer.addToFavorites(QString(), "no name"), QString());
    QVERIFY(changed.isEmpty());

    // Delete takes the shown file away and names its list; nothing shown, nothing deleted.
    f.show("t.txt", shownAs(TextEncoding::Windows1252, LineEnding::CrLf), ShownList::Favorites);
    f.viewer.deleteShownFile();
    // On the operations' thread: the window answers while a mount that does not answer holds it.
    QVERIFY(f.viewer.isBusy());
    waitForOperation(f.viewer);
    QVERIFY(f.fake.messages.shown.isEmpty());
    QVERIFY(!QFile::exists(f.path("t.txt")));
    QCOMPARE(changed.takeFirst().at(0).value<ShownList>(), ShownList::Favorites);
    f.viewer.setShownFile(ShownFile());
    f.viewer.deleteShownFile();
    QVERIFY(f.fake.messages.shown.isEmpty());
    QVERIFY(changed.isEmpty());
}

void TestViewer::display_data()
{
    QTest::addColumn<QString>("kind");    // of t.txt: "text", "gone", "folder", "rtf"
    QTest::addColumn<int>("list");        // 0 the file list, 1 the favorites, 2 "Nomal"
    QTest::addColumn<QString>("message"); // what the message says; empty: none
    QTest::addColumn<int>("failed");      // -1 not failed, 0 failed, 1 failed and gone from list

    QTest::newRow("shown") << "text" << 0 << "" << -1;
    QTest::newRow("favorite shown") << "text" << 1 << "" << -1;
    // Gone since the list was read: passed over in silence, and the list is read again.
    QTest::newRow("gone") << "gone" << 0 << "" << 1;
    QTest::newRow("favorite gone") << "gone" << 1 << " .. Please refresh the list" << 1;
    QTest::newRow("folder") << "folder" << 0 << "is not a regular file" << 0;
    // "Nomal" shows a formatted file's markup; it says why it failed, and that is all.
    QTest::newRow("nomal, rtf") << "rtf" << 2 << "" << -1;
    QTest::newRow("nomal, gone") << "gone" << 2 << "File not found: " << -1;
}

void TestViewer::display()
{
    QFETCH(QString, kind);
    QFETCH(int, list);
    QFETCH(QString, message);
    QFETCH(int, failed);
    ViewerFixture f;
    QDir().mkpath(f.path("favo"));
    const QString path = f.path(list == 1 ? "favo/t.txt" : "t.txt");
    if (kind == "text")
        writeFile(path, "caf\xe9\r\n");
    if (kind == "rtf")
        writeFile(path, "{\\rtf1 x}");
    if (kind == "folder")
        QDir().mkpath(path);
    const ShownList which = list == 1 ? ShownList::Favorites : ShownList::Files;
    QSignalSpy failures(&f.viewer, &Viewer::displayFailed);
    QSignalSpy reader(&f.viewer, &Viewer::readerTextChanged);
    if (list == 2) {
        f.viewer.setLastFileListPath(path);
        f.viewer.redisplayAsPlainText();
        waitForDisplay(f.viewer);
    } else {
        f.viewer.display(path, which);
        waitForDisplay(f.viewer);
    }
    QVERIFY(!f.viewer.isLoading());
    QCOMPARE(f.fake.messages.shown.size(), message.isEmpty() ? 0 : 1);
    QVERIFY2(message.isEmpty() || f.fake.messages.lastText().contains(message),
             qPrintable(f.fake.messages.lastText()));
    QCOMPARE(failures.size(), failed < 0 ? 0 : 1);
    if (failed >= 0)
        QCOMPARE(failures.first().at(1).toBool(), failed == 1);
    // Only a display that succeeded changes the record of the shown file.
    const bool shown = failed < 0 && message.isEmpty();
    QCOMPARE(f.viewer.shownFile().path, shown ? path : QString());
    QCOMPARE(reader.size(), shown ? 1 : 0);
    if (!shown)
        return;
    QCOMPARE(f.viewer.shownFile().list, which);
    QCOMPARE(f.viewer.readerFileName(), "t.txt");
    QCOMPARE(f.viewer.lastFileListPath(), which == ShownList::Files ? path : QString());
    QCOMPARE(f.pane.content, kind == "rtf" ? "{\\rtf1 x}" : u"caf\u00e9\n"_qs);
    if (kind == "text")
        QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Windows1252);
    // Which file it was on disk, to tell later whether it changed.
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(f.viewer.shownFile().identity.inode, quint64(st.st_ino));
    QCOMPARE(f.viewer.shownFile().identity.size, qint64(st.st_size));
}

QTEST_GUILESS_MAIN(TestViewer)
#include "tst_viewer.moc"
