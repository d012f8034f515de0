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

    QTest::newRow("nothing") << QStringList{} << Action::Run << ""
                             << "";
    QTest::newRow("file") << QStringList{"notes.txt"} << Action::Run << "notes.txt"
                          << "";
    QTest::newRow("folder") << QStringList{"folder"} << Action::Run << "folder"
                            << "";
    // A missing path is the window's to report.
    QTest::newRow("missing") << QStringList{"gone.txt"} << Action::Run << "gone.txt"
                             << "";
    QTest::newRow("help") << QStringList{"--help"} << Action::Help << ""
                          << "";
    QTest::newRow("-h") << QStringList{"notes.txt", "-h"} << Action::Help << ""
                        << "";
    QTest::newRow("help-all") << QStringList{"--help-all"} << Action::Help << ""
                              << "";
    QTest::newRow("version") << QStringList{"--version"} << Action::Version << ""
                             << "";
    QTest::newRow("-v") << QStringList{"-v"} << Action::Version << ""
                        << "";
    QTest::newRow("unknown") << QStringList{"--bogus"} << Action::Error << ""
                             << "Unknown option 'bogus'.";
    QTest::newRow("unknown short") << QStringList{"-x", "notes.txt"} << Action::Error << ""
                                   << "Unknown option 'x'.";
    QTest::newRow("two paths") << QStringList{"notes.txt", "folder"} << Action::Error << ""
                               << "Only one file or folder can be given, not 2.";
    // Files whose names start with "-".
    QTest::newRow("dash file") << QStringList{"-dash.txt"} << Action::Run << "-dash.txt"
                               << "";
    QTest::newRow("double dash file")
        << QStringList{"--double.txt"} << Action::Run << "--double.txt"
        << "";
    QTest::newRow("dash, missing") << QStringList{"-gone.txt"} << Action::Error << ""
                                   << "Unknown option 'gone.txt'.";
    QTest::newRow("after --") << QStringList{"--", "-gone.txt"} << Action::Run << "-gone.txt"
                              << "";
    QTest::newRow("help after --") << QStringList{"--", "--help"} << Action::Run << "--help"
                                   << "";
    // Qt's own options are the application object's.
    QTest::newRow("qt options") << QStringList{"-platform", "xcb", "-reverse", "notes.txt"}
                                << Action::Run << "notes.txt"
                                << "";
    QTest::newRow("qt option value") << QStringList{"--style=Fusion"} << Action::Run << ""
                                     << "";
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
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage:"
                          << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Pagewell " PAGEWELL_VERSION << "";
    QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << ""
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
