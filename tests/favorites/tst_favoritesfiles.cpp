// Writing and removing files without widgets: encodings, Save as names, atomic writes, trash.
#include "app/textdecoder.h"
#include "favorites/atomicfilewriter.h"
#include "favorites/filedisposal.h"
#include "favorites/plaintextcontent.h"
#include "favorites/saveastarget.h"
#include "filehelpers.h"

#include <optional>

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

class TestFavoritesFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unchangedTextSavesByteIdentical_data();
    void unchangedTextSavesByteIdentical();
    void writtenBytes_data();
    void writtenBytes();
    void saveAsName_data();
    void saveAsName();
    void failedWriteTouchesNothing_data();
    void failedWriteTouchesNothing();
    void discardMovesToTrash();
};

void TestFavoritesFiles::initTestCase()
{
    useOwnHome();
}

void TestFavoritesFiles::unchangedTextSavesByteIdentical_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("utf-8 lf") << QByteArray("caf\xc3\xa9 \xce\xb1\xce\xb2\nline 2\n");
    QTest::newRow("utf-8 cr lf") << QByteArray("one\r\n\r\nthree\r\n");
    QTest::newRow("utf-8 bom") << QByteArray("\xef\xbb\xbfmarked\r\n");
    QTest::newRow("utf-16 le") << QByteArray("\xff\xfe\x61\x00\x0d\x00\x0a\x00", 8);
    QTest::newRow("cr only") << QByteArray("old mac\rfile\r");
    QTest::newRow("windows-1252 no-break space")
        << QByteArray("na\xefve\xa0\x93quoted\x94 \x80 5\r\n");
    QByteArray everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += b == '\r' || b == '\n' ? ' ' : char(b);
    QTest::newRow("every code page byte") << everyByte + "\r\n";
}

void TestFavoritesFiles::unchangedTextSavesByteIdentical()
{
    QFETCH(QByteArray, file);
    const DecodedText decoded = TextDecoder::decode(file);
    QTextDocument pane;
    pane.setPlainText(decoded.text);
    const ShownFile format{false, decoded.encoding, decoded.lineEnding};
    const EncodedText saved = PlainTextContent::forSave(PlainTextContent::paneText(pane), format);
    QCOMPARE(saved.bytes, file);
    QCOMPARE(saved.encoding, decoded.encoding);
}

void TestFavoritesFiles::writtenBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("favorite");
    QTest::addColumn<QByteArray>("bytes");
    const int cp1252 = int(TextEncoding::Windows1252);
    const int utf8 = int(TextEncoding::Utf8);
    QTest::newRow("line end added") << "no end" << utf8 << false << QByteArray("no end\r\n");
    QTest::newRow("empty text") << "" << utf8 << false << QByteArray("\r\n");
    QTest::newRow("greek in code page falls back to utf-8")
        << u"caf\u00e9 \u03b1\n"_qs << cp1252 << false << QByteArray("caf\xc3\xa9 \xce\xb1\r\n");
    QTest::newRow("code page kept")
        << u"caf\u00e9\n"_qs << cp1252 << false << QByteArray("caf\xe9\r\n");
    QTest::newRow("favorite adds one cr lf always")
        << u"a\n\u00e9\n"_qs << cp1252 << true << QByteArray("a\r\n\xc3\xa9\r\n\r\n");
}

void TestFavoritesFiles::writtenBytes()
{
    QFETCH(QString, text);
    QFETCH(int, encoding);
    QFETCH(bool, favorite);
    QFETCH(QByteArray, bytes);
    const ShownFile format{false, TextEncoding(encoding), LineEnding::CrLf};
    QCOMPARE(favorite ? PlainTextContent::forFavorite(text)
                      : PlainTextContent::forSave(text, format).bytes,
             bytes);
}

void TestFavoritesFiles::saveAsName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("lastShown");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("rich");
    QTest::newRow("extension added") << "/d/notes"
                                     << "/e/a.txt"
                                     << "/d/notes.txt" << false;
    QTest::newRow("typed extension kept") << "/d/notes.txt"
                                          << "/e/a.txt"
                                          << "/d/notes.txt" << false;
    QTest::newRow("nothing shown yet") << "/d/notes"
                                       << ""
                                       << "/d/notes" << false;
    QTest::newRow("last had none") << "/d/notes"
                                   << "/e/README"
                                   << "/d/notes" << false;
    QTest::newRow("whole long extension") << "/d/notes"
                                          << "/e/a.html"
                                          << "/d/notes.html" << false;
    QTest::newRow("dot in folder only") << "/d.x/notes"
                                        << "/e.y/a.rtf"
                                        << "/d.x/notes.rtf" << true;
    QTest::newRow("hidden name") << "/d/.notes"
                                 << "/e/a.txt"
                                 << "/d/.notes.txt" << false;
    QTest::newRow("upper-case rtf typed") << "/d/N.RTF"
                                          << "/e/a.txt"
                                          << "/d/N.RTF" << true;
    QTest::newRow("rtf in the name only") << "/d/rtf"
                                          << ""
                                          << "/d/rtf" << false;
}

void TestFavoritesFiles::saveAsName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, lastShown);
    QFETCH(QString, target);
    QFETCH(bool, rich);
    QCOMPARE(SaveAsTarget::path(chosen, lastShown), target);
    QCOMPARE(SaveAsTarget::isRichText(target), rich);
}

void TestFavoritesFiles::failedWriteTouchesNothing_data()
{
    QTest::addColumn<QString>("target"); // relative to the folder
    QTest::addColumn<qint64>("sizeLimit");
    QTest::newRow("target is a folder") << "sub" << qint64(-1);
    QTest::newRow("missing parent folder") << "gone/new.txt" << qint64(-1);
    QTest::newRow("name too long") << QString(300, u'n') + ".txt" << qint64(-1);
    QTest::newRow("disk full") << "old.txt" << qint64(64);
}

void TestFavoritesFiles::failedWriteTouchesNothing()
{
    QFETCH(QString, target);
    QFETCH(qint64, sizeLimit);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sub")));
    writeFile(dir.filePath(QStringLiteral("sub/inner.txt")), "inner");
    writeFile(dir.filePath(QStringLiteral("old.txt")), "the user's text");
    const auto before = snapshot(dir.path());

    std::optional<FileSizeLimit> limit;
    if (sizeLimit > 0)
        limit.emplace(rlim_t(sizeLimit));
    const QString error = AtomicFileWriter::write(dir.filePath(target), QByteArray(4096, 'x'));
    limit.reset();

    QVERIFY2(error.contains(QDir::toNativeSeparators(dir.filePath(target))), qPrintable(error));
    QCOMPARE(snapshot(dir.path()), before);
}

void TestFavoritesFiles::discardMovesToTrash()
{
    // The data folder, where the home trash lives, does not exist yet in this fresh home.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QTemporaryDir dir(QDir::homePath() + QStringLiteral("/discard-XXXXXX"));
    const QString file = dir.filePath(QStringLiteral("note.txt"));
    writeFile(file, "keep me somewhere");

    QString error;
    QVERIFY2(FileDisposal::discard(file, &error), qPrintable(error));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(readFile(data + QStringLiteral("/Trash/files/note.txt")), "keep me somewhere");

    QVERIFY(!FileDisposal::discard(file, &error));
    QVERIFY(error.contains(file));
    QVERIFY(!FileDisposal::discard(dir.path(), &error));
    QVERIFY(QFileInfo(dir.path()).isDir());

    // No trash can be set up: the file stays where it is, not in the working folder.
    QDir(data + QStringLiteral("/Trash")).removeRecursively();
    writeFile(data + QStringLiteral("/Trash"), "a file in the trash's place");
    writeFile(file, "still here");
    const QString working = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("trash directory")));
    const bool discarded = FileDisposal::discard(file, &error);
    QDir::setCurrent(working);
    QVERIFY(!discarded);
    QCOMPARE(readFile(file), "still here");
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("note.txt")});
}

QTEST_MAIN(TestFavoritesFiles)
#include "tst_favoritesfiles.moc"
