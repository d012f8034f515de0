// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: the registry lookup, its window, and finding the system information tool.
#include "about/about.h"
#include "about/keyvalue.h"
#include "windowtest.h"

#include <QPointer>
#include <QPushButton>

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

    void okEnterEscAndCloseBoxUnloadIt_data();
    void okEnterEscAndCloseBoxUnloadIt();

    void systemInfo_data();
    void systemInfo();

private:
    about &openAbout();
};

about &TestAbout::openAbout()
{
    pgwell &w = f->open();
    w.show();
    QTest::mouseClick(ui(w).Command4, Qt::LeftButton);
    auto *box = w.findChild<about *>();
    Q_ASSERT(box);
    return *box;
}

void TestAbout::keyValue_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");  // "<fails>": the lookup fails
    QTest::addColumn<QByteArray>("stored"); // "key/value" where the value is stored
    QTest::addColumn<long>("openFails");
    QTest::addColumn<long>("queryFails");

    const auto row = [](const char *name, quint32 type, const QByteArray &bytes,
                        const QString &expected, const char *stored = "K/V", long openFails = 0,
                        long queryFails = 0) {
        QTest::newRow(name) << type << bytes << expected << QByteArray(stored) << openFails
                            << queryFails;
    };
    row("text with its NUL", 1, QByteArray("C:\\x.exe\0", 9), "C:\\x.exe");
    row("text without NUL stays whole", 1, "abc", "abc");
    row("only the last NUL goes", 1, QByteArray("ab\0\0", 4), QString::fromLatin1("ab\0", 3));
    row("1024 bytes without NUL", 1, QByteArray(1024, 'y'), QString(1024, 'y'));
    row("number", 4, QByteArray("\x2a\x01\0\0", 4), "298");
    row("negative number", 4, QByteArray("\xfe\xff\xff\xff", 4), "-2");
    row("other type keeps the caller's text", 2, QByteArray("%SystemRoot%\0", 13), "as passed");
    const QByteArray big = QByteArray(1024, 'x') + '\0';
    row("1025 bytes", 1, big, "<fails>");
    row("query fails", 1, big, "<fails>", "K/V", 0, 5);
    row("missing key", 1, big, "<fails>", "other/V");
    row("open fails", 1, big, "<fails>", "K/V", 5);
}

void TestAbout::keyValue()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(QByteArray, stored);
    QFETCH(long, openFails);
    QFETCH(long, queryFails);

    FakeRegistry registry;
    registry.openFails = openFails;
    registry.queryFails = queryFails;
    const QList<QByteArray> at = stored.split('/');
    registry.keys[at[0]][at[1]] = Value{type, bytes};
    QString keyVal = QStringLiteral("as passed");
    const bool fails = expected == "<fails>";
    QCOMPARE(GetKeyValue(registry, Registry::localMachine, "K", "V", keyVal), !fails);
    QCOMPARE(keyVal, fails ? QString() : expected);
    // Every key opened is closed again, also after a failed query.
    const bool opened = at[0] == "K" && !openFails;
    QCOMPARE(registry.calls, opened ? QStringList({"open K", "query K V", "close 7"})
                                    : QStringList({"open K", "close 0"}));
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
    QTest::mouseClick(ui(*f->w).Command4, Qt::LeftButton); // "A" again: the same box
    QCOMPARE(f->w->findChildren<about *>(), QList<about *>{box});
    QVERIFY(QTest::qWaitForWindowActive(box));
    QVERIFY(!box->isModal());
    QCOMPARE(QApplication::focusWidget(), box->cmdOK); // so Enter presses OK
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
    QTest::mouseClick(ui(*f->w).Command4, Qt::LeftButton); // once closed, "A" makes a new one
    QCOMPARE(f->w->findChildren<about *>().size(), 1);
    QVERIFY(f->w->findChild<about *>()->isVisible());
}

void TestAbout::systemInfo_data()
{
    QTest::addColumn<QByteArray>("first"); // the tool's path in location 1; "%": not text
    QTest::addColumn<int>("second");       // location 2: 0 none, 1 a folder, 2 with the tool
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<bool>("startable");
    QTest::addColumn<QString>("started"); // empty: nothing started; <folder> is location 2's
    QTest::addColumn<QStringList>("arguments");

    const QStringList all = {"hardinfo", "kinfocenter", "gnome-control-center", "xfce4-about"};
    const auto row = [](const char *name, const char *first, int second,
                        const QStringList &installed, bool startable, const char *started,
                        const QStringList &arguments = {}) {
        QTest::newRow(name) << QByteArray(first) << second << installed << startable
                            << QString(started) << arguments;
    };
    row("no tool anywhere", "", 0, {}, true, "");
    row("hardinfo first", "", 0, all, true, "/opt/bin/hardinfo");
    row("GNOME", "", 0, all.mid(2), true, "/opt/bin/gnome-control-center", {"info-overview"});
    // A tool that fails to start is not followed by the next one.
    row("found but cannot start", "", 0, all.mid(1), false, "/opt/bin/kinfocenter");
    // Whatever location 1 holds, location 2 and the desktop's tools are never tried: a path
    // that names nothing is started (and fails), a value of another type leaves it empty.
    row("location 1 wins", "/no/such/tool", 2, all, false, "/no/such/tool");
    row("location 1 not text", "%", 2, all, true, "");
    row("location 2 without the tool", "", 1, all, true, "");
    row("location 2 with the tool", "", 2, all, true, "<folder>/MSINFO32.EXE");
}

void TestAbout::systemInfo()
{
    QFETCH(QByteArray, first);
    QFETCH(int, second);
    QFETCH(QStringList, installed);
    QFETCH(bool, startable);
    QFETCH(QString, started);
    QFETCH(QStringList, arguments);

    QTemporaryDir folder;
    if (!first.isEmpty())
        f->fake.registry.keys[toolKey]["PATH"] = Value{first == "%" ? 2u : 1u, first + '\0'};
    if (second)
        f->fake.registry.keys[folderKey]["MSINFO"] = Value{1, folder.path().toLocal8Bit() + '\0'};
    if (second == 2)
        writeFile(folder.filePath("MSINFO32.EXE"), "tool");
    for (const QString &name : installed)
        f->fake.executables.installed.insert(name, "/opt/bin/" + name);
    f->fake.launcher.succeed = startable;
    about &box = openAbout();
    QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);

    const auto &launched = f->fake.launcher.started;
    QCOMPARE(launched.size(), started.isEmpty() ? 0 : 1);
    if (!started.isEmpty()) {
        QCOMPARE(launched[0].program, started.replace("<folder>", folder.path()));
        QCOMPARE(launched[0].arguments, arguments);
    }
    if (!first.isEmpty())
        QVERIFY(!f->fake.registry.calls.join(' ').contains("Location"));
    const bool told = started.isEmpty() || !startable;
    QCOMPARE(f->fake.messages.shown.size(), told ? 1 : 0);
    if (told)
        QCOMPARE(f->fake.messages.lastText(), unavailable);
    QVERIFY(box.isVisible());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
