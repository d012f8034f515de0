// SPDX-License-Identifier: GPL-3.0-or-later
// A save of an edited plain text changes only what was edited: random edits on files with mixed
// line ends, invalid sequences, NULs, byte-order marks or none, an odd last byte, no final line
// end; and a few typed letters saved through the viewer into real files.
#include "displaywait.h"
#include "fakeplatform.h"
#include "filehelpers.h"
#include "plaintext/plaintextdocument.h"
#include "plaintext/plaintextloader.h"
#include "randomeditor.h"
#include "sourcebytes.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/editedsave.h"
#include "viewer/longoperation.h"
#include "viewer/paneport.h"
#include "viewer/plaintextsave.h"
#include "viewer/viewer.h"

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// Large enough to be read in several pieces, so that edits meet the places between them.
QByteArray repeated(const QByteArray &unit, qsizetype size = 90 * 1024)
{
    Q_ASSERT(!unit.isEmpty());
    QByteArray out;
    while (out.size() < size)
        out += unit;
    return out;
}

// The pane as a plain-text document, as the window's pane keeps it.
class DocumentPane : public PanePort
{
public:
    PlainTextDocument doc;
    bool isModified() const override { return doc.isModified(); }
    void setModified(bool value) override { doc.setModified(value); }
    QString text() const override { return doc.text(); }
    void forEachTextPiece(const std::function<bool(QStringView)> &visit) const override
    {
        bool more = true;
        doc.buffer().forEachPiece([&](QStringView piece) {
            if (more)
                more = visit(piece);
        });
    }
    QByteArray richText() const override { return {}; }
    ShownFile showFile(PaneFileReader::Result &&file, ReaderText *) override
    {
        doc.setBuffer(std::move(file.plain.buffer));
        ShownFile shown;
        shown.encoding = file.plain.encoding;
        shown.lineEnding = file.plain.lineEnding;
        return shown;
    }
    void showLoadPreview(TextBuffer &&) override {}
    void showLoadProgress(int) override {}
    void hideLoadProgress() override {}
    std::optional<TextBuffer> editedPlainText() const override { return doc.buffer(); }
    quint64 markTextSaved() override { return doc.markTextAsOriginal(); }
    bool appendFromFile(const QString &text) override
    {
        if (doc.isModified())
            return false;
        TextBuffer buffer = doc.buffer();
        buffer.append(text);
        doc.setBuffer(std::move(buffer));
        doc.setModified(false);
        return true;
    }
};

// The viewer over that pane in a folder of its own.
struct DocumentFixture
{
    DocumentFixture() : fake(folder.path()), viewer(fake.platform, pane) {}
    // Writes the file and shows it.
    void show(const QByteArray &bytes, const QString &name = "t.txt")
    {
        path = folder.filePath(name);
        writeFile(path, bytes);
        viewer.display(path, ShownList::Files);
        waitForDisplay(viewer);
    }

    QTemporaryDir folder;
    FakePlatform fake;
    DocumentPane pane;
    Viewer viewer;
    QString path;
};

// The save under way, cancelled at its first bytes when a test asks.
LongOperation *cancelAtContent = nullptr;
void cancelAtFirstBytes(AtomicFileWriter::Step step, qint64)
{
    if (step == AtomicFileWriter::Step::Content && cancelAtContent)
        std::exchange(cancelAtContent, nullptr)->cancel();
}
} // namespace

class TestEditedSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void randomEdits_data();
    void randomEdits();
    void typedAndSaved_data();
    void typedAndSaved();
    void changedOnDiskIsWrittenWhole();
    void inPlaceSaveReadsBeforeItWrites();
    void followedLogTypedAndSaved_data();
    void followedLogTypedAndSaved();
    void copiedEitherWay_data();
    void copiedEitherWay();
    void onlyTheEditsMustFit_data();
    void onlyTheEditsMustFit();
    void anEditTheEncodingLacksAsks_data();
    void anEditTheEncodingLacksAsks();
};

void TestEditedSave::randomEdits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<quint32>("seed");
    const QString lines = u"line one\r\nsecond\rthird\nfourth\r\r\nfifth\r\n"_qs;
    const struct
    {
        const char *name;
        QByteArray bytes;
    } files[] = {
        {"mixed line ends", repeated("50%\r100%\r\nnext\nlast\r\n")},
        {"cr cr lf", repeated("a\r\r\nb\r\r\nc\r\n")},
        {"windows-1252, undefined bytes", repeated("caf\xe9 \x81\x8d\x8f\x90\x9d\r\nend\n")},
        {"nul bytes, no final line end", repeated("a\0b\r\nzz\0\0\n", 70000).append("tail")},
        {"utf-8, no final line end", repeated("h\xc3\xa9llo \xf0\x9f\x98\x80\nx\r\n") + "end"},
        {"utf-8 with bom", "\xef\xbb\xbf" + repeated("\xe2\x82\xac\r\n\xf0\x9f\x98\x80\r")},
        {"utf-16le with bom, odd length", "\xff\xfe" + repeated(utf16(lines, true)) + "\x41"},
        {"utf-16le without bom", repeated(utf16(lines, true))},
        {"utf-16be without bom, odd length", repeated(utf16(lines, false)) + "\x01"},
        {"utf-32le with bom",
         QByteArray("\xff\xfe\0\0", 4) +
             repeated(QByteArray("a\0\0\0\r\0\0\0\n\0\0\0\0\xf6\x01\0\r\0\0\0", 20))},
        {"small", "ab\r\ncd"},
        {"empty", ""},
    };
    for (const auto &file : files) {
        for (quint32 seed : {1u, 2u, 3u})
            QTest::addRow("%s, seed %u", file.name, seed) << file.bytes << seed;
    }
}

// After any edits the file holds the text edited, and its bytes outside the edited stretch are
// those it had; with every edit undone it is the file as it was. A second round of edits on the
// file saved behaves the same.
void TestEditedSave::randomEdits()
{
    QFETCH(QByteArray, file);
    QFETCH(quint32, seed);
    PlainTextLoader::Result loaded = PlainTextLoader::fromBytes(file);
    QCOMPARE(loaded.status, PlainTextLoader::Status::Ok);
    const SourceMap source = loaded.source;
    QVERIFY(source.exact);
    const QString original = loaded.buffer.text();
    QCOMPARE(textOf(file, source), original); // the walker reads as the loader does
    const bool unicode = source.encoding != TextEncoding::Windows1252;

    PlainTextDocument doc;
    doc.setBuffer(std::move(loaded.buffer));
    RandomEditor editor(seed, unicode);
    QByteArray before = file;
    SourceMap map = source;
    QString beforeText = original;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 25; ++i)
            editor.step({&doc});
        MemoryBytes bytes(before);
        SourceMap saved;
        const std::optional<QByteArray> after =
            EditedSave::bytes(doc.buffer(), map, bytes, LineEnding::CrLf, &saved);
        QVERIFY(after);
        const QString text = doc.text();
        QCOMPARE(textOf(*after, map), text);
        // The bytes before the first change and after the last are the file's.
        qsizetype same = 0;
        while (same < text.size() && same < beforeText.size() && text[same] == beforeText[same])
            ++same;
        qsizetype sameEnd = 0;
        while (sameEnd < text.size() - same && sameEnd < beforeText.size() - same &&
               text[text.size() - 1 - sameEnd] == beforeText[beforeText.size() - 1 - sameEnd])
            ++sameEnd;
        const qint64 head = offsetOf(before, map, same);
        const qint64 tail = before.size() - offsetOf(before, map, beforeText.size() - sameEnd);
        QVERIFY2(commonPrefix(before, *after) >= head, qPrintable(QString::number(same)));
        QVERIFY2(commonSuffix(before, *after) >= std::min(tail, after->size() - head),
                 qPrintable(QString::number(sameEnd)));
        if (round == 0) {
            // Every edit undone gives the file as it was, and redone the file just saved.
            int undone = 0;
            for (; doc.canUndo(); ++undone)
                doc.undo();
            MemoryBytes original(file);
            QCOMPARE(
                EditedSave::bytes(doc.buffer(), map, original, LineEnding::CrLf).value_or("<none>"),
                file);
            while (undone-- > 0)
                doc.redo();
            QCOMPARE(doc.text(), text);
        }
        // The saved file is the next save's source: its map finds every place in it.
        saved.textMark = doc.markTextAsOriginal();
        for (const SourceMap::Mark &mark : saved.marks)
            QCOMPARE(offsetOf(*after, saved, mark.position), mark.offset);
        before = *after;
        map = saved;
        beforeText = text;
    }
}

void TestEditedSave::typedAndSaved_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QByteArray>("restored"); // with the edit taken back by another one
    const auto u16 = [](const char *text) {
        return utf16(QString::fromLatin1(text), true);
    };

    QTest::newRow("mixed line ends keep theirs")
        << QByteArray("50%\r100%\r\nnext\nlast\r\n") << 9 << 0 << "x"
        << QByteArray("50%\r100%\r\nxnext\nlast\r\n") << QByteArray();
    QTest::newRow("cr cr lf stays") << QByteArray("a\r\r\nb\r\r\nc\r\n") << 4 << 0 << "x"
                                    << QByteArray("a\r\r\nbx\r\r\nc\r\n") << QByteArray();
    QTest::newRow("no final line end gets none")
        << QByteArray("one\r\ntwo") << 7 << 0 << "!" << QByteArray("one\r\ntwo!") << QByteArray();
    QTest::newRow("typed after the final line end gets none")
        << QByteArray("one\r\ntwo\n") << 8 << 0 << "x" << QByteArray("one\r\ntwo\nx")
        << QByteArray();
    QTest::newRow("a new line takes its line's end (cr)")
        << QByteArray("50%\r100%\r\n") << 1 << 0 << "\n"
        << QByteArray("5\r0%\r100%\r\n") << QByteArray();
    QTest::newRow("a new line takes its line's end (cr lf)")
        << QByteArray("50%\r100%\r\n") << 5 << 0 << "\n"
        << QByteArray("50%\r1\r\n00%\r\n") << QByteArray();
    QTest::newRow("a cr and an lf brought together stay two")
        << QByteArray("x\rY\nz") << 2 << 1 << "" << QByteArray("x\r\r\nz")
        << QByteArray("x\rY\r\nz");
    QTest::newRow("more lines than replaced take the old line ends first")
        << QByteArray("one\rtwo\r\nthree\n") << 0 << 7 << "A\nB\nC"
        << QByteArray("A\rB\r\nC\r\nthree\n") << QByteArray();
    QTest::newRow("utf-16le without bom")
        << u16("hi\r\nyo\n") << 1 << 0 << "X" << u16("hXi\r\nyo\n") << QByteArray();
    QTest::newRow("odd last byte of utf-16 stays")
        << QByteArray("\xff\xfe") + u16("ab") + "\x41" << 0 << 0 << "X"
        << QByteArray("\xff\xfe") + u16("Xab") + "\x41" << QByteArray();
    QTest::newRow("windows-1252 undefined bytes and nul stay")
        << QByteArray("\x81\0\x9d\xe9\r\n", 6) << 4 << 0 << "\u20ac"
        << QByteArray("\x81\0\x9d\xe9\x80\r\n", 7) << QByteArray();
}

// Typed into a file shown by the viewer and saved: only the typed bytes differ, and so again
// after a second edit of the file saved.
void TestEditedSave::typedAndSaved()
{
    QFETCH(QByteArray, file);
    QFETCH(int, position);
    QFETCH(int, removed);
    QFETCH(QString, typed);
    QFETCH(QByteArray, saved);
    QFETCH(QByteArray, restored);
    DocumentFixture f;
    f.show(file);
    QCOMPARE(f.viewer.shownFile().path, f.path);

    const QString before = f.pane.doc.buffer().mid(position, removed);
    f.pane.doc.replace(position, removed, typed);
    f.viewer.save();
    QCOMPARE(readFile(f.path), saved);
    // Put back by another edit: the file saved is the source now.
    f.pane.doc.replace(position, typed.size(), before);
    f.viewer.save();
    QCOMPARE(readFile(f.path), restored.isEmpty() ? file : restored);
    QVERIFY(f.fake.messages.shown.isEmpty());
}

// A file changed by another program since it was shown has no bytes left to copy: the text is
// written whole, in the file's line ends and encoding, as before.
void TestEditedSave::changedOnDiskIsWrittenWhole()
{
    DocumentFixture f;
    f.show("a\rb\r\nc");
    writeFile(f.path, "other content, longer");
    f.pane.doc.replace(0, 0, u"x"_qs);
    // The user is asked first, and agrees to replace the other program's text.
    f.fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    f.viewer.save();
    QCOMPARE(f.fake.messages.shown.size(), 1);
    QCOMPARE(readFile(f.path), QByteArray("xa\r\nb\r\nc\r\n"));
}

// A file in a folder that takes no new file is written over its own bytes: what is copied from
// it must be read before the text typed in front of it pushes the rest over it.
void TestEditedSave::inPlaceSaveReadsBeforeItWrites()
{
    if (::geteuid() == 0)
        QSKIP("root may write anywhere: this runs as an ordinary user too");
    QByteArray file;
    for (int line = 0; line < 200'000; ++line)
        file += "line " + QByteArray::number(line) + (line % 3 ? "\r\n" : "\n");
    DocumentFixture f;
    f.show(file, "locked/t.txt");
    const QString locked = f.folder.filePath("locked");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    f.pane.doc.replace(0, 0, u"a longer first line\n"_qs);
    f.viewer.save();
    // A text of this size is saved on a thread: the folder stays locked until it is written.
    QTRY_VERIFY(!f.viewer.isBusy());
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(f.fake.messages.shown.isEmpty());
    QCOMPARE(readFile(f.path), "a longer first line\n" + file);
}

// A log followed while it grows: the bytes it gained are the file's own as much as those
// shown first, and a Save after several additions changes only what was typed.
void TestEditedSave::followedLogTypedAndSaved_data()
{
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<QList<QByteArray>>("appended");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("saved");
    const QList<QByteArray> mixed{"three\rfour\r\n", "five\nsix"};
    QTest::newRow("mixed line ends, typed in the first part")
        << QByteArray("one\r\ntwo\n") << mixed << 0
        << QByteArray("Xone\r\ntwo\nthree\rfour\r\nfive\nsix");
    QTest::newRow("mixed line ends, typed in the last addition")
        << QByteArray("one\r\ntwo\n") << mixed << 24
        << QByteArray("one\r\ntwo\nthree\rfour\r\nfive\nXsix");
    QTest::newRow("windows-1252 undefined bytes added")
        << QByteArray("caf\xe9\r\n") << QList<QByteArray>{"\x81x\r\n", "y\x9d\n"} << 0
        << QByteArray("Xcaf\xe9\r\n\x81x\r\ny\x9d\n");
    QTest::newRow("shown up to a cr, its lf added")
        << QByteArray("a\r") << QList<QByteArray>{"\nb\r\n", "c\n"} << 0
        << QByteArray("Xa\r\nb\r\nc\n");
    QTest::newRow("a character added in two halves")
        << QByteArray("x\n") << QList<QByteArray>{"\xc3", "\xa9\r\n", "z\r"} << 4
        << QByteArray("x\n\xc3\xa9\r\nXz\r");
}

void TestEditedSave::followedLogTypedAndSaved()
{
    QFETCH(QByteArray, shown);
    QFETCH(QList<QByteArray>, appended);
    QFETCH(int, position);
    QFETCH(QByteArray, saved);
    DocumentFixture f;
    f.show(shown);
    for (const QByteArray &bytes : appended) {
        QFile file(f.path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(bytes);
        file.close();
        checkDiskAndWait(f.viewer);
    }
    f.pane.doc.replace(position, 0, u"X"_qs);
    f.viewer.save();
    QVERIFY(f.fake.messages.shown.isEmpty());
    QCOMPARE(readFile(f.path), saved);
}

void TestEditedSave::copiedEitherWay_data()
{
    QTest::addColumn<bool>("systemCopy");
    QTest::addColumn<bool>("onThread");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("system copy") << true << false << false;
    QTest::newRow("reads and writes") << false << false << false;
    QTest::newRow("system copy, on a thread") << true << true << false;
    QTest::newRow("reads and writes, on a thread") << false << true << false;
    QTest::newRow("system copy, cancelled") << true << true << true;
    QTest::newRow("reads and writes, cancelled") << false << true << true;
}

// The unedited stretches of a file of many blocks are copied, by the system's copy between
// files or by reads and writes, into exactly the bytes they were; a cancel leaves the file.
void TestEditedSave::copiedEitherWay()
{
    QFETCH(bool, systemCopy);
    QFETCH(bool, onThread);
    QFETCH(bool, cancel);
    const QByteArray unit = "50%\r100%\r\nnext\nlast\r\n";
    const qsizetype units = (3 << 20) / unit.size();
    const QByteArray file = unit.repeated(units) + "no end";
    const qsizetype unitChars = PlainTextLoader::fromBytes(unit).buffer.length();
    DocumentFixture f;
    if (onThread)
        f.viewer.operations().setBackgroundFrom(0);
    f.show(file);
    // One edit near the start, one in the middle, one at the end: long stretches between.
    f.pane.doc.replace(f.pane.doc.buffer().length(), 0, u"!"_qs);
    f.pane.doc.replace(units / 2 * unitChars, 0, u"mid"_qs);
    f.pane.doc.replace(unitChars, 0, u"x"_qs);
    AtomicFileWriter::setRangeCopyOffered(systemCopy);
    AtomicFileWriter::setCheckpoint(&cancelAtFirstBytes);
    cancelAtContent = cancel ? &f.viewer.operations() : nullptr;
    f.viewer.save();
    QTRY_VERIFY(!f.viewer.isBusy());
    AtomicFileWriter::setRangeCopyOffered(true);
    AtomicFileWriter::setCheckpoint(nullptr);
    cancelAtContent = nullptr;
    QByteArray expected = file;
    if (!cancel) {
        expected.append('!');
        expected.insert(units / 2 * unit.size(), "mid");
        expected.insert(unit.size(), "x");
    }
    const QByteArray written = readFile(f.path);
    QCOMPARE(written.size(), expected.size());
    QVERIFY(written == expected);
    QCOMPARE(f.pane.isModified(), cancel);
    QVERIFY(f.fake.messages.shown.isEmpty());
}

void TestEditedSave::onlyTheEditsMustFit_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("mapped"); // the text is still the one its source map was made for
    QTest::addColumn<bool>("fits");
    const QString lacking = u"caf\u00e9 \u4e00 end\n"_qs; // Windows-1252 has no U+4E00
    const QString long1252 = QString(1 << 20, u'a');
    QTest::newRow("the file's own characters are copied, not encoded")
        << lacking << 4 << u"\u20ac"_qs << true << true;
    QTest::newRow("a typed character it lacks")
        << u"caf\u00e9\n"_qs << 1 << u"\u4e00"_qs << true << false;
    QTest::newRow("one it lacks at the end of a long typed stretch")
        << u"caf\u00e9\n"_qs << 3 << long1252 + u"\u4e00"_qs << true << false;
    QTest::newRow("a long typed stretch that fits")
        << u"caf\u00e9\n"_qs << 3 << long1252 + u"\u00e9"_qs << true << true;
    QTest::newRow("a text no longer its map's is looked at whole")
        << lacking << 4 << u"x"_qs << false << false;
}

// What an edited save encodes must fit the file's encoding; the rest of the text is copied as
// the file has it and is never decoded for the question.
void TestEditedSave::onlyTheEditsMustFit()
{
    QFETCH(QString, read);
    QFETCH(int, position);
    QFETCH(QString, typed);
    QFETCH(bool, mapped);
    QFETCH(bool, fits);
    TextBuffer text(read);
    SourceMap source;
    source.encoding = TextEncoding::Windows1252;
    source.exact = true;
    source.length = text.length();
    source.textMark = text.markOriginal();
    text.insert(position, typed);
    if (!mapped)
        source.textMark = 0;
    ShownFile format;
    format.encoding = TextEncoding::Windows1252;
    const PlainTextSave::Pieces pieces = [&text](const std::function<bool(QStringView)> &visit) {
        bool more = true;
        text.forEachPiece([&](QStringView piece) { more = more && visit(piece); });
    };
    QCOMPARE(PlainTextSave::fitsWriteBack(TextEncoding::Windows1252, pieces, text, &source, format),
             fits);
}

void TestEditedSave::anEditTheEncodingLacksAsks_data()
{
    QTest::addColumn<bool>("changedOnDisk");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("expected");
    const auto yes = int(MessageBoxes::Answer::Yes);
    const auto no = int(MessageBoxes::Answer::No);
    const QByteArray utf8("caf\xe4\xb8\x80\xc3\xa9\r\n");
    QTest::newRow("no: the file as it was") << false << no << QByteArray("caf\xe9\r\n");
    QTest::newRow("yes: utf-8") << false << yes << utf8;
    // Its bytes gone, the text is written whole: the question is still asked.
    QTest::newRow("changed on disk, no: the other program's text")
        << true << no << QByteArray("other\r\n");
    QTest::newRow("changed on disk, yes: utf-8") << true << yes << utf8;
}

// A character typed that the file's encoding lacks: the user is asked whether to write UTF-8,
// whether only the edits could be written or the text had to be written whole.
void TestEditedSave::anEditTheEncodingLacksAsks()
{
    QFETCH(bool, changedOnDisk);
    QFETCH(int, answer);
    QFETCH(QByteArray, expected);
    DocumentFixture f;
    f.show("caf\xe9\r\n");
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Windows1252);
    if (changedOnDisk) {
        writeFile(f.path, "other\r\n");
        f.fake.messages.answers.enqueue(MessageBoxes::Answer::Yes); // replace it
    }
    f.pane.doc.replace(3, 0, u"\u4e00"_qs);
    f.fake.messages.answers.enqueue(MessageBoxes::Answer(answer));
    f.viewer.save();
    QTRY_VERIFY(!f.viewer.isBusy());
    QCOMPARE(f.fake.messages.shown.size(), changedOnDisk ? 2 : 1);
    QCOMPARE(readFile(f.path), expected);
    QCOMPARE(f.pane.isModified(), answer != int(MessageBoxes::Answer::Yes));
}

QTEST_GUILESS_MAIN(TestEditedSave)
#include "tst_editedsave.moc"
