// SPDX-License-Identifier: GPL-3.0-or-later
// Reading files for the pane: decoding, whole-file reads, the memory budget and the name rule.
#include "files/memorybudget.h"
#include "files/wholefilereader.h"
#include "text/lineendtally.h"
#include "text/textdecoder.h"
#include "viewer/displayrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <sys/stat.h>
#include <unistd.h>

class TestTextFiles : public QObject
{
    Q_OBJECT

private slots:
    void lineEndStyle_data();
    void lineEndStyle();
    void readWhole_data();
    void readWhole();
    void readFileOfUnknownSize();
    void memoryBudget_data();
    void memoryBudget();
    void memoryFigures_data();
    void memoryFigures();
    void controlGroup_data();
    void controlGroup();
    void controlGroupLimit_data();
    void controlGroupLimit();
    void controlGroupFiles_data();
    void controlGroupFiles();
    void richTextName_data();
    void richTextName();
};

void TestTextFiles::lineEndStyle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<LineEnding>("style");
    const auto row = [](const char *name, const char *text, LineEnding style) {
        QTest::newRow(name) << QString::fromLatin1(text) << style;
    };
    row("none", "one line", LineEnding::CrLf);
    row("stray cr among cr lf", "50%\r100%\r\nnext\nlast\r\n", LineEnding::CrLf);
    row("mostly lf", "a\r\nb\nc\nd\r\ne\n", LineEnding::Lf);
    row("a stray cr loses a tie", "a\rb\nc", LineEnding::Lf);
    row("cr lf and lf tie, first wins", "a\r\nb\nc", LineEnding::CrLf);
    row("old mac", "a\rb\rc\r\n", LineEnding::Cr);
    row("lf cr is two line ends", "a\n\rb\n\rc\n", LineEnding::Lf);
    // Other separators are characters of the text, not line ends.
    QTest::newRow("unicode separators") << u"a\u2028b\u2029c\u0085d\ve\ff\nx"_qs << LineEnding::Lf;
}

void TestTextFiles::lineEndStyle()
{
    QFETCH(QString, text);
    QFETCH(LineEnding, style);
    QCOMPARE(TextDecoder::detectLineEnding(text), style);
    // Read in two pieces cut anywhere, a CR LF split between them included: the same style.
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        LineEndTally tally;
        tally.add(QStringView(text).first(cut));
        tally.add(QStringView(text).sliced(cut));
        QVERIFY2(tally.style() == style, qPrintable(QString::number(cut)));
    }
}

void TestTextFiles::readWhole_data()
{
    QTest::addColumn<QString>("kind"); // what stands at the path
    QTest::addColumn<qint64>("maximumSize");
    QTest::addColumn<qint64>("budget"); // -1: the system's
    QTest::addColumn<WholeFileReader::Status>("status");
    QTest::addColumn<QByteArray>("bytes");

    using S = WholeFileReader::Status;
    const qint64 big = WholeFileReader::maximumSize;
    const auto row = [](const char *name, const char *kind, qint64 maximumSize, qint64 budget,
                        S status) {
        QTest::newRow(name) << QString(kind) << maximumSize << budget << status
                            << (status == S::Ok && strcmp(kind, "empty") != 0
                                    ? QByteArray("0123456789abcdef")
                                    : QByteArray());
    };
    row("regular file", "file", big, -1, S::Ok);
    row("empty file", "empty", big, -1, S::Ok);
    row("link to a file", "link", big, -1, S::Ok);
    row("beyond the largest size", "file", 15, -1, S::TooLarge);
    row("missing", "missing", big, -1, S::NotFound);
    row("dangling link", "dangling", big, -1, S::NotFound);
    row("folder", "folder", big, -1, S::NotRegular);
    row("named pipe", "fifo", big, -1, S::NotRegular);
    row("link to a device", "device", big, -1, S::NotRegular);
    // The file's 16 bytes need 16 * 3 bytes of memory to be shown.
    row("within the memory left", "file", big, 48, S::Ok);
    row("beyond the memory left", "file", big, 47, S::OutOfMemory);
}

void TestTextFiles::readWhole()
{
    QFETCH(QString, kind);
    QFETCH(qint64, maximumSize);
    QFETCH(qint64, budget);
    QFETCH(WholeFileReader::Status, status);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.txt"));
    const QByteArray target = QFile::encodeName(dir.filePath(QStringLiteral("target")));
    QFile file(kind == QLatin1String("link") ? QFile::decodeName(target) : path);
    if (kind == QLatin1String("file") || kind == QLatin1String("link")) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("0123456789abcdef");
        file.close();
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    if (kind == QLatin1String("link") || kind == QLatin1String("dangling"))
        QCOMPARE(::symlink(target.constData(), QFile::encodeName(path).constData()), 0);
    if (kind == QLatin1String("device"))
        QCOMPARE(::symlink("/dev/zero", QFile::encodeName(path).constData()), 0);

    WholeFileReader::Limits limits;
    limits.maximumSize = maximumSize;
    if (budget >= 0)
        limits.budget = MemoryBudget::fixed(budget);
    limits.memoryPerByte = 3;
    // A pipe or a device that the read waited on would hold it up until the test's time limit.
    const WholeFileReader::Result r = WholeFileReader::read(path, limits);
    QCOMPARE(r.status, status);
    QCOMPARE(r.bytes, bytes);
    switch (status) {
    case WholeFileReader::Status::Ok:
        QVERIFY(r.error.isEmpty());
        break;
    case WholeFileReader::Status::NotRegular:
        QCOMPARE(r.error, path + QStringLiteral(" is not a regular file"));
        break;
    case WholeFileReader::Status::OutOfMemory:
        QCOMPARE(r.error, path + QStringLiteral(" is too large to show with the memory available"));
        break;
    default:
        QVERIFY(r.error.contains(path));
    }
}

void TestTextFiles::readFileOfUnknownSize()
{
    // The system reports its own files as empty although they hold text.
    const WholeFileReader::Result r = WholeFileReader::read(QStringLiteral("/proc/self/status"));
    QCOMPARE(r.status, WholeFileReader::Status::Ok);
    QVERIFY(r.bytes.contains("VmSize:"));
    QCOMPARE(WholeFileReader::read(QStringLiteral("/proc/self/status"), 8).status,
             WholeFileReader::Status::TooLarge);
}

void TestTextFiles::memoryBudget_data()
{
    using Figures = MemoryBudget::SystemFigures;
    QTest::addColumn<Figures>("figures");
    QTest::addColumn<qint64>("available");

    const qint64 MiB = qint64(1) << 20;
    const qint64 reserve = MemoryBudget::reserve;
    QTest::newRow("nothing known") << Figures{} << std::numeric_limits<qint64>::max();
    QTest::newRow("address limit")
        << Figures{1024 * MiB, 400 * MiB, {}, {}, {}, {}} << 624 * MiB - reserve;
    QTest::newRow("address limit, size unknown")
        << Figures{1024 * MiB, {}, {}, {}, {}, {}} << 1024 * MiB - reserve;
    QTest::newRow("available memory and swap")
        << Figures{{}, 400 * MiB, 300 * MiB, 100 * MiB, {}, {}} << 400 * MiB - reserve;
    QTest::newRow("the tighter of both")
        << Figures{1024 * MiB, 900 * MiB, 4096 * MiB, 0, {}, {}} << 124 * MiB - reserve;
    QTest::newRow("already beyond the limit")
        << Figures{1024 * MiB, 1100 * MiB, {}, {}, {}, {}} << qint64(0);
    QTest::newRow("less left than the reserve")
        << Figures{{}, {}, 10 * MiB, 0, {}, {}} << qint64(0);
    QTest::newRow("the control group's limit")
        << Figures{{}, {}, 4096 * MiB, 0, 600 * MiB, 500 * MiB} << 100 * MiB - reserve;
    QTest::newRow("the group's use unknown")
        << Figures{{}, {}, 4096 * MiB, 0, 600 * MiB, {}} << 600 * MiB - reserve;
}

void TestTextFiles::memoryBudget()
{
    QFETCH(MemoryBudget::SystemFigures, figures);
    QFETCH(qint64, available);
    QCOMPARE(MemoryBudget::availableFrom(figures), available);
}

void TestTextFiles::memoryFigures_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<qint64>("bytes"); // -1: not found

    const QByteArray meminfo = "MemTotal:       16314500 kB\n"
                               "MemFree:          892412 kB\n"
                               "MemAvailable:    9216000 kB\n"
                               "SwapFree:             0 kB";
    QTest::newRow("a field") << meminfo << QByteArray("MemAvailable") << qint64(9216000) * 1024;
    QTest::newRow("missing") << meminfo << QByteArray("VmSize") << qint64(-1);
    QTest::newRow("only a longer name") << meminfo << QByteArray("Mem") << qint64(-1);
    QTest::newRow("not a number") << QByteArray("VmSize: lots kB\n") << QByteArray("VmSize")
                                  << qint64(-1);
    QTest::newRow("tab separated")
        << QByteArray("VmSize:\t  1 kB\n") << QByteArray("VmSize") << qint64(1024);
}

void TestTextFiles::memoryFigures()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, name);
    QFETCH(qint64, bytes);
    QCOMPARE(MemoryBudget::kibibyteField(text, name).value_or(-1), bytes);
}

void TestTextFiles::controlGroup_data()
{
    QTest::addColumn<QByteArray>("cgroup"); // /proc/self/cgroup
    QTest::addColumn<QByteArrayList>("folders");
    QTest::addColumn<bool>("version1");
    QTest::newRow("v2") << QByteArray("0::/user.slice/app.scope\n")
                        << QByteArrayList{"/user.slice/app.scope", "/user.slice", "/"} << false;
    QTest::newRow("v2 at the top") << QByteArray("0::/\n") << QByteArrayList{"/"} << false;
    QTest::newRow("v1, memory among others")
        << QByteArray("12:pids:/x\n4:cpu,memory:/docker/abc\n1:name=systemd:/y\n")
        << QByteArrayList{"/docker/abc", "/docker", "/"} << true;
    QTest::newRow("both: memory is v1's")
        << QByteArray("4:memory:/box/1\n0::/\n") << QByteArrayList{"/box/1", "/box", "/"} << true;
    QTest::newRow("colon in the path")
        << QByteArray("0::/a:b\n") << QByteArrayList{"/a:b", "/"} << false;
    QTest::newRow("none") << QByteArray("") << QByteArrayList{} << false;
    QTest::newRow("garbage") << QByteArray("nonsense\n3:memory:relative\n") << QByteArrayList{}
                             << false;
}

void TestTextFiles::controlGroup()
{
    QFETCH(QByteArray, cgroup);
    QFETCH(QByteArrayList, folders);
    QFETCH(bool, version1);
    const MemoryBudget::GroupFolders found = MemoryBudget::groupFolders(cgroup);
    QCOMPARE(found.folders, folders);
    QCOMPARE(found.version1, version1);
}

void TestTextFiles::controlGroupLimit_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("bytes"); // -1: no limit
    QTest::newRow("v2 limit") << QByteArray("629145600\n") << qint64(629145600);
    QTest::newRow("v2 none") << QByteArray("max\n") << qint64(-1);
    QTest::newRow("v1 none") << QByteArray("9223372036854771712\n") << qint64(-1);
    QTest::newRow("missing file") << QByteArray() << qint64(-1);
}

void TestTextFiles::controlGroupLimit()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, bytes);
    QCOMPARE(MemoryBudget::groupLimitValue(text).value_or(-1), bytes);
}

using GroupTree = QMap<QByteArray, QByteArray>; // file below the hierarchy's root: content

void TestTextFiles::controlGroupFiles_data()
{
    QTest::addColumn<QByteArray>("cgroup"); // /proc/self/cgroup
    QTest::addColumn<GroupTree>("files");
    QTest::addColumn<qint64>("limit"); // -1: none
    QTest::addColumn<qint64>("inUse"); // -1: not known

    const QByteArray v2 = "0::/user.slice/app.scope\n";
    QTest::newRow("v2, the process's own group")
        << v2
        << GroupTree{{"user.slice/app.scope/memory.max", "629145600\n"},
                     {"user.slice/app.scope/memory.current", "104857600\n"},
                     {"user.slice/memory.max", "max\n"}}
        << qint64(629145600) << qint64(104857600);
    QTest::newRow("v2, a parent's limit counts what the parent uses")
        << v2
        << GroupTree{{"user.slice/app.scope/memory.max", "max\n"},
                     {"user.slice/app.scope/memory.current", "1000\n"},
                     {"user.slice/memory.max", "2000000\n"},
                     {"user.slice/memory.current", "500000\n"}}
        << qint64(2000000) << qint64(500000);
    QTest::newRow("v2, the lowest along the path wins")
        << v2
        << GroupTree{{"user.slice/app.scope/memory.max", "3000000\n"},
                     {"user.slice/app.scope/memory.current", "1000\n"},
                     {"user.slice/memory.max", "2000000\n"},
                     {"user.slice/memory.current", "7000\n"},
                     {"memory.max", "9000000\n"}}
        << qint64(2000000) << qint64(7000);
    QTest::newRow("v2 inside a container: only the top")
        << QByteArray("0::/\n")
        << GroupTree{{"memory.max", "629145600\n"}, {"memory.current", "52428800\n"}}
        << qint64(629145600) << qint64(52428800);
    QTest::newRow("v2 without any limit")
        << v2 << GroupTree{{"user.slice/app.scope/memory.max", "max\n"}} << qint64(-1)
        << qint64(-1);
    QTest::newRow("v2, the usage file missing")
        << v2 << GroupTree{{"user.slice/memory.max", "4096\n"}} << qint64(4096) << qint64(-1);
    QTest::newRow("v1 memory controller")
        << QByteArray("5:memory:/docker/abc\n0::/\n")
        << GroupTree{{"memory/docker/abc/memory.limit_in_bytes", "629145600\n"},
                     {"memory/docker/abc/memory.usage_in_bytes", "1048576\n"},
                     {"memory.max", "1000\n"}} // v2's file is not v1's limit
        << qint64(629145600) << qint64(1048576);
    QTest::newRow("v1 without a limit")
        << QByteArray("5:memory:/docker/abc\n")
        << GroupTree{{"memory/docker/abc/memory.limit_in_bytes", "9223372036854771712\n"},
                     {"memory/docker/abc/memory.usage_in_bytes", "1048576\n"}}
        << qint64(-1) << qint64(-1);
    QTest::newRow("no hierarchy at all") << v2 << GroupTree{} << qint64(-1) << qint64(-1);
}

void TestTextFiles::controlGroupFiles()
{
    QFETCH(QByteArray, cgroup);
    QFETCH(GroupTree, files);
    QFETCH(qint64, limit);
    QFETCH(qint64, inUse);
    QTemporaryDir root;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = root.filePath(QString::fromLatin1(it.key()));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(it.value());
    }
    const MemoryBudget::GroupFigures found =
        MemoryBudget::groupFigures(QFile::encodeName(root.path()), cgroup);
    QCOMPARE(found.limit.value_or(-1), limit);
    QCOMPARE(found.inUse.value_or(-1), inUse);
}

void TestTextFiles::richTextName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("rich");
    QTest::newRow("lower") << "a.rtf" << true;
    QTest::newRow("upper") << "A.RTF" << true;
    QTest::newRow("mixed case") << "a.Rtf" << false;
    QTest::newRow("no dot") << "notesrtf" << true;
    QTest::newRow("txt") << "a.txt" << false;
    QTest::newRow("rtf inside") << "a.rtf.txt" << false;
    QTest::newRow("exactly rtf") << "rtf" << true;
}

void TestTextFiles::richTextName()
{
    QFETCH(QString, name);
    QFETCH(bool, rich);
    QCOMPARE(DisplayRules::isRichTextFileName(name), rich);
}

QTEST_APPLESS_MAIN(TestTextFiles)
#include "tst_textfiles.moc"
