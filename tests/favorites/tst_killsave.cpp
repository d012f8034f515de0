// SPDX-License-Identifier: GPL-3.0-or-later
// A save killed at any point leaves the file with its old bytes or its new ones, never a mix,
// and nothing behind once the next start has recovered and the next save into the folder is
// done. The saves run in a helper process (this program, started again with --save-helper),
// which stops itself at a chosen step of the save; the test then kills it with SIGKILL. The
// points are chosen by step and bytes written, so no timing decides where the kill falls.
#include "filehelpers.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/savejournal.h"
#include "viewer/versionstore.h"

#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Step = AtomicFileWriter::Step;

const qint64 mebibyte = 1 << 20;

qint64 oldSize()
{
    // 200 MB unless a quicker run asks for less.
    const qint64 megabytes = qEnvironmentVariableIntValue("PAGEWELL_KILL_TEST_MB");
    return (megabytes > 0 ? megabytes : 200) * mebibyte;
}
qint64 newSize()
{
    return oldSize() + mebibyte; // another size: a cut shows
}

Step stepNamed(const QByteArray &name)
{
    static const QHash<QByteArray, Step> steps{{"backup", Step::Backup},
                                               {"backup-synced", Step::BackupSynced},
                                               {"journal", Step::Journal},
                                               {"content", Step::Content},
                                               {"content-synced", Step::ContentSynced},
                                               {"linked", Step::Linked},
                                               {"replaced", Step::Replaced}};
    return steps.value(name, Step::Replaced);
}

Step stopAt;
qint64 stopAfter = 0;

void stopHere(Step step, qint64 bytes)
{
    if (step == stopAt && bytes >= stopAfter)
        ::raise(SIGSTOP); // the test kills it now
}

// The helper: saves newSize() bytes of 'n' over the file, stopping at the step named.
int saveHelper(char **argv)
{
    QStandardPaths::setTestModeEnabled(true); // the test's data folder
    stopAt = stepNamed(argv[3]);
    stopAfter = QByteArray(argv[4]).toLongLong();
    AtomicFileWriter::setCheckpoint(stopHere);
    VersionStore versions;
    const QByteArray block(mebibyte, 'n');
    const QString error =
        AtomicFileWriter::write(QFile::decodeName(argv[2]),
                                [&block](const AtomicFileWriter::Writer &write) {
                                    for (qint64 done = 0; done < newSize(); done += mebibyte) {
                                        if (!write(block))
                                            return false;
                                    }
                                    return true;
                                },
                                {&versions, VersionStore::Reason::Save});
    return error.isEmpty() ? 0 : 3;
}

void writePattern(const QString &path, char c, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray block(mebibyte, c);
    for (qint64 done = 0; done < size; done += mebibyte)
        QCOMPARE(file.write(block), mebibyte);
}

// 'o' for the old bytes whole, 'n' for the new ones whole, '?' for anything else.
char contentOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return '?';
    const qint64 size = file.size();
    char first = 0;
    while (!file.atEnd()) {
        const QByteArray block = file.read(mebibyte);
        if (!first)
            first = block.isEmpty() ? '?' : block[0];
        if (block.count(first) != block.size())
            return '?';
    }
    if ((first == 'o' && size == oldSize()) || (first == 'n' && size == newSize()))
        return first;
    return '?';
}

} // namespace

class TestKillSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void killed_data();
    void killed();
};

void TestKillSave::killed_data()
{
    QTest::addColumn<bool>("inPlace"); // the file has a second name
    QTest::addColumn<QByteArray>("step");
    QTest::addColumn<qint64>("after"); // bytes written in the step
    QTest::addColumn<char>("expected");
    const qint64 size = oldSize();
    const auto row = [](const char *name, bool inPlace, const char *step, qint64 after,
                        char expected) {
        QTest::newRow(name) << inPlace << QByteArray(step) << after << expected;
    };
    row("in place: copy begun", true, "backup", 1, 'o');
    row("in place: copy half made", true, "backup", size / 2, 'o');
    row("in place: copy made", true, "backup", size, 'o');
    row("in place: copy on disk", true, "backup-synced", 0, 'o');
    row("in place: journalled", true, "journal", 0, 'o');
    row("in place: first block", true, "content", 1, 'o');
    row("in place: half written", true, "content", size / 2, 'o');
    row("in place: all but the end", true, "content", size, 'o');
    row("in place: on disk, still journalled", true, "content-synced", 0, 'o');
    row("in place: done", true, "replaced", 0, 'n');
    row("new file: first block", false, "content", 1, 'o');
    row("new file: a quarter", false, "content", size / 4, 'o');
    row("new file: half", false, "content", size / 2, 'o');
    row("new file: three quarters", false, "content", size * 3 / 4, 'o');
    row("new file: all but the end", false, "content", size, 'o');
    row("new file: all", false, "content", size + mebibyte, 'o');
    row("new file: on disk", false, "content-synced", 0, 'o');
    row("new file: named", false, "linked", 0, 'o');
    row("new file: in place of the old", false, "replaced", 0, 'n');
    row("new file: begun", false, "content", 0, 'o');
}

void TestKillSave::killed()
{
    QFETCH(bool, inPlace);
    QFETCH(QByteArray, step);
    QFETCH(qint64, after);
    QFETCH(char, expected);
    QTemporaryDir dir(QDir::homePath() + "/kill-XXXXXX");
    const QString path = dir.filePath("big.txt");
    writePattern(path, 'o', oldSize());
    if (inPlace)
        QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath("twin"))), 0);

    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray file = QFile::encodeName(path);
    const QByteArray bytes = QByteArray::number(after);
    char *arguments[] = {
        const_cast<char *>(program.constData()), const_cast<char *>("--save-helper"),
        const_cast<char *>(file.constData()),    const_cast<char *>(step.constData()),
        const_cast<char *>(bytes.constData()),   nullptr};
    pid_t pid = 0;
    QCOMPARE(::posix_spawn(&pid, program.constData(), nullptr, nullptr, arguments, environ), 0);
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, WUNTRACED), pid);
    QVERIFY2(WIFSTOPPED(status), "the save ended before it reached the point");
    QCOMPARE(::kill(pid, SIGKILL), 0);
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    // The next start puts back what it must, then a save into the folder clears what is left.
    SaveJournal::recover();
    QCOMPARE(contentOf(path), expected);
    if (inPlace)
        QCOMPARE(contentOf(dir.filePath("twin")), expected);
    QVERIFY(AtomicFileWriter::write(dir.filePath("next.txt"), QByteArray("next")).isEmpty());
    QStringList names{"big.txt", "next.txt"};
    if (inPlace)
        names << "twin";
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
    QCOMPARE(QDir(SaveJournal::folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QDir(VersionStore::defaultFolder()).removeRecursively();
}

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--save-helper") == 0)
        return saveHelper(argv);
    QCoreApplication app(argc, argv);
    TestKillSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killsave.moc"
