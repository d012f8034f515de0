// SPDX-License-Identifier: GPL-3.0-or-later
// Searching a large text in its file's bytes: the byte search finds what a plain one finds,
// and a range of a text kept in its file is passed over only when its decoded text cannot hold
// the word, in every encoding such a text is kept in, edited or not.
#include "plaintext/bytesearch.h"
#include "plaintext/filebackedloader.h"

#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QTest>

namespace {

qsizetype plainFind(const QByteArray &haystack, const QByteArray &needle)
{
    for (qsizetype i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (haystack.mid(i, needle.size()) == needle)
            return i;
    }
    return -1;
}

// The text of a file as the pane keeps a large one: in the file.
struct KeptText
{
    KeptText(const QByteArray &bytes, std::optional<TextEncoding> encoding)
    {
        file.open();
        file.write(bytes);
        file.flush();
        if (auto loaded =
                FileBackedLoader::load(file.handle(), bytes.size(), nullptr, {}, encoding))
            result = std::move(*loaded);
    }
    QTemporaryFile file;
    PlainTextLoader::Result result;
};

QByteArray encoded(const QString &text, const char *encoding)
{
    if (qstrcmp(encoding, "utf8") == 0)
        return text.toUtf8();
    if (qstrcmp(encoding, "1252") == 0)
        return text.toLatin1();
    QByteArray bytes =
        qstrcmp(encoding, "utf16le") == 0 ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (const QChar c : text) {
        const char low = char(c.unicode() & 0xFF);
        const char high = char(c.unicode() >> 8);
        if (qstrcmp(encoding, "utf16le") == 0)
            bytes.append(low).append(high);
        else
            bytes.append(high).append(low);
    }
    return bytes;
}

} // namespace

class TestByteSearch : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ByteSearch::allowWideInstructions(true); }
    void findsAsPlainSearch_data();
    void findsAsPlainSearch();
    void keptTextPassedOverOnlyWithoutWord_data();
    void keptTextPassedOverOnlyWithoutWord();
};

void TestByteSearch::findsAsPlainSearch_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("needleLength");
    QTest::addColumn<bool>("wide");
    for (const bool wide : {true, false}) {
        for (const int length : {1, 2, 3, 7, 31, 32, 33, 70}) {
            QTest::addRow("%d bytes%s", length, wide ? "" : " narrow")
                << quint32(length) << length << wide;
        }
    }
}

void TestByteSearch::findsAsPlainSearch()
{
    QFETCH(quint32, seed);
    QFETCH(int, needleLength);
    QFETCH(bool, wide);
    ByteSearch::allowWideInstructions(wide);
    QRandomGenerator random(seed);
    for (int round = 0; round < 300; ++round) {
        // Few different bytes, so that first and last bytes match often where the rest does not.
        QByteArray haystack(int(random.bounded(300)), Qt::Uninitialized);
        for (char &c : haystack)
            c = char('a' + random.bounded(3));
        QByteArray needle =
            haystack.mid(int(random.bounded(qMax(1, int(haystack.size())))), needleLength);
        if (needle.size() < needleLength || round % 3 == 0) {
            needle = QByteArray(needleLength, 'a');
            needle[needleLength - 1] = 'c';
        }
        QCOMPARE(ByteSearch::find(haystack, needle), plainFind(haystack, needle));
    }
}

void TestByteSearch::keptTextPassedOverOnlyWithoutWord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<bool>("edited");
    const QString words =
        QStringLiteral("caf\u00e9 lines\r\nna\u00efve\nGr\u00fc\u00dfe end\r\nzz abc\n");
    const QString wide = QStringLiteral("x\u20ac\U0001F600 \u0101b\r\n");
    for (const bool edited : {false, true}) {
        const char *e = edited ? " edited" : "";
        QTest::addRow("utf8%s", e) << words << QStringLiteral("utf8") << edited;
        QTest::addRow("utf8 beyond the plane%s", e) << wide << QStringLiteral("utf8") << edited;
        QTest::addRow("1252%s", e) << words << QStringLiteral("1252") << edited;
        QTest::addRow("utf16le%s", e) << wide << QStringLiteral("utf16le") << edited;
        QTest::addRow("utf16be%s", e) << words << QStringLiteral("utf16be") << edited;
    }
}

void TestByteSearch::keptTextPassedOverOnlyWithoutWord()
{
    QFETCH(QString, text);
    QFETCH(QString, encoding);
    QFETCH(bool, edited);
    // Enough of it for many spans.
    QString whole;
    while (whole.size() < 3 * 32 * 1024)
        whole += text;
    KeptText kept(encoded(whole, qPrintable(encoding)),
                  encoding == QLatin1String("1252") ? std::optional(TextEncoding::Windows1252)
                                                    : std::nullopt);
    QCOMPARE(kept.result.status, PlainTextLoader::Status::Ok);
    TextBuffer &buffer = kept.result.buffer;
    QVERIFY(buffer.readsFile());
    if (edited) {
        buffer.insert(40000, u"QQ inserted\u00e9");
        buffer.remove(70000, 5);
    }
    const QString decoded = buffer.text();
    const QStringList needles = {QStringLiteral("caf\u00e9"), QStringLiteral("\u00efve\nGr"),
                                 QStringLiteral("zz abc"),    QStringLiteral("\U0001F600 \u0101"),
                                 QStringLiteral("end\nzz"),   QStringLiteral("b"),
                                 QStringLiteral("QQ ins"),    QStringLiteral("absent word"),
                                 QStringLiteral("\u20ac")};
    QRandomGenerator random(7);
    for (const QString &needle : needles) {
        // Windows of many lengths and places, some over the edits.
        for (int round = 0; round < 60; ++round) {
            const qsizetype at = random.bounded(int(decoded.size()));
            const qsizetype count = 1 + random.bounded(round % 2 ? 200 : 40000);
            const bool holds = QStringView(decoded).mid(at, count).contains(needle);
            if (holds)
                QVERIFY2(buffer.mayHold(needle, at, count),
                         qPrintable(QStringLiteral("%1 at %2+%3").arg(needle).arg(at).arg(count)));
        }
        // A word of ASCII the text does not hold is passed over where the text is all in its
        // file.
        if (needle == QLatin1String("absent word") && !edited)
            QVERIFY(!buffer.mayHold(needle, 0, decoded.size()));
    }
}

QTEST_GUILESS_MAIN(TestByteSearch)
#include "tst_bytesearch.moc"
