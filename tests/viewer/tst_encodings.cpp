// SPDX-License-Identifier: GPL-3.0-or-later
// Texts in every encoding Pagewell offers, made here from the UTF-8 samples in
// fixtures/encodings: recognized, shown as the sample, written back byte for byte, a one-letter
// edit changing that letter's bytes only; read again in an encoding the user chooses.
#include "displaywait.h"
#include "fakepane.h"
#include "filehelpers.h"
#include "plaintext/plaintextloader.h"
#include "text/pieceencoder.h"
#include "text/textencoder.h"
#include "text/textencodings.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

namespace {

// The pane hands its text out in pieces of a few characters, so that a character pair may be cut
// between two.
struct Fixture : ViewerFixture
{
    Fixture() { pane.pieceSize = 7; }
};

QString sample(const QString &name)
{
    QFile file(qEnvironmentVariable("PAGEWELL_FIXTURES") + "/encodings/" + name + ".txt");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The text's bytes, made without Pagewell's own encoders: Qt's by name, and the mark by hand.
QByteArray bytesOf(const QString &text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QByteArray("\xff\xfe", 2) + QStringEncoder(QStringConverter::Utf16LE).encode(text);
    case TextEncoding::Utf16BE:
        return QByteArray("\xfe\xff", 2) + QStringEncoder(QStringConverter::Utf16BE).encode(text);
    case TextEncoding::Utf16LENoBom:
        return QStringEncoder(QStringConverter::Utf16LE).encode(text);
    case TextEncoding::Utf8:
        return text.toUtf8();
    default:
        break;
    }
    const char *name = encoding == TextEncoding::Windows1252
                           ? "windows-1252"
                           : TextEncodings::converterName(encoding);
    QStringEncoder encoder(name);
    const QByteArray bytes = encoder.encode(text);
    return encoder.hasError() ? QByteArray() : bytes;
}

struct Row
{
    const char *sample;
    TextEncoding written;
    TextEncoding recognized; // as Pagewell should take it: the same, or one that reads alike
};

// Every encoding offered, in the languages it serves. A Latin-1 text is taken for Windows-1252,
// and a German ISO-8859-15 one too, and the Greek sample in Windows-1253 for ISO-8859-7: the
// same bytes for the same letters.
const Row rows[] = {
    {"russian", TextEncoding::Utf8, TextEncoding::Utf8},
    {"korean", TextEncoding::Utf16LE, TextEncoding::Utf16LE},
    {"japanese", TextEncoding::Utf16BE, TextEncoding::Utf16BE},
    {"french", TextEncoding::Windows1252, TextEncoding::Windows1252},
    {"german", TextEncoding::Windows1252, TextEncoding::Windows1252},
    {"german", TextEncoding::Iso8859_1, TextEncoding::Windows1252},
    {"french", TextEncoding::Iso8859_15, TextEncoding::Iso8859_15},
    {"german", TextEncoding::Iso8859_15, TextEncoding::Windows1252},
    {"polish", TextEncoding::Windows1250, TextEncoding::Windows1250},
    {"czech", TextEncoding::Windows1250, TextEncoding::Windows1250},
    {"polish", TextEncoding::Iso8859_2, TextEncoding::Iso8859_2},
    {"czech", TextEncoding::Iso8859_2, TextEncoding::Iso8859_2},
    {"russian", TextEncoding::Windows1251, TextEncoding::Windows1251},
    {"ukrainian", TextEncoding::Windows1251, TextEncoding::Windows1251},
    {"russian", TextEncoding::Iso8859_5, TextEncoding::Iso8859_5},
    {"russian", TextEncoding::Koi8R, TextEncoding::Koi8R},
    {"ukrainian", TextEncoding::Koi8U, TextEncoding::Koi8U},
    {"greek", TextEncoding::Windows1253, TextEncoding::Iso8859_7},
    {"greek", TextEncoding::Iso8859_7, TextEncoding::Iso8859_7},
    {"japanese", TextEncoding::ShiftJis, TextEncoding::ShiftJis},
    {"japanese", TextEncoding::EucJp, TextEncoding::EucJp},
    {"chinese-simplified", TextEncoding::Gb18030, TextEncoding::Gb18030},
    {"chinese-traditional", TextEncoding::Big5, TextEncoding::Big5},
    {"korean", TextEncoding::EucKr, TextEncoding::EucKr},
};

// Where the text's first character beyond ASCII is, and another letter of the text to put
// in its place.
std::pair<qsizetype, QChar> oneLetterEdit(const QString &text)
{
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at].unicode() < 0x80 || text[at].isSurrogate())
            continue;
        for (qsizetype other = at + 1; other < text.size(); ++other) {
            if (text[other].unicode() >= 0x80 && !text[other].isSurrogate() &&
                text[other] != text[at])
                return {at, text[other]};
        }
    }
    return {-1, QChar()};
}

} // namespace

Q_DECLARE_METATYPE(TextEncoding)

class TestEncodings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void everyEncoding_data();
    void everyEncoding();
    void recognitionRate();
    void codePageAfterLongAsciiStart();
    void readAsWindows1252_data();
    void readAsWindows1252();
    void acrossBlockEdges_data();
    void acrossBlockEdges();
    void characterTheCodePageLacks_data();
    void characterTheCodePageLacks();
    void readAgainInAnotherEncoding();
    void encodedInPiecesAsWhole_data();
    void encodedInPiecesAsWhole();
};

void TestEncodings::everyEncoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("written");
    QTest::addColumn<TextEncoding>("recognized");
    for (const Row &row : rows) {
        const QString text = sample(row.sample);
        QVERIFY2(!text.isEmpty(), row.sample);
        QTest::addRow("%s, %s", row.sample, qPrintable(TextEncodings::label(row.written)))
            << text << row.written << row.recognized;
    }
}

void TestEncodings::everyEncoding()
{
    QFETCH(QString, text);
    QFETCH(TextEncoding, written);
    QFETCH(TextEncoding, recognized);
    const QByteArray bytes = bytesOf(text, written);
    QVERIFY(bytes.size() >= 200);
    Fixture f;
    writeFile(f.path("t.txt"), bytes);
    f.display(f.path("t.txt"));
    QCOMPARE(f.viewer.shownFile().encoding, recognized);
    QCOMPARE(f.pane.content, text);

    // Unedited, nothing is written; written anyway, every byte comes back.
    f.viewer.save();
    QCOMPARE(readFile(f.path("t.txt")), bytes);
    f.pane.modified = true;
    f.viewer.save();
    QCOMPARE(readFile(f.path("t.txt")), bytes);

    // One letter changed changes its bytes only.
    const auto [at, letter] = oneLetterEdit(text);
    QVERIFY(at >= 0);
    const QByteArray before = bytesOf(text.left(at), recognized);
    const QByteArray old = bytesOf(text.left(at + 1), recognized);
    QString edited = text;
    edited[at] = letter;
    const QByteArray expected = bytes.left(before.size()) +
                                bytesOf(edited.left(at + 1), recognized).mid(before.size()) +
                                bytes.mid(old.size());
    QVERIFY(expected.size() >= bytes.size() - 4);
    f.pane.content = edited;
    f.pane.modified = true;
    f.viewer.save();
    QCOMPARE(readFile(f.path("t.txt")), expected);
    QCOMPARE(f.fake.messages.shown.size(), 0);

    // A favorite of it keeps its encoding.
    QCOMPARE(f.viewer.addToFavorites("copy.txt", edited), QString());
    QCOMPARE(readFile(f.path("favo/copy.txt")), expected);
}

// Of all the texts above, at least 95 % are recognized as their own encoding, or as one that
// reads them alike.
void TestEncodings::recognitionRate()
{
    int right = 0;
    QStringList missed;
    for (const Row &row : rows) {
        const QString text = sample(row.sample);
        const PlainTextLoader::Result read = PlainTextLoader::fromBytes(bytesOf(text, row.written));
        if (read.buffer.text() == text)
            ++right;
        else
            missed << QString::fromLatin1(row.sample) + u' ' + TextEncodings::label(row.written);
    }
    const int total = int(std::size(rows));
    QVERIFY2(right * 100 >= total * 95, qPrintable(missed.join(", ")));
}

// A file whose first 64 KiB and more are ASCII and whose Japanese comes later: the code page
// is told from where its first letter beyond ASCII is, so the Japanese shows as Japanese, and a
// save gives back every byte, but the letter changed.
void TestEncodings::codePageAfterLongAsciiStart()
{
    QString text;
    while (text.size() < 80 << 10)
        text += "A line of plain ASCII text, as a log or a program might begin.\n";
    const qsizetype asciiEnd = text.size();
    text += sample("japanese").repeated(3);
    const QByteArray bytes = bytesOf(text, TextEncoding::ShiftJis);
    Fixture f;
    writeFile(f.path("t.txt"), bytes);
    f.display(f.path("t.txt"));
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::ShiftJis);
    QCOMPARE(f.pane.content, text);

    QString edited = text;
    edited[10] = u'x';
    edited[asciiEnd + 1] = u'\u5c71'; // 山
    f.pane.content = edited;
    f.pane.modified = true;
    f.viewer.save();
    const QByteArray saved = readFile(f.path("t.txt"));
    QCOMPARE(saved.size(), bytes.size());
    qsizetype differing = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        differing += saved[i] != bytes[i];
    QVERIFY(differing >= 2 && differing <= 3);
    QCOMPARE(saved.left(asciiEnd + 2), bytes.left(asciiEnd + 2).replace(10, 1, "x"));
}

void TestEncodings::readAsWindows1252_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // Shift-JIS has characters under two codes (≒ is 81 E0 and, from NEC's extension, 87 90),
    // written back under one of them.
    QTest::newRow("shift-jis that would not come back")
        << bytesOf(sample("japanese"), TextEncoding::ShiftJis) + "\x87\x90\n";
    // Too few letters beyond ASCII to tell a code page by (fewer than 8).
    QTest::newRow("polish, too short to tell") << bytesOf(
        u"W sobot\u0119 rano pojechali\u015bmy nad jezioro.\n"_qs, TextEncoding::Windows1250);
}

// Such files are read byte for byte as Windows-1252, so that a save changes no byte the user
// did not change.
void TestEncodings::readAsWindows1252()
{
    QFETCH(QByteArray, bytes);
    Fixture f;
    writeFile(f.path("t.txt"), bytes);
    f.display(f.path("t.txt"));
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Windows1252);
    f.pane.content[0] = u'x';
    f.pane.modified = true;
    f.viewer.save();
    QCOMPARE(readFile(f.path("t.txt")), "x" + bytes.mid(1));
}

void TestEncodings::acrossBlockEdges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<bool>("chosen"); // read in it as the user chose, not recognized
    QTest::newRow("shift-jis") << "japanese" << TextEncoding::ShiftJis << false;
    QTest::newRow("euc-jp") << "japanese" << TextEncoding::EucJp << false;
    QTest::newRow("gb18030") << "chinese-simplified" << TextEncoding::Gb18030 << false;
    QTest::newRow("big5") << "chinese-traditional" << TextEncoding::Big5 << false;
    QTest::newRow("euc-kr") << "korean" << TextEncoding::EucKr << false;
    QTest::newRow("utf-16 le without mark, chosen")
        << "korean" << TextEncoding::Utf16LENoBom << true;
    QTest::newRow("koi8-r, chosen") << "russian" << TextEncoding::Koi8R << true;
}

// A large file is decoded block by block, and in halves at once: a character cut at any edge
// is read whole, by one decoder for the file.
void TestEncodings::acrossBlockEdges()
{
    QFETCH(QString, name);
    QFETCH(TextEncoding, encoding);
    QFETCH(bool, chosen);
    // An odd number of bytes before each copy, so that the edges fall at every offset.
    const QString unit = u'.' + sample(name);
    const QString text =
        unit.repeated(PlainTextLoader::halvesFrom / bytesOf(unit, encoding).size() + 2);
    QByteArray bytes = bytesOf(text, encoding);
    QVERIFY(bytes.size() > PlainTextLoader::halvesFrom);
    QBuffer first(&bytes);
    QBuffer second(&bytes);
    first.open(QIODevice::ReadOnly);
    second.open(QIODevice::ReadOnly);
    const std::optional<TextEncoding> asked =
        chosen ? std::optional<TextEncoding>(encoding) : std::nullopt;
    const PlainTextLoader::Result whole =
        PlainTextLoader::load(first, bytes.size(), nullptr, {}, asked);
    QCOMPARE(whole.status, PlainTextLoader::Status::Ok);
    QCOMPARE(whole.encoding, encoding);
    QVERIFY(whole.buffer.text() == text);
    first.seek(0);
    const PlainTextLoader::Result halves =
        PlainTextLoader::loadInHalves(first, second, bytes.size(), nullptr, {}, asked);
    QCOMPARE(halves.status, PlainTextLoader::Status::Ok);
    QCOMPARE(halves.encoding, encoding);
    QVERIFY(halves.buffer.text() == text);
}

void TestEncodings::characterTheCodePageLacks_data()
{
    QTest::addColumn<int>("answer"); // to "Save it as UTF-8 instead?": 0 No, 1 Yes
    QTest::newRow("no: nothing written") << 0;
    QTest::newRow("yes: written as utf-8") << 1;
}

// A Hangul syllable typed into a Shift-JIS text: never written as '?', never re-encoded
// without asking; the same for a favorite of it.
void TestEncodings::characterTheCodePageLacks()
{
    QFETCH(int, answer);
    const QString text = sample("japanese");
    const QByteArray bytes = bytesOf(text, TextEncoding::ShiftJis);
    Fixture f;
    writeFile(f.path("t.txt"), bytes);
    f.display(f.path("t.txt"));
    const QString edited = u'\ud55c' + text;
    f.pane.content = edited;
    f.pane.modified = true;
    f.fake.messages.answers.enqueue(answer ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
    f.fake.messages.answers.enqueue(answer ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
    QCOMPARE(f.viewer.addToFavorites("copy.txt", edited), QString());
    f.viewer.save();
    QCOMPARE(f.fake.messages.shown.size(), 2);
    QVERIFY(f.fake.messages.lastText().contains("Shift-JIS"));
    QVERIFY(f.fake.messages.lastText().contains("Save it as UTF-8 instead? (No saves nothing.)"));
    QCOMPARE(readFile(f.path("t.txt")), answer ? edited.toUtf8() : bytes);
    QCOMPARE(readFile(f.path("favo/copy.txt")), answer ? edited.toUtf8() : QByteArray("<missing>"));
}

// The user reads the shown file in another encoding: it holds for that file until the end, and
// one that would not give the file's bytes back is refused, the pane kept as it was.
void TestEncodings::readAgainInAnotherEncoding()
{
    const QString text = sample("russian");
    const QByteArray bytes = bytesOf(text, TextEncoding::Windows1251);
    Fixture f;
    writeFile(f.path("t.txt"), bytes);
    writeFile(f.path("other.txt"), "other\n");
    f.display(f.path("t.txt"));
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Windows1251);

    f.viewer.showInEncoding(TextEncoding::Koi8R);
    waitForDisplay(f.viewer);
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Koi8R);
    QCOMPARE(f.pane.content, QStringDecoder("KOI8-R").decode(bytes));
    // Another file in between, and this one again: still KOI8-R.
    f.display(f.path("other.txt"));
    f.display(f.path("t.txt"));
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Koi8R);
    QCOMPARE(f.fake.messages.shown.size(), 0);

    // Not UTF-8: refused, and the pane keeps the KOI8-R text.
    const QString koi8 = f.pane.content;
    f.viewer.showInEncoding(TextEncoding::Utf8);
    waitForDisplay(f.viewer);
    QCOMPARE(f.fake.messages.shown.size(), 1);
    QVERIFY(f.fake.messages.lastText().contains("cannot be read as UTF-8"));
    QCOMPARE(f.pane.content, koi8);
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Koi8R);

    // UTF-16 chosen for a file without a mark is written back without one.
    writeFile(f.path("t.txt"), bytesOf(u"ab\n"_qs, TextEncoding::Utf16LENoBom));
    f.display(f.path("t.txt"));
    f.viewer.showInEncoding(TextEncoding::Utf16LENoBom);
    waitForDisplay(f.viewer);
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Utf16LENoBom);
    QCOMPARE(f.pane.content, u"ab\n"_qs);
    f.pane.content = u"ac\n"_qs;
    f.pane.modified = true;
    f.viewer.save();
    QCOMPARE(readFile(f.path("t.txt")), QByteArray("a\0c\0\n\0", 6));

    // Rewritten by another program in UTF-8, with an odd number of bytes, the file no longer
    // bears the choice: it is recognized anew, without a word.
    const QString odd = text.toUtf8().size() % 2 ? text : text + u'!';
    writeFile(f.path("t.txt"), odd.toUtf8());
    f.display(f.path("t.txt"));
    QCOMPARE(f.fake.messages.shown.size(), 1);
    QCOMPARE(f.viewer.shownFile().encoding, TextEncoding::Utf8);
    QCOMPARE(f.pane.content, odd);
}

void TestEncodings::encodedInPiecesAsWhole_data()
{
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("text");
    // A character beyond the first plane cut between two pieces.
    QTest::newRow("gb18030, a pair cut") << TextEncoding::Gb18030 << u"\u4e2d\U0001F600\u6587\n"_qs;
    // Letters of four bytes each, more than two a character.
    QTest::newRow("gb18030, four bytes a letter")
        << TextEncoding::Gb18030 << u"\u00c0\u00c1\u00c2\u00c3\u0150\n"_qs.repeated(50);
    QTest::newRow("shift-jis") << TextEncoding::ShiftJis << sample("japanese");
    QTest::newRow("koi8-u") << TextEncoding::Koi8U << sample("ukrainian");
}

// The save's encoder, handed the pane's text in pieces, gives what the whole text encodes to;
// a pair cut between pieces is a character a code page holds or not, as a whole.
void TestEncodings::encodedInPiecesAsWhole()
{
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, text);
    const std::optional<QByteArray> whole = TextEncoder::encode(text, encoding, LineEnding::CrLf);
    QVERIFY(whole);
    for (qsizetype cut = 1; cut < std::min<qsizetype>(text.size(), 8); ++cut) {
        PieceEncoder encoder(encoding, LineEnding::CrLf);
        QByteArray bytes;
        QVERIFY(PieceEncoder::canHold(encoding, QStringView(text).first(cut)));
        QVERIFY(PieceEncoder::canHold(encoding, QStringView(text).sliced(cut)));
        QVERIFY(encoder.add(QStringView(text).first(cut), bytes));
        QVERIFY(encoder.add(QStringView(text).sliced(cut), bytes));
        QCOMPARE(bytes, *whole);
    }
    QVERIFY(!PieceEncoder::canHold(TextEncoding::ShiftJis, u"\U0001F600"));
    QVERIFY(!PieceEncoder::canHold(TextEncoding::ShiftJis, QStringView(u"\U0001F600").first(1)));
}

QTEST_GUILESS_MAIN(TestEncodings)
#include "tst_encodings.moc"
