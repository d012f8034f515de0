// Reading files for the pane: decoding, whole-file reads, the display rules and the help text.
#include "app/displayrules.h"
#include "app/helpfile.h"
#include "app/textdecoder.h"
#include "app/wholefilereader.h"
#include "reader/readertextsource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTextFiles : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void readWhole();
    void richTextName_data();
    void richTextName();
    void filePath_data();
    void filePath();
    void helpFileBytes();
    void readerTextSource();
};

void TestTextFiles::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<LineEnding>("lineEnding");

    QTest::newRow("empty") << QByteArray() << QString() << TextEncoding::Utf8 << LineEnding::CrLf;
    QTest::newRow("ascii crlf") << QByteArray("one\r\ntwo\r\n") << u"one\ntwo\n"_qs
                                << TextEncoding::Utf8 << LineEnding::CrLf;
    QTest::newRow("utf-8 lf") << QByteArray("caf\xc3\xa9 \xe2\x82\xac\nx") << u"café €\nx"_qs
                              << TextEncoding::Utf8 << LineEnding::Lf;
    QTest::newRow("utf-8 bom") << QByteArray("\xef\xbb\xbf\xce\xb1\xce\xb2") << u"αβ"_qs
                               << TextEncoding::Utf8WithBom << LineEnding::CrLf;
    QTest::newRow("utf-16 le bom") << QByteArray("\xff\xfeh\0i\0\r\0\n\0\xac\x20", 12)
                                   << u"hi\n€"_qs << TextEncoding::Utf16LE << LineEnding::CrLf;
    QTest::newRow("utf-16 be bom") << QByteArray("\xfe\xff\0h\0i\x20\xac", 8) << u"hi€"_qs
                                   << TextEncoding::Utf16BE << LineEnding::CrLf;
    QTest::newRow("utf-32 le bom") << QByteArray("\xff\xfe\0\0A\0\0\0", 8) << u"A"_qs
                                   << TextEncoding::Utf32LE << LineEnding::CrLf;
    // Not valid UTF-8: the typographic characters of Windows-1252 and its Latin-1 letters.
    QTest::newRow("windows-1252") << QByteArray("\x93quoted\x94 \x80 caf\xe9\r\n")
                                  << u"“quoted” € café\n"_qs << TextEncoding::Windows1252
                                  << LineEnding::CrLf;
    QTest::newRow("cut utf-8 sequence")
        << QByteArray("ab\xc3") << u"abÃ"_qs << TextEncoding::Windows1252 << LineEnding::CrLf;
    QTest::newRow("lone cr") << QByteArray("a\rb\rc") << u"a\nb\nc"_qs << TextEncoding::Utf8
                             << LineEnding::Cr;
    QTest::newRow("first line end decides")
        << QByteArray("a\nb\r\nc") << u"a\nb\nc"_qs << TextEncoding::Utf8 << LineEnding::Lf;
}

void TestTextFiles::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(LineEnding, lineEnding);
    const DecodedText decoded = TextDecoder::decode(bytes);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.encoding, encoding);
    QCOMPARE(decoded.lineEnding, lineEnding);
}

void TestTextFiles::readWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0123456789abcdef");
    file.close();

    WholeFileReader::Result r = WholeFileReader::read(path);
    QCOMPARE(r.status, WholeFileReader::Status::Ok);
    QCOMPARE(r.bytes, QByteArray("0123456789abcdef"));

    r = WholeFileReader::read(path, 15);
    QCOMPARE(r.status, WholeFileReader::Status::TooLarge);
    QVERIFY(r.bytes.isEmpty());
    QVERIFY(r.error.contains(path));

    r = WholeFileReader::read(dir.filePath(QStringLiteral("gone.txt")));
    QCOMPARE(r.status, WholeFileReader::Status::NotFound);

    r = WholeFileReader::read(dir.path());
    QCOMPARE(r.status, WholeFileReader::Status::Failed);
    QVERIFY(!r.error.isEmpty());

    QFile empty(dir.filePath(QStringLiteral("empty.txt")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    r = WholeFileReader::read(empty.fileName());
    QCOMPARE(r.status, WholeFileReader::Status::Ok);
    QVERIFY(r.bytes.isEmpty());
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
    QTest::newRow("short") << "tf" << false;
    QTest::newRow("exactly rtf") << "rtf" << true;
}

void TestTextFiles::richTextName()
{
    QFETCH(QString, name);
    QFETCH(bool, rich);
    QCOMPARE(DisplayRules::isRichTextFileName(name), rich);
}

void TestTextFiles::filePath_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected"); // empty: nothing is read
    QTest::newRow("root") << "/"
                          << "/"
                          << "/a.txt";
    QTest::newRow("deeper") << "/home/u"
                            << "/home/u"
                            << "/home/u/a.txt";
    QTest::newRow("no folder chosen") << ""
                                      << "/"
                                      << "";
    QTest::newRow("not a path") << "c:"
                                << "/"
                                << "";
}

void TestTextFiles::filePath()
{
    QFETCH(QString, caption);
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    const auto path = DisplayRules::filePath(caption, folder, QStringLiteral("a.txt"));
    QCOMPARE(path.value_or(QString()), expected);
}

void TestTextFiles::helpFileBytes()
{
    const QByteArray rule = "------------------------\r\n";
    const QByteArray expected =
        rule + "What is this\r\n" + rule +
        "This is the program favorites ... which you will place your favorites file ..\r\n"
        "\r\n\r\n"
        "How can you do this ?\r\n" +
        rule +
        "Simply click on the file on the list which located next to the directories  down the "
        "program then right click and select add to favorite\r\n"
        "\r\n\r\n"
        "What happend ?\r\n"
        "The program will copy this file and place it on the program path \\favo directory , and "
        "on every starting for the program .. the program will load all the files on that "
        "directory\r\n"
        "\r\n\r\n"
        "To remove any file just right click and press remove this file \r\n";
    QCOMPARE(HelpFile::bytes(), expected);
    QCOMPARE(HelpFile::bytes().count("\r\n"), 16);
}

void TestTextFiles::readerTextSource()
{
    // A small file's bytes are kept; a large one is read again when the text is needed.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    QByteArray big(ReaderTextSource::keepBytesUpTo + 1, 'a');
    big.replace(0, 5, "first");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(big) == big.size());
    file.close();

    ReaderTextSource source;
    QVERIFY(source.isEmpty());
    source.setFile(path, big);
    QCOMPARE(source.text().size(), big.size());
    QVERIFY(source.text().startsWith(QStringLiteral("first")));

    source.setFile(dir.filePath(QStringLiteral("gone.txt")), "caf\xe9\r\n");
    QCOMPARE(source.text(), QStringLiteral("café\n"));
    source.setText(QStringLiteral("typed"));
    QCOMPARE(source.text(), QStringLiteral("typed"));
}

QTEST_APPLESS_MAIN(TestTextFiles)
#include "tst_textfiles.moc"
