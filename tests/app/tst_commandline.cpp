// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: help, version, unknown options, and the one path, also one that starts
// with "-"; and the program's exit status for each.
#include "app/commandline.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Action = CommandLine::Action;

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void parse_data();
    void parse();
    void programExitStatus_data();
    void programExitStatus();

private:
    QTemporaryDir m_folder;
};

void TestCommandLine::initTestCase()
{
    // Paths are looked up from the current folder, as a shell passes them.
    QVERIFY(QDir::setCurrent(m_folder.path()));
    for (const char *name : {"notes.txt", "-dash.txt", "--double.txt"}) {
        QFile file(QString::fromLatin1(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkdir(QStringLiteral("folder")));
}

void TestCommandLine::cleanupTestCase()
{
    QDir::setCurrent(QDir::tempPath());
}

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const QStringList &arguments, Action action,
                        const char *path, const char *message = "") {
        QTest::newRow(name) << arguments << action << QString(path) << QString(message);
    };
    row("nothing", {}, Action::Run, "");
    row("file", {"notes.txt"}, Action::Run, "notes.txt");
    row("missing: the window's to report", {"gone.txt"}, Action::Run, "gone.txt");
    row("help", {"--help"}, Action::Help, "");
    row("-h", {"notes.txt", "-h"}, Action::Help, "");
    row("version", {"--version"}, Action::Version, "");
    row("unknown", {"--bogus"}, Action::Error, "", "Unknown option 'bogus'.");
    row("unknown short", {"-x", "notes.txt"}, Action::Error, "", "Unknown option 'x'.");
    row("two paths", {"notes.txt", "folder"}, Action::Error, "",
        "Only one file or folder can be given, not 2.");
    // Files whose names start with "-".
    row("dash file", {"-dash.txt"}, Action::Run, "-dash.txt");
    row("dash, missing", {"-gone.txt"}, Action::Error, "", "Unknown option 'gone.txt'.");
    row("after --", {"--", "-gone.txt"}, Action::Run, "-gone.txt");
    row("help after --", {"--", "--help"}, Action::Run, "--help");
    // Qt's own options are the application object's.
    row("qt options", {"-platform", "xcb", "-reverse", "notes.txt"}, Action::Run, "notes.txt");
    row("qt option value", {"--style=Fusion"}, Action::Run, "");
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(QString, path);
    QFETCH(QString, message);
    const CommandLine line = CommandLine::parse(QStringList{"pagewell"} + arguments);
    QCOMPARE(line.action, action);
    QCOMPARE(line.path, path);
    QCOMPARE(line.message, message);
}

void TestCommandLine::programExitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage:" << QString();
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Pagewell " PAGEWELL_VERSION
                             << QString();
    QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << QString()
                             << "pagewell: Unknown option 'bogus'.";
}

void TestCommandLine::programExitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    // Without any display: these must not need one.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PAGEWELL_BINARY), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString stdOut = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
