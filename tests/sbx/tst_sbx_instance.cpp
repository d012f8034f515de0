// SPDX-License-Identifier: GPL-3.0-or-later
// One sbx for each user and clip folder: a second start hands over to the running one and
// ends, and the running window comes forward.
#include "fakeplatform.h"
#include "filehelpers.h"
#include "sbx/singleinstance.h"
#include "sbx/stashwindow.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSbxInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void secondStartHandsOver();
    void namePerFolder();
    void helpAndVersion_data();
    void helpAndVersion();

private:
    // sbx started as a user would, for the given clip folder; its exit status.
    static int startSbx(const QString &windir, const QStringList &arguments = {},
                        QByteArray *output = nullptr)
    {
        QProcess sbx;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("windir", windir);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        sbx.setProcessEnvironment(environment);
        sbx.start(SBX_PROGRAM, arguments);
        // A start that found no running sbx would open its window and stay: end it then.
        if (!sbx.waitForFinished(30000)) {
            sbx.kill();
            sbx.waitForFinished();
            return -1;
        }
        if (output)
            *output = sbx.readAllStandardOutput();
        return sbx.exitStatus() == QProcess::NormalExit ? sbx.exitCode() : -1;
    }
};

void TestSbxInstance::secondStartHandsOver()
{
    QTemporaryDir folder;
    FakePlatform fake{QString()};
    fake.environment.variables.insert("windir", folder.path());
    SingleInstance first(folder.path());
    QString error;
    QCOMPARE(first.start(&error), SingleInstance::Start::Serving);
    StashWindow window(fake.platform);
    connect(&first, &SingleInstance::activationRequested, &window, &StashWindow::comeForward);
    window.showMinimized();
    QSignalSpy told(&first, &SingleInstance::activationRequested);

    QCOMPARE(startSbx(folder.path()), 0);
    QTRY_COMPARE(told.size(), 1);
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());

    // Once the first has gone, its name is free for the next.
    window.close();
    SingleInstance again(folder.path());
    QCOMPARE(again.start(&error), SingleInstance::Start::HandedOver);
}

void TestSbxInstance::namePerFolder()
{
    QTemporaryDir one;
    QTemporaryDir other;
    QString error;
    SingleInstance first(one.path());
    QCOMPARE(first.start(&error), SingleInstance::Start::Serving);
    SingleInstance second(other.path());
    QCOMPARE(second.start(&error), SingleInstance::Start::Serving);
    QVERIFY(SingleInstance::serverName(one.path()) != SingleInstance::serverName(other.path()));
    QCOMPARE(SingleInstance::serverName(one.path() + "/"), SingleInstance::serverName(one.path()));
}

void TestSbxInstance::helpAndVersion_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("begins");
    QTest::newRow("--help") << "--help" << 0 << "Usage: sbx [--help] [--version]\n";
    QTest::newRow("-h") << "-h" << 0 << "Usage: sbx";
    QTest::newRow("--version") << "--version" << 0 << "Vantrel Stash (sbx) " PAGEWELL_VERSION "\n";
    QTest::newRow("unknown") << "--frobnicate" << 2 << "";
}

void TestSbxInstance::helpAndVersion()
{
    QFETCH(QString, argument);
    QFETCH(int, status);
    QFETCH(QString, begins);
    QTemporaryDir folder;
    QByteArray output;
    QCOMPARE(startSbx(folder.path(), {argument}, &output), status);
    QVERIFY2(output.startsWith(begins.toUtf8()), output.constData());
}

QTEST_MAIN(TestSbxInstance)
#include "tst_sbx_instance.moc"
