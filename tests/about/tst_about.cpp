// The About box: the registry lookup, its window, and finding the system information tool.
#include "about/about.h"
#include "about/keyvalue.h"
#include "app/appfonts.h"
#include "windowtest.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

using Value = FakeRegistry::Value;

namespace {
const QByteArray toolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QByteArray folderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString unavailable = QStringLiteral("System Information Is Unavailable At This Time");
} // namespace

class TestAbout : public WindowTest
{
    Q_OBJECT

private slots:
    void keyValue_data();
    void keyValue();
    void keyValueFailures_data();
    void keyValueFailures();

    void boxLooksAsDesigned();
    void okEnterEscAndCloseBoxUnloadIt_data();
    void okEnterEscAndCloseBoxUnloadIt();
    void titleBarButtonKeepsOneBox();

    void firstLocationWins();
    void secondLocationNeedsTheTool();
    void desktopTools_data();
    void desktopTools();

private:
    about &openAbout();
};

about &TestAbout::openAbout()
{
    pgwell &w = f->open();
    w.show();
    QTest::mouseClick(w.Command4, Qt::LeftButton);
    auto *box = w.findChild<about *>();
    Q_ASSERT(box);
    return *box;
}

void TestAbout::keyValue_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("text with its NUL") << 1u << QByteArray("C:\\x.exe\0", 9) << "C:\\x.exe";
    QTest::newRow("text without NUL stays whole") << 1u << QByteArray("abc") << "abc";
    QTest::newRow("only the last NUL goes")
        << 1u << QByteArray("ab\0\0", 4) << QString::fromLatin1("ab\0", 3);
    QTest::newRow("empty text") << 1u << QByteArray() << "";
    QTest::newRow("1024 bytes fit") << 1u << QByteArray(1023, 'x') + '\0' << QString(1023, 'x');
    QTest::newRow("1024 bytes without NUL") << 1u << QByteArray(1024, 'y') << QString(1024, 'y');
    QTest::newRow("number") << 4u << QByteArray("\x2a\x01\0\0", 4) << "298";
    QTest::newRow("negative number") << 4u << QByteArray("\xfe\xff\xff\xff", 4) << "-2";
    QTest::newRow("number with high byte 0") << 4u << QByteArray("\x05\0\0\0", 4) << "5";
    QTest::newRow("other type keeps the caller's text")
        << 2u << QByteArray("%SystemRoot%\0", 13) << "as passed";
}

void TestAbout::keyValue()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);

    FakeRegistry registry;
    registry.keys["K"]["V"] = Value{type, bytes};
    QString keyVal = QStringLiteral("as passed");
    QVERIFY(GetKeyValue(registry, Registry::localMachine, "K", "V", keyVal));
    QCOMPARE(keyVal, expected);
    QCOMPARE(registry.calls, QStringList({"open K", "query K V", "close 7"}));
    QCOMPARE(registry.lastOptions, 0u);
    QCOMPARE(registry.lastAccess, 0x2003Fu);
}

void TestAbout::keyValueFailures_data()
{
    QTest::addColumn<QByteArray>("stored"); // "key/value" where a value is stored
    QTest::addColumn<long>("openFails");
    QTest::addColumn<long>("queryFails");
    QTest::addColumn<QStringList>("calls");

    const QStringList queried = {"open K", "query K V", "close 7"};
    const QStringList unopened = {"open K", "close 0"};
    QTest::newRow("1025 bytes") << QByteArray("K/V") << 0L << 0L << queried;
    QTest::newRow("query fails") << QByteArray("K/V") << 0L << 5L << queried;
    QTest::newRow("missing value") << QByteArray("K/other") << 0L << 0L << queried;
    QTest::newRow("missing key") << QByteArray("other/V") << 0L << 0L << unopened;
    QTest::newRow("open fails") << QByteArray("K/V") << 5L << 0L << unopened;
}

void TestAbout::keyValueFailures()
{
    QFETCH(QByteArray, stored);
    QFETCH(long, openFails);
    QFETCH(long, queryFails);
    QFETCH(QStringList, calls);

    FakeRegistry registry;
    registry.openFails = openFails;
    registry.queryFails = queryFails;
    const QList<QByteArray> at = stored.split('/');
    registry.keys[at[0]][at[1]] = Value{1, QByteArray(1024, 'x') + '\0'};
    QString keyVal = QStringLiteral("as passed");
    QVERIFY(!GetKeyValue(registry, Registry::localMachine, "K", "V", keyVal));
    QCOMPARE(keyVal, QString());
    QCOMPARE(registry.calls, calls);
}

void TestAbout::boxLooksAsDesigned()
{
    about &box = openAbout();
    QVERIFY(box.isVisible());
    QVERIFY(!box.isModal());
    QCOMPARE(box.windowTitle(), QStringLiteral("About Vantrel Pagewell"));
    QCOMPARE(box.geometry(),
             QRect(box.screen()->geometry().topLeft() + QPoint(156, 129), QSize(382, 237)));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QVERIFY(!(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    QCOMPARE(box.lblTitle->text(), "Vantrel Pagewell");
    QCOMPARE(box.lblVersion->text(), "1.50");
    QCOMPARE(box.cmdSysInfo->text(), "&System Info...");
    QVERIFY(box.lblDisclaimer->text().size() > 20);
    QCOMPARE(box.picIcon->pixmap().deviceIndependentSize(), QSizeF(31, 32));
    QVERIFY(box.cmdOK->isDefault());
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QCOMPARE(QApplication::focusWidget(), box.cmdOK);
    QTest::keyClick(&box, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), box.cmdSysInfo);

    // The etched line: grey above, two white pixel rows under it.
    const QImage image = box.grab().toImage();
    QCOMPARE(image.pixelColor(100, 155), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(100, 156), QColor(Qt::white));
    QCOMPARE(image.pixelColor(100, 157), QColor(Qt::white));
    QCOMPARE(image.pixelColor(0, 156), QColor(Qt::white));
}

void TestAbout::okEnterEscAndCloseBoxUnloadIt_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << "OK";
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("Esc") << "Esc";
    QTest::newRow("close box") << "close";
    QTest::newRow("Alt+S starts the tool instead") << "Alt+S";
}

void TestAbout::okEnterEscAndCloseBoxUnloadIt()
{
    QFETCH(QString, how);
    QPointer<about> box = &openAbout();
    QVERIFY(QTest::qWaitForWindowActive(box));
    if (how == "OK")
        QTest::mouseClick(box->cmdOK, Qt::LeftButton);
    else if (how == "Enter")
        QTest::keyClick(box, Qt::Key_Return);
    else if (how == "Esc")
        QTest::keyClick(box, Qt::Key_Escape);
    else if (how == "close")
        box->close();
    else
        QTest::keyClick(box, Qt::Key_S, Qt::AltModifier);
    if (how == "Alt+S") {
        QTRY_COMPARE(f->fake.messages.lastText(), unavailable); // the button animates its click
        QVERIFY(box && box->isVisible());
        return;
    }
    QTRY_VERIFY(box.isNull());
    QVERIFY(f->w->isVisible());
}

void TestAbout::titleBarButtonKeepsOneBox()
{
    about &first = openAbout();
    QTest::mouseClick(f->w->Command4, Qt::LeftButton);
    QCOMPARE(f->w->findChildren<about *>().size(), 1);
    QCOMPARE(f->w->findChild<about *>(), &first);
    // Once closed, "A" makes a new one.
    QPointer<about> closed = &first;
    first.close();
    QTRY_VERIFY(closed.isNull());
    QTest::mouseClick(f->w->Command4, Qt::LeftButton);
    QCOMPARE(f->w->findChildren<about *>().size(), 1);
    QVERIFY(f->w->findChild<about *>()->isVisible());
}

void TestAbout::firstLocationWins()
{
    // Whatever location 1 holds, location 2 is never read: a path that names nothing is started
    // (and fails), a value of another type leaves the path empty.
    for (const Value &value : {Value{1, "/no/such/tool\0"}, Value{2, "%x%\0"}}) {
        f->fake.registry.keys[toolKey]["PATH"] = value;
        f->fake.registry.keys[folderKey]["MSINFO"] = Value{1, "/usr/bin\0"};
        f->fake.executables.installed.insert("hardinfo", "/usr/bin/hardinfo");
        f->fake.launcher.succeed = value.type == 1;
        about &box = openAbout();
        f->fake.registry.calls.clear();
        f->fake.messages.shown.clear();
        f->fake.launcher.started.clear();
        QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
        QVERIFY(!f->fake.registry.calls.join(' ').contains("Location"));
        if (value.type == 1) {
            QCOMPARE(f->fake.launcher.started.size(), 1);
            QCOMPARE(f->fake.launcher.started[0].program, "/no/such/tool");
            QVERIFY(f->fake.messages.shown.isEmpty());
        } else {
            QVERIFY(f->fake.launcher.started.isEmpty());
            QCOMPARE(f->fake.messages.lastText(), unavailable);
        }
        QVERIFY(box.isVisible());
    }
}

void TestAbout::secondLocationNeedsTheTool()
{
    QTemporaryDir folder;
    f->fake.registry.keys[folderKey]["MSINFO"] = Value{1, folder.path().toLocal8Bit() + '\0'};
    f->fake.executables.installed.insert("hardinfo", "/usr/bin/hardinfo");
    about &box = openAbout();
    QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
    QVERIFY(f->fake.launcher.started.isEmpty());
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.shown[0].text, unavailable);
    QCOMPARE(f->fake.messages.shown[0].icon, MessageBoxes::Icon::None);
    QCOMPARE(f->fake.messages.shown[0].buttons, MessageBoxes::Buttons::Ok);
    QCOMPARE(f->fake.messages.shown[0].title, "Pagewell");

    writeFile(folder.filePath("MSINFO32.EXE"), "tool");
    QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
    QCOMPARE(f->fake.launcher.started.size(), 1);
    QCOMPARE(f->fake.launcher.started[0].program, folder.filePath("MSINFO32.EXE"));
    QCOMPARE(f->fake.launcher.started[0].arguments, QStringList());
    QCOMPARE(f->fake.registry.calls.mid(0, 5),
             QStringList({"open " + toolKey, "close 0", "open " + folderKey,
                          "query " + folderKey + " MSINFO", "close 7"}));
}

void TestAbout::desktopTools_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<bool>("startable");
    QTest::addColumn<QString>("started"); // empty: nothing started
    QTest::addColumn<QStringList>("arguments");

    const QStringList all = {"hardinfo", "kinfocenter", "gnome-control-center", "xfce4-about"};
    QTest::newRow("none") << QStringList() << true << "" << QStringList();
    QTest::newRow("hardinfo first") << all << true << "hardinfo" << QStringList();
    QTest::newRow("kinfocenter") << all.mid(1) << true << "kinfocenter" << QStringList();
    QTest::newRow("GNOME") << all.mid(2) << true << "gnome-control-center"
                           << QStringList("info-overview");
    QTest::newRow("Xfce") << all.mid(3) << true << "xfce4-about" << QStringList();
    // A tool that fails to start is not followed by the next one.
    QTest::newRow("found but cannot start")
        << all.mid(1) << false << "kinfocenter" << QStringList();
}

void TestAbout::desktopTools()
{
    QFETCH(QStringList, installed);
    QFETCH(bool, startable);
    QFETCH(QString, started);
    QFETCH(QStringList, arguments);

    for (const QString &name : installed)
        f->fake.executables.installed.insert(name, "/opt/bin/" + name);
    f->fake.launcher.succeed = startable;
    about &box = openAbout();
    QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);

    const auto &launched = f->fake.launcher.started;
    QCOMPARE(launched.size(), started.isEmpty() ? 0 : 1);
    if (!started.isEmpty()) {
        QCOMPARE(launched[0].program, "/opt/bin/" + started);
        QCOMPARE(launched[0].arguments, arguments);
    }
    const bool told = started.isEmpty() || !startable;
    QCOMPARE(f->fake.messages.shown.size(), told ? 1 : 0);
    if (told)
        QCOMPARE(f->fake.messages.lastText(), unavailable);
    QVERIFY(box.isVisible());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
