// The window's working state without a window: Auto view's walk through a list that changes
// under it, the interval as typed, the folder rule and the read in flight.
#include "viewer/liststep.h"
#include "viewer/viewer.h"

#include <QSignalSpy>
#include <QTest>

using Place = std::optional<ListStep::WalkPlace>;
Q_DECLARE_METATYPE(Place)

class TestViewer : public QObject
{
    Q_OBJECT

private slots:
    void autoViewWalk_data();
    void autoViewWalk();
    void interval_data();
    void interval();
    void folderAndLoading();
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

    QTest::newRow("default") << "5000"
                             << "5000" << 5000;
    QTest::newRow("emptied is the default") << ""
                                            << "5000" << 5000;
    QTest::newRow("kept as typed") << " 250 "
                                   << " 250 " << 250;
    QTest::newRow("not a number") << "abc"
                                  << "abc" << -1;
    QTest::newRow("highest") << "65535"
                             << "65535" << 65535;
    QTest::newRow("too high") << "65536"
                              << "65536" << -1;
}

void TestViewer::interval()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, milliseconds);
    Viewer viewer;
    QSignalSpy changed(&viewer, &Viewer::autoViewIntervalChanged);
    viewer.setAutoViewIntervalText(typed);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(viewer.autoViewIntervalText(), text);
    QCOMPARE(viewer.autoViewInterval().value_or(-1), milliseconds);
}

void TestViewer::folderAndLoading()
{
    Viewer viewer;
    // No folder chosen: no file of the list is read.
    QCOMPARE(viewer.fileListPath("/", "a.txt"), std::nullopt);
    viewer.setFolder("/");
    QCOMPARE(viewer.fileListPath("/", "a.txt"), std::optional<QString>("/a.txt"));
    viewer.setFolder("/srv/texts");
    QCOMPARE(viewer.fileListPath("/srv/texts", "a.txt"),
             std::optional<QString>("/srv/texts/a.txt"));

    QSignalSpy loading(&viewer, &Viewer::loadingChanged);
    viewer.setLoading(true);
    viewer.setLoading(true);
    viewer.setLoading(false);
    QCOMPARE(loading.size(), 2);
    QVERIFY(!viewer.isLoading());
}

QTEST_GUILESS_MAIN(TestViewer)
#include "tst_viewer.moc"
