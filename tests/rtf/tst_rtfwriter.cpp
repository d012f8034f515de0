#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextTable>

namespace {

// Paragraphs of "plain " + run (with the formats) + " plain". The last paragraph of an RTF
// file has no \par, so its format travels differently from the others'.
void fillWithRun(QTextDocument &doc, const QString &run, const QTextCharFormat &charFormat,
                 const QTextBlockFormat &blockFormat, int paragraphs = 1)
{
    QTextCursor cursor(&doc);
    for (int i = 0; i < paragraphs; ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.setBlockFormat(blockFormat);
        cursor.insertText(QStringLiteral("plain "), QTextCharFormat());
        cursor.insertText(run, charFormat);
        cursor.insertText(QStringLiteral(" plain"), QTextCharFormat());
    }
}

bool isShortAsciiLines(const QByteArray &rtf)
{
    for (const QByteArray &line : rtf.split('\n')) {
        if (line.size() >= 200 || line.endsWith('\\'))
            return false;
    }
    return std::all_of(rtf.begin(), rtf.end(), [](char c) { return c > 0 && c < 127; });
}

// The text in unrtf's HTML output: <br> is a line break, a run of &nbsp; that ends an output
// line is how unrtf expands a tab, and entities are decoded by Qt's HTML parser.
QString textOfUnrtfHtml(const QString &html)
{
    QString body =
        html.section(QStringLiteral("<body>"), 1).section(QStringLiteral("</body>"), 0, 0);
    body.replace(QRegularExpression(QStringLiteral("(&nbsp;)+\n")), QStringLiteral("\t"));
    body.remove(QLatin1Char('\n'));
    body.replace(QStringLiteral("<br>"), QStringLiteral("\n"));
    body.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    QString text;
    static const QRegularExpression entity(QStringLiteral("&(#?\\w+);"));
    qsizetype done = 0;
    for (const QRegularExpressionMatch &m : entity.globalMatch(body)) {
        text += body.mid(done, m.capturedStart() - done);
        const QString name = m.captured(1);
        if (name.startsWith(QLatin1Char('#')))
            text += QChar(char16_t(name.mid(1).toUInt())); // surrogates come one at a time
        else if (name == QLatin1String("nbsp"))
            text += QChar::Nbsp;
        else
            text += QTextDocumentFragment::fromHtml(m.captured()).toRawText();
        done = m.capturedEnd();
    }
    return text + body.mid(done);
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void headerAndTables();
    void escapes_data();
    void escapes();
    void roundTripText_data();
    void roundTripText();
    void roundTripFormats_data();
    void roundTripFormats();
    void tableCellsKeepTheirOrder();
    void imagesSurvive();
    void largeDocumentIsFast();
    void unrtfReadsOutput();
};

void TestRtfWriter::headerAndTables()
{
    QTextDocument doc;
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Courier New")});
    format.setForeground(QColor(255, 0, 0));
    format.setBackground(QColor(0, 0, 255));
    fillWithRun(doc, QStringLiteral("run"), format, QTextBlockFormat());

    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    QVERIFY(rtf.contains("{\\f1\\fnil\\fcharset0 Courier New;}"));
    // The first colour entry is empty ("auto"), so the first real colour is 1.
    QVERIFY(QRegularExpression(QStringLiteral(R"(\{\\colortbl\s*;\\red255\\green0\\blue0\s*;)"
                                              R"(\\red0\\green0\\blue255\s*;\})"))
                .match(QString::fromLatin1(rtf))
                .hasMatch());
    QVERIFY(rtf.contains("\\f1\\cf1\\highlight2 run}"));
}

void TestRtfWriter::escapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("latin-1") << QStringLiteral("caf\u00e9") << QByteArray("caf\\'e9");
    QTest::newRow("cp1252 only") << QStringLiteral("\u20ac\u201c") << QByteArray("\\'80\\'93");
    QTest::newRow("greek") << QStringLiteral("\u03b1") << QByteArray("\\u945\\'3f");
    QTest::newRow("above 32767") << QStringLiteral("\u8a9e") << QByteArray("\\u-30050\\'3f");
    QTest::newRow("surrogates") << QStringLiteral("\U0001F600")
                                << QByteArray("\\u-10179\\'3f\\u-8704\\'3f");
    QTest::newRow("syntax") << QStringLiteral("{a}\\") << QByteArray("\\{a\\}\\\\");
    QTest::newRow("tab") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
    QTest::newRow("line break") << QStringLiteral("a\u2028b") << QByteArray("a\\line b");
    QTest::newRow("no-break space") << QStringLiteral("a\u00a0b") << QByteArray("a\\~b");
}

void TestRtfWriter::escapes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, rtf);
    QTextDocument doc;
    QTextCursor(&doc).insertText(text);
    const QByteArray out = RtfWriter::write(doc);
    QVERIFY2(out.contains(rtf), out.constData());
    QVERIFY(isShortAsciiLines(out));
}

void TestRtfWriter::roundTripText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QStringLiteral("Hello, world.");
    QTest::newRow("accents") << QStringLiteral(
        "Caf\u00e9 cr\u00e8me, na\u00efve, \u00c5ngstr\u00f6m");
    QTest::newRow("cp1252 punctuation")
        << QStringLiteral("\u201cq\u201d \u2013 \u2014 \u2026 \u20ac");
    QTest::newRow("greek cyrillic")
        << QStringLiteral("\u03b1\u03b2\u03b3 \u0416\u0438\u0437\u043d\u044c");
    QTest::newRow("cjk") << QStringLiteral("\u65e5\u672c\u8a9e\u306e\u6587");
    QTest::newRow("emoji") << QStringLiteral("smile \U0001F600 and \U00020000");
    QTest::newRow("rtf syntax as text") << QStringLiteral("\\par {\\b x} \\u123 \\'e9");
    QTest::newRow("digits after tab") << QStringLiteral("\t123\tabc\u2028456");
    QTest::newRow("no-break space, hyphens")
        << QStringLiteral("a\u00a0b co\u00adop non\u2011breaking");
    QTest::newRow("paragraphs") << QStringLiteral("one\n\ntwo\nthree");
    QTest::newRow("long word") << QString(5000, QLatin1Char('x'));
    QTest::newRow("long accents") << QStringLiteral("\u00e9\u03b1 ").repeated(2000);
    QTest::newRow("long sentence") << QStringLiteral("the quick brown fox ").repeated(500);
}

void TestRtfWriter::roundTripText()
{
    QFETCH(QString, text);
    QTextDocument doc;
    doc.setPlainText(text);
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(isShortAsciiLines(rtf));

    QTextDocument back;
    RtfReader::read(rtf, &back);
    QCOMPARE(back.toRawText(), doc.toRawText());
}

void TestRtfWriter::roundTripFormats_data()
{
    QTest::addColumn<QTextFormat>("charFormat");
    QTest::addColumn<QTextFormat>("blockFormat");

    const auto row = [](const char *name, const QTextCharFormat &c, const QTextBlockFormat &b) {
        QTest::newRow(name) << QTextFormat(c) << QTextFormat(b);
    };
    QTextCharFormat c;
    c.setFontWeight(QFont::Bold);
    row("bold", c, {});
    c = {};
    c.setFontItalic(true);
    c.setFontUnderline(true);
    c.setFontStrikeOut(true);
    row("italic underline strike", c, {});
    c = {};
    c.setForeground(QColor(0x12, 0x34, 0x56));
    c.setBackground(QColor(255, 255, 0));
    row("colours", c, {});
    c = {};
    c.setFontFamilies({QStringLiteral("Courier New")});
    c.setFontPointSize(13.5);
    row("font and size", c, {});
    c.setFontWeight(QFont::Bold);
    c.setForeground(QColor(0, 128, 0));
    QTextBlockFormat b;
    b.setAlignment(Qt::AlignHCenter);
    row("combined, centred", c, b);
    for (const auto &[name, alignment] :
         {std::pair("right", Qt::AlignRight), std::pair("justified", Qt::AlignJustify)}) {
        b = {};
        b.setAlignment(alignment);
        row(name, {}, b);
    }
    b = {};
    b.setLeftMargin(48);
    b.setRightMargin(24);
    b.setTextIndent(-12);
    b.setTopMargin(6);
    b.setBottomMargin(10);
    row("indents and spacing", {}, b);
}

void TestRtfWriter::roundTripFormats()
{
    QFETCH(QTextFormat, charFormat);
    QFETCH(QTextFormat, blockFormat);
    QTextDocument doc;
    fillWithRun(doc, QStringLiteral("RUN"), charFormat.toCharFormat(), blockFormat.toBlockFormat(),
                2);

    QTextDocument back;
    RtfReader::read(RtfWriter::write(doc), &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
    const QTextBlockFormat want = blockFormat.toBlockFormat();
    for (QTextBlock block = back.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat got = block.blockFormat();
        QCOMPARE(got.alignment() & Qt::AlignHorizontal_Mask,
                 want.alignment() & Qt::AlignHorizontal_Mask);
        QCOMPARE(got.leftMargin(), want.leftMargin());
        QCOMPARE(got.rightMargin(), want.rightMargin());
        QCOMPARE(got.textIndent(), want.textIndent());
        QCOMPARE(got.topMargin(), want.topMargin());
        QCOMPARE(got.bottomMargin(), want.bottomMargin());
        if (charFormat.properties().isEmpty())
            continue;
        QTextBlock::iterator it = block.begin();
        while (!it.atEnd() && it.fragment().text() != QLatin1String("RUN"))
            ++it;
        QVERIFY(!it.atEnd());
        const QMap<int, QVariant> expected = charFormat.properties();
        for (auto p = expected.begin(); p != expected.end(); ++p)
            QCOMPARE(it.fragment().charFormat().property(p.key()), p.value());
    }
}

void TestRtfWriter::tableCellsKeepTheirOrder()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("before"));
    QTextTable *table = cursor.insertTable(2, 3);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c)
            table->cellAt(r, c).firstCursorPosition().insertText(
                QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    // A table inside a cell keeps its text, in order, within that cell.
    QTextCursor inner = table->cellAt(1, 2).lastCursorPosition();
    QTextTable *nested = inner.insertTable(1, 2);
    nested->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("inner1"));
    nested->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("inner2"));
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("after"));

    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(isShortAsciiLines(rtf));
    QTextDocument back;
    RtfReader::read(rtf, &back);
    const QString text = back.toPlainText();
    qsizetype at = 0;
    for (const char *word :
         {"before", "r0c0", "r0c1", "r0c2", "r1c0", "r1c1", "r1c2", "inner1", "inner2", "after"}) {
        const qsizetype next = text.indexOf(QLatin1String(word), at);
        QVERIFY2(next >= at, word);
        at = next + qsizetype(qstrlen(word));
    }
    const QTextTable *backTable = QTextCursor(back.findBlock(text.indexOf("r0c0"))).currentTable();
    QVERIFY(backTable);
    QCOMPARE(backTable->rows(), 2);
    QCOMPARE(backTable->columns(), 3);
    const QTextTableCell cell = backTable->cellAt(0, 1);
    QTextCursor range = cell.firstCursorPosition();
    range.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    QCOMPARE(range.selectedText(), QStringLiteral("r0c1"));
}

void TestRtfWriter::imagesSurvive()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(QColor(200, 10, 20));
    QTextDocument doc;
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pic")), image);
    QTextImageFormat format;
    format.setName(QStringLiteral("pic"));
    format.setWidth(40);
    format.setHeight(30);
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("a "));
    cursor.insertImage(format);
    cursor.insertText(QStringLiteral(" b"));

    QTextDocument back;
    RtfReader::read(RtfWriter::write(doc), &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
    QTextCursor at(&back);
    at.setPosition(3);
    const QTextImageFormat got = at.charFormat().toImageFormat();
    QVERIFY(got.isValid());
    QCOMPARE(got.width(), 40.0);
    QCOMPARE(got.height(), 30.0);
    const QImage backImage =
        back.resource(QTextDocument::ImageResource, QUrl(got.name())).value<QImage>();
    QCOMPARE(backImage.size(), image.size());
    QCOMPARE(backImage.pixelColor(3, 2), QColor(200, 10, 20));
}

void TestRtfWriter::largeDocumentIsFast()
{
    QString text;
    const QString line = QStringLiteral("Paragraph with caf\u00e9, \u03b1\u03b2\u03b3, {braces}, "
                                        "a back\\slash and\ta tab, long enough to wrap.\n");
    while (text.size() < 5'000'000)
        text += line;
    QTextDocument doc;
    doc.setPlainText(text);
    QTextCursor cursor(&doc);
    for (int i = 0; i < 2000; ++i) {
        cursor.setPosition(i * 2400 + 20);
        cursor.setPosition(i * 2400 + 30, QTextCursor::KeepAnchor);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.mergeCharFormat(bold);
    }

    QElapsedTimer timer;
    timer.start();
    const QByteArray rtf = RtfWriter::write(doc);
    const qint64 elapsed = timer.elapsed();
#if defined(QT_NO_DEBUG) && !defined(__SANITIZE_ADDRESS__)
    QVERIFY2(elapsed < 1000, QByteArray::number(elapsed) + " ms");
#else
    QVERIFY2(elapsed < 10000, QByteArray::number(elapsed) + " ms");
#endif
    QVERIFY(isShortAsciiLines(rtf));
    QCOMPARE(RtfReader::plainText(rtf), doc.toPlainText());
}

void TestRtfWriter::unrtfReadsOutput()
{
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (unrtf.isEmpty()) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("unrtf is not installed (scripts/install-deps.sh installs it)");
        QSKIP("unrtf is not installed");
    }

    QTextDocument doc;
    QTextCursor cursor(&doc);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("Caf\u00e9 "));
    cursor.insertText(QStringLiteral("cr\u00e8me br\u00fbl\u00e9e"), bold);
    cursor.insertText(QStringLiteral(", \u201cquoted\u201d \u2013 \u20ac5"), QTextCharFormat());
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Greek \u03b1\u03b2\u03b3, CJK \u65e5\u672c\u8a9e, "
                                     "emoji \U0001F600"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("{braces} and back\\slash\tafter tab\u2028next line"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("out.rtf")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(RtfWriter::write(doc));
    file.close();

    // In text mode unrtf prints the '?' fallback for \u; its HTML mode gives the characters.
    QProcess process;
    process.start(unrtf, {QStringLiteral("--html"), file.fileName()});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QString expected = doc.toRawText();
    expected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    expected.replace(QChar::LineSeparator, QLatin1Char('\n'));
    QCOMPARE(textOfUnrtfHtml(QString::fromUtf8(process.readAllStandardOutput())).trimmed(),
             expected);
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
