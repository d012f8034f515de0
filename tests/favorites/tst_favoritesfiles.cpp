// Writing and removing files without widgets: encodings, Save as names, trash.
#include "app/textdecoder.h"
#include "favorites/filedisposal.h"
#include "favorites/plaintextcontent.h"
#include "favorites/saveastarget.h"
#include "filehelpers.h"

#include <QRegularExpression>
#include <QTextDocument>

class TestFavoritesFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void savedBytes_data();
    void savedBytes();
    void saveAsName_data();
    void saveAsName();
    void discardMovesToTrash();
};

void TestFavoritesFiles::savedBytes_data()
{
    QTest::addColumn<QString>("text"); // as the pane holds it
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<LineEnding>("lineEnding");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("used");
    // A file shown and saved unchanged is written back byte for byte.
    const auto unchanged = [](const char *name, const QByteArray &file) {
        const DecodedText d = TextDecoder::decode(file);
        QTest::newRow(name) << d.text << d.encoding << d.lineEnding << file << d.encoding;
    };
    unchanged("utf-8 cr lf, empty line", "one\r\n\r\nthree\r\n");
    unchanged("utf-8 bom", "\xef\xbb\xbfmarked\r\n");
    unchanged("utf-16 le", QByteArray("\xff\xfe\x61\x00\x0d\x00\x0a\x00", 8));
    unchanged("cr only", "old mac\rfile\r");
    // Includes the no-break space, which QTextDocument::toPlainText() would turn into a blank.
    QByteArray everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += b == '\r' || b == '\n' ? ' ' : char(b);
    unchanged("every code page byte", everyByte + "\r\n");

    const auto utf8 = TextEncoding::Utf8;
    const auto crLf = LineEnding::CrLf;
    QTest::newRow("line end added") << "no end" << utf8 << crLf << QByteArray("no end\r\n") << utf8;
    QTest::newRow("empty text") << "" << utf8 << crLf << QByteArray("\r\n") << utf8;
    QTest::newRow("greek in code page falls back to utf-8")
        << u"caf\u00e9 \u03b1\n"_qs << TextEncoding::Windows1252 << crLf
        << QByteArray("caf\xc3\xa9 \xce\xb1\r\n") << utf8;
}

void TestFavoritesFiles::savedBytes()
{
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(LineEnding, lineEnding);
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, used);
    QTextDocument pane;
    pane.setPlainText(text);
    ShownFile format;
    format.encoding = encoding;
    format.lineEnding = lineEnding;
    const EncodedText saved = PlainTextContent::forSave(PlainTextContent::paneText(pane), format);
    QCOMPARE(saved.bytes, bytes);
    QCOMPARE(saved.encoding, used);
}

void TestFavoritesFiles::saveAsName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("lastShown");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("rich");
    const auto row = [](const char *name, const QString &chosen, const QString &lastShown,
                        const QString &target, bool rich) {
        QTest::newRow(name) << chosen << lastShown << target << rich;
    };
    row("last had none", "/d/notes", "/e/README", "/d/notes", false);
    row("whole long extension", "/d/notes", "/e/a.html", "/d/notes.html", false);
    row("dot in folder only", "/d.x/notes", "/e.y/a.rtf", "/d.x/notes.rtf", true);
    row("hidden name", "/d/.notes", "/e/a.txt", "/d/.notes.txt", false);
    row("upper-case rtf typed", "/d/N.RTF", "/e/a.txt", "/d/N.RTF", true);
    row("rtf in the name only", "/d/rtf", "", "/d/rtf", false);
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
    QVERIFY(!FileDisposal::discard(dir.path(), &error)); // a folder is refused

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
