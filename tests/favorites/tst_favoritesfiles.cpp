// SPDX-License-Identifier: GPL-3.0-or-later
// Writing and removing files without widgets: encodings, Save as names, trash.
#include "fakeplatform.h"
#include "filehelpers.h"
#include "text/pieceencoder.h"
#include "text/textdecoder.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/filedisposal.h"
#include "viewer/plaintextcontent.h"
#include "viewer/plaintextsave.h"
#include "viewer/saveastarget.h"

#include <optional>
#include <QScopeGuard>
#include <sys/stat.h>
#include <unistd.h>

class TestFavoritesFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void savedBytes_data();
    void savedBytes();
    void savedInPieces_data() { savedBytes_data(); }
    void savedInPieces();
    void largeTextSavedWhole();
    void saveAsName_data();
    void saveAsName();
    void discardMovesToTrash();
    void writeKeepsTheFile_data();
    void writeKeepsTheFile();
};

void TestFavoritesFiles::savedBytes_data()
{
    QTest::addColumn<QString>("text"); // as the pane holds it
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<LineEnding>("lineEnding");
    QTest::addColumn<QByteArray>("bytes"); // empty: the encoding cannot hold the text
    // A file shown and saved unchanged is written back byte for byte.
    const auto unchanged = [](const char *name, const QByteArray &file) {
        const DecodedText d = TextDecoder::decode(file);
        QTest::newRow(name) << d.text << d.encoding << d.lineEnding << file;
    };
    unchanged("utf-8 cr lf, empty line", "one\r\n\r\nthree\r\n");
    unchanged("utf-8 bom", "\xef\xbb\xbfmarked\r\n");
    unchanged("utf-16 le", QByteArray("\xff\xfe\x61\x00\x0d\x00\x0a\x00", 8));
    unchanged("cr only", "old mac\rfile\r");
    // Includes the no-break space and the C1 bytes without a character of their own.
    QByteArray everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += b == '\r' || b == '\n' ? ' ' : char(b);
    unchanged("every code page byte", everyByte + "\r\n");
    // Separators and noncharacters are characters, not line ends, in every Unicode encoding.
    unchanged("separators, utf-8", "a\xe2\x80\xa8"
                                   "b\xe2\x80\xa9"
                                   "c\xef\xb7\x90"
                                   "d\xc2\x85\x0b\x0c\n");
    unchanged("separators, utf-16 be", QByteArray("\xfe\xff\x20\x28\x20\x29\xfd\xd0\0\n", 10));
    unchanged("separators, utf-32 le",
              QByteArray("\xff\xfe\0\0\x28\x20\0\0\xd0\xfd\0\0\r\0\0\0\n\0\0\0", 20));

    // An edited text takes the style most of the file's lines had.
    const auto edited = [](const char *name, const QByteArray &file, const QByteArray &saved) {
        const DecodedText d = TextDecoder::decode(file);
        QTest::newRow(name) << d.text << d.encoding << d.lineEnding << saved;
    };
    edited("stray cr stays cr lf", "50%\r100%\r\nnext\nlast\r\n",
           "50%\r\n100%\r\nnext\r\nlast\r\n");
    edited("mixed, mostly lf", "a\r\nb\nc\nd", "a\nb\nc\nd\n");
    edited("mixed, mostly cr lf", "a\nb\r\nc\r\n", "a\r\nb\r\nc\r\n");

    const auto utf8 = TextEncoding::Utf8;
    const auto crLf = LineEnding::CrLf;
    QTest::newRow("line end added") << "no end" << utf8 << crLf << QByteArray("no end\r\n");
    QTest::newRow("empty text") << "" << utf8 << crLf << QByteArray("\r\n");
    QTest::newRow("code page letters") << u"caf\u00e9 \u20ac"_qs << TextEncoding::Windows1252
                                       << crLf << QByteArray("caf\xe9 \x80\r\n");
    // Never a '?' in place of a character: no bytes at all, and the user is asked.
    QTest::newRow("greek does not fit the code page")
        << u"caf\u00e9 \u03b1\n"_qs << TextEncoding::Windows1252 << crLf << QByteArray();
    QTest::newRow("emoji does not fit the code page")
        << u"\U0001F600"_qs << TextEncoding::Windows1252 << crLf << QByteArray();
    // Pairs, which a large text's pieces may cut in two.
    QTest::newRow("pairs, utf-8") << u"a\U0001F600\n\U00010428b"_qs << utf8 << LineEnding::Lf
                                  << QByteArray("a\xf0\x9f\x98\x80\n\xf0\x90\x90\xa8"
                                                "b\n");
    QTest::newRow("pairs, utf-16 be")
        << u"\U0001F600\n"_qs << TextEncoding::Utf16BE << LineEnding::Cr
        << QByteArray("\xfe\xff\xd8\x3d\xde\x00\x00\r", 8);
}

void TestFavoritesFiles::savedBytes()
{
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(LineEnding, lineEnding);
    QFETCH(QByteArray, bytes);
    ShownFile format;
    format.encoding = encoding;
    format.lineEnding = lineEnding;
    QCOMPARE(PlainTextContent::forSave(text, format).value_or(QByteArray()), bytes);
}

void TestFavoritesFiles::savedInPieces()
{
    // Handed over in pieces, cut anywhere (also between the halves of a pair), a text gives the
    // bytes it gives whole.
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(LineEnding, lineEnding);
    QFETCH(QByteArray, bytes);
    bool fits = true;
    for (qsizetype i = 0; i < text.size(); ++i)
        fits = fits && PieceEncoder::canHold(encoding, QStringView(text).sliced(i, 1));
    QCOMPARE(fits, !bytes.isEmpty());
    if (!fits)
        return;
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        PieceEncoder encoder(encoding, lineEnding);
        QByteArray out;
        QVERIFY(encoder.add(QStringView(text).first(cut), out));
        QVERIFY(encoder.add(QStringView(text).sliced(cut), out));
        if (!encoder.endsWithLineEnd())
            QVERIFY(encoder.add(u"\n", out));
        QCOMPARE(out, bytes);
    }
}

void TestFavoritesFiles::largeTextSavedWhole()
{
    // Megabytes handed over in pieces reach the file whole, block after block.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.txt"));
    const QString text = QStringLiteral("caf\u00e9, a line of a large text\n").repeated(200000);
    ShownFile format;
    format.encoding = TextEncoding::Windows1252;
    FakeMessageBoxes messages;
    const auto pieces = [&text](const std::function<bool(QStringView)> &visit) {
        for (qsizetype at = 0; at < text.size(); at += 65536) {
            if (!visit(QStringView(text).sliced(at, std::min<qsizetype>(65536, text.size() - at))))
                return;
        }
    };
    QVERIFY(PlainTextSave::write(messages, path, pieces, format).written);
    QCOMPARE(readFile(path), PlainTextContent::forSave(text, format).value_or("<none>"));
    QVERIFY(messages.shown.isEmpty());
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
    const QString name = u"n\u00f6te 100% #1.txt"_qs;
    const QString file = dir.filePath(name);
    writeFile(file, "keep me somewhere");

    QString error;
    QVERIFY2(FileDisposal::discard(file, &error), qPrintable(error));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(readFile(data + QStringLiteral("/Trash/files/") + name), "keep me somewhere");
    // The trash remembers where the file was, its path encoded as the trash's rules say.
    const QByteArray info = readFile(data + QStringLiteral("/Trash/info/") + name + ".trashinfo");
    const qsizetype at = info.indexOf("\nPath=") + 6;
    const QByteArray recorded = info.mid(at, info.indexOf('\n', at) - at);
    QCOMPARE(QFile::decodeName(QByteArray::fromPercentEncoding(recorded)), file);
    QVERIFY(!recorded.contains(' ') && !recorded.contains('#'));

    QVERIFY(!FileDisposal::discard(file, &error));
    QVERIFY(error.contains(file));
    QVERIFY(!FileDisposal::discard(dir.path(), &error)); // a folder is refused

    // No trash at all: refused at once, the file stays where it is.
    QDir(data + QStringLiteral("/Trash")).removeRecursively();
    writeFile(data + QStringLiteral("/Trash"), "a file in the trash's place");
    writeFile(file, "still here");
    QVERIFY(!FileDisposal::discard(file, &error));
    QVERIFY(error.contains(file));
    QCOMPARE(readFile(file), "still here");
}

void TestFavoritesFiles::writeKeepsTheFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("diskFull"); // the write runs into a full disk
    for (const char *kind : {"plain", "hard link", "other owner", "long name", "symbolic link",
                             "relative symbolic link", "read-only folder"}) {
        QTest::newRow(kind) << kind << false;
        QTest::newRow(qPrintable(QStringLiteral("%1, disk full").arg(kind))) << kind << true;
    }
    QTest::newRow("read-only file") << "read-only file" << false;
    // Content made piece by piece as it is written, and content that cannot be made whole.
    QTest::newRow("in pieces") << "in pieces" << false;
    QTest::newRow("in pieces, disk full") << "in pieces" << true;
    QTest::newRow("hard link, in pieces, fails midway") << "hard link, fails midway" << false;
    QTest::newRow("fails midway") << "fails midway" << false;
}

void TestFavoritesFiles::writeKeepsTheFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, diskFull);
    QTemporaryDir dir;
    const QString name = kind == "long name" ? QString(251, u'l') + ".txt" : "file.txt";
    const QString path = dir.filePath(name);
    writeFile(path, "the old content");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QString written = path;
    if (kind.startsWith("hard link"))
        QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(dir.filePath("twin"))), 0);
    if (kind == "symbolic link")
        QVERIFY(QFile::link(path, written = dir.filePath("link.txt")));
    // A relative link names its target from its own folder, not from the working folder.
    QTemporaryDir elsewhere;
    const auto backHome = qScopeGuard([home = QDir::currentPath()] { QDir::setCurrent(home); });
    if (kind == "relative symbolic link") {
        QVERIFY(QDir(dir.path()).mkdir("in") && QDir(elsewhere.path()).mkdir("in"));
        written = dir.filePath("in/link.txt");
        QCOMPARE(::symlink("../" + QFile::encodeName(name), QFile::encodeName(written)), 0);
        QVERIFY(QDir::setCurrent(elsewhere.filePath("in")));
    }
    if (kind == "other owner") {
        if (::geteuid() != 0)
            QSKIP("only the superuser can give a file away");
        QCOMPARE(::chown(QFile::encodeName(path), 65534, 65534), 0);
    }
    const bool readOnlyFile = kind == "read-only file";
    if (kind.startsWith("read-only")) {
        if (::geteuid() == 0)
            QSKIP("root may write anywhere: tried as an ordinary user");
        QVERIFY(readOnlyFile
                    ? QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup)
                    : QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    const struct stat before = statOf(path);

    const QByteArray content(4096, 'n');
    QString error;
    {
        std::optional<FileSizeLimit> limit;
        if (diskFull)
            limit.emplace(100);
        if (kind.contains("pieces") || kind.contains("midway")) {
            const bool midway = kind.contains("midway");
            error = AtomicFileWriter::write(written, [&](const AtomicFileWriter::Writer &write) {
                for (qsizetype at = 0; at < content.size(); at += 1024) {
                    if (midway && at == 2048)
                        return false; // the text could not be converted
                    if (!write(QByteArrayView(content).sliced(at, 1024)))
                        return false;
                }
                return true;
            });
        } else {
            error = AtomicFileWriter::write(written, content);
        }
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const bool fails = diskFull || readOnlyFile || kind.contains("midway");
    const struct stat after = statOf(path);
    QCOMPARE(readFile(path), fails ? QByteArray("the old content") : content);
    QCOMPARE(error.isEmpty(), !fails);
    if (fails)
        QVERIFY(error.contains(QDir::toNativeSeparators(written)));
    if (readOnlyFile)
        QVERIFY(error.endsWith("Permission denied"));
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(after.st_mode, before.st_mode);
    if (kind.startsWith("hard link") || kind == "read-only folder") // written in place
        QCOMPARE(after.st_ino, before.st_ino);
    if (kind.startsWith("hard link"))
        QCOMPARE(readFile(dir.filePath("twin")), readFile(path));
    if (kind.endsWith("symbolic link"))
        QVERIFY(QFileInfo(written).isSymLink());
    // No temporary file or backup copy is left behind.
    QStringList expected{name};
    if (kind.startsWith("hard link"))
        expected << "twin";
    if (kind == "symbolic link")
        expected << "link.txt";
    if (kind == "relative symbolic link")
        expected << "in";
    expected.sort();
    QCOMPARE(QDir(dir.path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
             expected);
}

QTEST_MAIN(TestFavoritesFiles)
#include "tst_favoritesfiles.moc"
