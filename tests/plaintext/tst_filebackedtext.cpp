// SPDX-License-Identifier: GPL-3.0-or-later
// A large text kept in its file: it reads as the same file decoded whole does, edits and undo
// behave alike and a save changes the same bytes; a file changed under it never shows as
// garbage; a file of a gigabyte opens within an address space far smaller than its text.
#include "files/panefilereader.h"
#include "plaintext/filebackedloader.h"
#include "plaintext/plaintextdocument.h"
#include "plaintext/plaintextloader.h"
#include "randomeditor.h"
#include "sourcebytes.h"
#include "viewer/editedsave.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Several chunks' worth of a unit repeated, with a little variety so chunks differ.
QByteArray repeated(const QByteArray &unit, qsizetype size = 300 * 1024, bool varied = true)
{
    QByteArray out;
    for (int i = 0; out.size() < size; ++i) {
        out += unit;
        if (varied && i % 7 == 0)
            out += QByteArray::number(i);
    }
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The file opened as a text kept in the file, or nothing when the loader leaves it.
std::optional<PlainTextLoader::Result> keptInFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const qint64 size = QFileInfo(path).size();
    std::optional<PlainTextLoader::Result> result = FileBackedLoader::load(fd, size);
    ::close(fd);
    return result;
}

// Both texts agree on their characters and on every line's place.
void compareTexts(const TextBuffer &kept, const TextBuffer &whole)
{
    QCOMPARE(kept.length(), whole.length());
    QCOMPARE(kept.lineCount(), whole.lineCount());
    QCOMPARE(kept.text(), whole.text());
    for (qsizetype line = 0; line < whole.lineCount(); line += 1 + line / 3) {
        QCOMPARE(kept.lineStart(line), whole.lineStart(line));
        QCOMPARE(kept.lineEnd(line), whole.lineEnd(line));
        QCOMPARE(kept.lineOf(whole.lineStart(line)), line);
    }
}

} // namespace

class TestFileBackedText : public QObject
{
    Q_OBJECT

private slots:
    void readsAsDecodedWhole_data();
    void readsAsDecodedWhole();
    void editsAndSavesAsDecodedWhole_data();
    void editsAndSavesAsDecodedWhole();
    void changedUnderTheText_data();
    void changedUnderTheText();
    void readerLeavesTextInFile_data();
    void readerLeavesTextInFile();
    void gigabyteWithinSmallAddressSpace();

private:
    QTemporaryDir m_dir;
};

namespace {

// Odd files: mixed line ends, CR CR LF, invalid UTF-8, NULs, Windows-1252's undefined bytes,
// UTF-16 with and without a byte-order mark, odd lengths, no final line end.
void addOddFiles()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("kept");
    QTest::addRow("mixed line ends") << repeated("50%\r100%\r\nnext\nlast\r\n") << true;
    QTest::addRow("cr cr lf") << repeated("a\r\r\nb\r\r\nc\r\n") << true;
    QTest::addRow("only cr, one ends the file")
        << repeated("one\rtwo\r\rthree\r").append("\r") << true;
    QTest::addRow("nul bytes, no final line end")
        << repeated(QByteArray("a\0b\r\nzz\0\0\n", 11)).append("tail") << true;
    QTest::addRow("utf-8 across chunk ends, no final line end")
        << repeated("h\xc3\xa9llo \xf0\x9f\x98\x80\xe2\x82\xac\nx\r\n") + "end" << true;
    QTest::addRow("utf-8 with byte-order mark")
        << "\xef\xbb\xbf" + repeated("\xe2\x82\xac\r\n\xf0\x9f\x98\x80\r") << true;
    QTest::addRow("invalid utf-8 late: windows-1252")
        << repeated("plain ascii line\r\n") + "caf\xe9 \x81\x8d\x8f\x90\x9d\r\nend\n"
        << true;
    QTest::addRow("windows-1252 undefined bytes throughout")
        << repeated("caf\xe9 \x81\x8d\x8f\x90\x9d\r\nend\n") << true;
    QTest::addRow("one long line") << repeated("word ") << true;
    const QByteArray lines16 = utf16(u"line \U0001F600\r\nnext\rlast\n\r\r\n"_qs, true);
    QTest::addRow("utf-16le with byte-order mark, odd length")
        << "\xff\xfe" + repeated(lines16, 300 * 1024, false) + "\x41" << true;
    QTest::addRow("utf-16le without byte-order mark")
        << repeated(lines16, 300 * 1024, false) << true;
    QTest::addRow("utf-16be without byte-order mark, odd length")
        << repeated(utf16(u"line \U0001F600\r\nnext\rlast\n"_qs, false), 300 * 1024, false) + "\x01"
        << true;
    QTest::addRow("utf-16le, a lone surrogate: decoded whole")
        << "\xff\xfe" + repeated(lines16, 300 * 1024, false) +
               QByteArray("\x00\xd8"
                          "a\0",
                          4)
        << false;
    QTest::addRow("utf-32le with byte-order mark")
        << QByteArray("\xff\xfe\0\0", 4) +
               repeated(QByteArray("a\0\0\0\r\0\0\0\n\0\0\0", 12), 300 * 1024, false)
        << false;
    QByteArray halves = repeated("a line of a log, \xc3\xa9t\xc3\xa9\r\n", 9 << 20);
    QTest::addRow("read in halves, utf-8") << halves << true;
    halves[halves.size() - 10] = '\xe9';
    QTest::addRow("read in halves, invalid utf-8 in the second") << halves << true;
}

} // namespace

void TestFileBackedText::readsAsDecodedWhole_data()
{
    addOddFiles();
}

// Kept in the file, a text has the characters, lines, encoding and line-end style it has when
// the file is decoded whole; the files it cannot take are left to the whole decoding.
void TestFileBackedText::readsAsDecodedWhole()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, kept);
    const QString path = m_dir.filePath(u"read.txt"_qs);
    QVERIFY(writeFile(path, file));
    std::optional<PlainTextLoader::Result> loaded = keptInFile(path);
    QCOMPARE(loaded.has_value(), kept);
    if (!kept)
        return;
    QCOMPARE(loaded->status, PlainTextLoader::Status::Ok);
    QVERIFY(loaded->buffer.readsFile());
    const PlainTextLoader::Result whole = PlainTextLoader::fromBytes(file);
    QCOMPARE(loaded->encoding, whole.encoding);
    QCOMPARE(loaded->lineEnding, whole.lineEnding);
    QCOMPARE(loaded->source.textStart, whole.source.textStart);
    QCOMPARE(loaded->source.size, qint64(file.size()));
    compareTexts(loaded->buffer, whole.buffer);
    // Every mark leads to the place the whole decoding's walker finds.
    MemoryBytes bytes(file);
    SourceWalker walker(whole.source, bytes);
    for (size_t i = 0; i < loaded->source.marks.size(); i += 1 + i / 4) {
        const SourceMap::Mark mark = loaded->source.marks[i];
        QVERIFY(walker.seek(mark.position));
        QCOMPARE(walker.offset(), mark.offset);
    }
    QVERIFY(!loaded->buffer.fileChanged());
    // Unedited, a save gives the file's bytes.
    QCOMPARE(EditedSave::bytes(loaded->buffer, loaded->source, bytes, LineEnding::CrLf)
                 .value_or("<none>"),
             file);
}

void TestFileBackedText::editsAndSavesAsDecodedWhole_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<quint32>("seed");
    const struct
    {
        const char *name;
        QByteArray bytes;
    } files[] = {
        {"mixed line ends", repeated("50%\r100%\r\nnext\nlast\r\n")},
        {"cr cr lf", repeated("a\r\r\nb\r\r\nc\r\n")},
        {"windows-1252", repeated("caf\xe9 \x81\x8d\x8f\x90\x9d\r\nend\n")},
        {"nul bytes, no final line end", repeated(QByteArray("a\0b\r\nzz\0\0\n", 11)) + "tail"},
        {"utf-8 with byte-order mark",
         "\xef\xbb\xbf" + repeated("\xe2\x82\xac\r\n\xf0\x9f\x98\x80\r")},
        {"utf-8, a lone cr last", repeated("h\xc3\xa9llo\nx\r\n") + "end\r"},
        {"utf-16le with byte-order mark, odd length",
         "\xff\xfe" + repeated(utf16(u"a \U0001F600\r\nb\rc\n"_qs, true), 300 * 1024, false) +
             "\x41"},
        {"utf-16be without byte-order mark",
         repeated(utf16(u"line\r\nnext\rlast\n"_qs, false), 300 * 1024, false)},
    };
    for (const auto &file : files) {
        for (quint32 seed : {1u, 2u, 3u})
            QTest::addRow("%s, seed %u", file.name, seed) << file.bytes << seed;
    }
}

// The same edits, undos and redos on the text kept in the file and on the file decoded whole
// give the same text and the same saved bytes; every edit undone, the save is the file itself.
void TestFileBackedText::editsAndSavesAsDecodedWhole()
{
    QFETCH(QByteArray, file);
    QFETCH(quint32, seed);
    const QString path = m_dir.filePath(u"edit.txt"_qs);
    QVERIFY(writeFile(path, file));
    std::optional<PlainTextLoader::Result> loaded = keptInFile(path);
    QVERIFY(loaded && loaded->status == PlainTextLoader::Status::Ok);
    PlainTextLoader::Result whole = PlainTextLoader::fromBytes(file);
    const SourceMap keptMap = loaded->source;
    const SourceMap wholeMap = whole.source;
    const QString original = whole.buffer.text();
    PlainTextDocument kept;
    kept.setBuffer(std::move(loaded->buffer));
    PlainTextDocument decoded;
    decoded.setBuffer(std::move(whole.buffer));
    RandomEditor editor(seed, false, 70000);
    MemoryBytes bytes(file);
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 20; ++i)
            editor.step({&kept, &decoded});
        compareTexts(kept.buffer(), decoded.buffer());
        const std::optional<QByteArray> saved =
            EditedSave::bytes(kept.buffer(), keptMap, bytes, LineEnding::CrLf);
        QVERIFY(saved);
        // The saved bytes hold the text; before its first change and after its last they are
        // the file's own.
        const QString text = kept.buffer().text();
        QCOMPARE(textOf(*saved, keptMap), text);
        qsizetype same = 0;
        while (same < text.size() && same < original.size() && text[same] == original[same])
            ++same;
        qsizetype sameEnd = 0;
        while (sameEnd < text.size() - same && sameEnd < original.size() - same &&
               text[text.size() - 1 - sameEnd] == original[original.size() - 1 - sameEnd])
            ++sameEnd;
        // A line end typed beside a run of them may be told apart from them only by its bytes:
        // the run counts as changed.
        while (same > 0 && text[same - 1] == u'\n')
            --same;
        while (sameEnd > 0 && original[original.size() - sameEnd] == u'\n')
            --sameEnd;
        const qint64 head = offsetOf(file, wholeMap, same);
        const qint64 tail = file.size() - offsetOf(file, wholeMap, original.size() - sameEnd);
        QVERIFY(commonPrefix(file, *saved) >= head);
        QVERIFY(commonSuffix(file, *saved) >= std::min(tail, saved->size() - head));
    }
    while (kept.canUndo()) {
        kept.undo();
        decoded.undo();
    }
    compareTexts(kept.buffer(), decoded.buffer());
    QCOMPARE(EditedSave::bytes(kept.buffer(), keptMap, bytes, LineEnding::CrLf).value_or("<none>"),
             file);
}

void TestFileBackedText::changedUnderTheText_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("sameText");
    QTest::addRow("grows") << u"grow"_qs << true;
    QTest::addRow("replaced by a rename") << u"rename"_qs << true;
    QTest::addRow("deleted") << u"delete"_qs << true;
    QTest::addRow("shrinks") << u"shrink"_qs << false;
    QTest::addRow("emptied") << u"empty"_qs << false;
    QTest::addRow("written over in place") << u"overwrite"_qs << false;
}

// Whatever happens to the file, the text keeps its length and lines and shows either what it
// read or blanks, never other bytes; where bytes were lost or changed, the text says so.
void TestFileBackedText::changedUnderTheText()
{
    QFETCH(QString, change);
    QFETCH(bool, sameText);
    const QString path = m_dir.filePath(u"changed.txt"_qs);
    const QByteArray file = repeated("a line \xc3\xa9\r\nand another\n");
    QVERIFY(writeFile(path, file));
    std::optional<PlainTextLoader::Result> loaded = keptInFile(path);
    QVERIFY(loaded && loaded->status == PlainTextLoader::Status::Ok);
    const TextBuffer &text = loaded->buffer;
    const QString original = PlainTextLoader::fromBytes(file).buffer.text();
    QCOMPARE(text.mid(0, 100), original.mid(0, 100)); // the first chunk is decoded before
    const qsizetype lines = text.lineCount();

    QFile target(path);
    if (change == u"grow") {
        QVERIFY(target.open(QIODevice::Append));
        target.write("more\n");
        target.close();
    } else if (change == u"rename") {
        const QString other = m_dir.filePath(u"other.txt"_qs);
        QVERIFY(writeFile(other, QByteArray(file.size(), 'z')));
        QVERIFY(::rename(QFile::encodeName(other).constData(),
                         QFile::encodeName(path).constData()) == 0);
    } else if (change == u"delete") {
        QVERIFY(target.remove());
    } else if (change == u"shrink") {
        QVERIFY(target.resize(file.size() / 2));
    } else if (change == u"empty") {
        QVERIFY(target.resize(0));
    } else {
        // Other letters, the lines as they were: only the bytes themselves tell.
        QVERIFY(target.open(QIODevice::ReadWrite));
        target.seek(file.size() / 3);
        target.write(file.mid(file.size() / 3, 5000).replace('a', 'o'));
        target.close();
    }
    QCOMPARE(text.length(), original.size());
    QCOMPARE(text.lineCount(), lines);
    const QString now = text.text();
    if (sameText) {
        QCOMPARE(now, original);
    } else {
        QVERIFY(now != original);
        for (qsizetype i = 0; i < now.size(); ++i) {
            if (now[i] != original[i])
                QVERIFY2(now[i] == u' ' || now[i] == u'\n', qPrintable(QString::number(i)));
        }
    }
    QCOMPARE(text.fileChanged(), !sameText);
    for (qsizetype line = 0; line < lines; line += 97)
        QVERIFY(text.lineStart(line) <= text.lineEnd(line));
}

void TestFileBackedText::readerLeavesTextInFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("maximumSize"); // of a text decoded whole
    QTest::addColumn<WholeFileReader::Status>("status");
    QTest::addColumn<bool>("leftInFile");
    using S = WholeFileReader::Status;
    const qint64 big = qint64(4) << 30;
    QTest::addRow("a file of its own") << u"own"_qs << big << S::Ok << true;
    // A Save would write it in place, changing the bytes under the text.
    QTest::addRow("a file with a second name") << u"link"_qs << big << S::Ok << false;
    QTest::addRow("beyond the size decoded whole") << u"own"_qs << qint64(1 << 20) << S::Ok << true;
    QTest::addRow("utf-32 beyond the size decoded whole")
        << u"utf32"_qs << qint64(1 << 20) << S::TooLarge << false;
    QTest::addRow("utf-32 within it") << u"utf32"_qs << big << S::Ok << false;
    // A line is laid out whole: one of many megabytes is decoded whole, where memory is weighed.
    QTest::addRow("one line of 17 MB") << u"line"_qs << big << S::Ok << false;
}

// The pane's reader leaves a large UTF-8 text in its file, unless a Save would write over the
// file in place; only a text decoded whole is bound by the size limit for that.
void TestFileBackedText::readerLeavesTextInFile()
{
    QFETCH(QString, kind);
    QFETCH(qint64, maximumSize);
    QFETCH(WholeFileReader::Status, status);
    QFETCH(bool, leftInFile);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"large.txt"_qs);
    QVERIFY(writeFile(
        path, kind == u"utf32"
                  ? QByteArray("\xff\xfe\0\0", 4) +
                        repeated(QByteArray("l\0\0\0e\0\0\0\r\0\0\0\n\0\0\0", 16), 17 << 20, false)
              : kind == u"line" ? QByteArray(17 << 20, 'x')
                                : repeated("a line of text \xc3\xa9\n", 17 << 20)));
    if (kind == u"link")
        QCOMPARE(::link(QFile::encodeName(path).constData(),
                        QFile::encodeName(dir.filePath(u"second.txt"_qs)).constData()),
                 0);
    PaneFileReader::Limits limits;
    limits.maximumSize = maximumSize;
    PaneFileReader::Result result = PaneFileReader::read(path, limits);
    QCOMPARE(result.status, status);
    QCOMPARE(result.plain.buffer.readsFile(), leftInFile);
    if (status == WholeFileReader::Status::Ok)
        QCOMPARE(result.plain.buffer.lineCount() > 500000, kind != u"line");
}

// A log of a gigabyte opens in a process whose whole address space is 1.5 GiB: its text, two
// bytes a character, would not fit.
void TestFileBackedText::gigabyteWithinSmallAddressSpace()
{
    const QString prlimit = QStandardPaths::findExecutable(u"prlimit"_qs);
    if (prlimit.isEmpty())
        QSKIP("prlimit (util-linux) is not installed");
    const qint64 size = qint64(1) << 30;
    if (QStorageInfo(m_dir.path()).bytesAvailable() < size + (size >> 2))
        QSKIP("the temporary folder has no room for a file of a gigabyte");
    const QString path = m_dir.filePath(u"huge.log"_qs);
    {
        QByteArray block;
        for (int i = 0; block.size() < (1 << 20) - 100; ++i)
            block +=
                "2026-12-07 10:00:00 INFO request " + QByteArray::number(i) + " served in 12 ms\n";
        block += QByteArray((1 << 20) - block.size() - 1, 'x') + "\n";
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        for (qint64 written = 0; written < size; written += block.size())
            QVERIFY(out.write(block) == block.size());
    }
    const QString helper = QCoreApplication::applicationDirPath() + u"/hugefileopen"_qs;
    QProcess process;
    process.start(prlimit, {u"--as=%1"_qs.arg(qint64(1536) << 20), helper, path});
    QVERIFY(process.waitForFinished(300000));
    QFile::remove(path);
    const QByteArray output = process.readAllStandardOutput();
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             (output + process.readAllStandardError()).constData());
    // 1024 blocks of lines; the helper reports the lines and the last one's text.
    const QList<QByteArray> fields = output.trimmed().split(' ');
    QCOMPARE(fields.size(), 2);
    QVERIFY(fields[0].toLongLong() > 1024 * 10000);
    QCOMPARE(fields[1], QByteArray("xxxx"));
}

QTEST_GUILESS_MAIN(TestFileBackedText)
#include "tst_filebackedtext.moc"
