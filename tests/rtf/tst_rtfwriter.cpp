// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfproperties.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QBuffer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace {

bool isShortAsciiLines(const QByteArray &rtf)
{
    for (const QByteArray &line : rtf.split('\n')) {
        if (line.size() >= 200 || line.endsWith('\\'))
            return false;
    }
    return std::all_of(rtf.begin(), rtf.end(), [](char c) { return c > 0 && c < 127; });
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void headerAndTables();
    void text_data();
    void text();
    void roundTripFormats_data();
    void roundTripFormats();
    void tableCellsKeepTheirOrder();
    void keepsWhatThePaneShows();
    void keepsFields();
    void keepsWhatThePaneDoesNotShow();
    void keepsTextThePaneHides_data();
    void keepsTextThePaneHides();
    void imagesSurvive();
    void otherScriptsShownNotWritten_data();
    void otherScriptsShownNotWritten();
};

void TestRtfWriter::headerAndTables()
{
    QTextDocument doc;
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Courier New")});
    format.setForeground(QColor(255, 0, 0));
    format.setBackground(QColor(0, 0, 255));
    QTextCursor(&doc).insertText(QStringLiteral("run"), format);

    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\uc1"));
    QVERIFY(rtf.trimmed().endsWith('}'));
    QVERIFY(rtf.contains("{\\f1\\fnil\\fcharset0 Courier New;}"));
    // The first colour entry is empty ("auto"), so the first real colour is 1.
    QVERIFY(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0 ;\\red0\\green0\\blue255 ;}"));
    QVERIFY(rtf.contains("\\f1\\cf1\\highlight2 run}"));
}

void TestRtfWriter::text_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("rtf"); // written somewhere in the output
    QTest::newRow("latin-1") << QStringLiteral("caf\u00e9") << QByteArray("caf\\'e9");
    QTest::newRow("cp1252 only") << QStringLiteral("\u20ac\u201c") << QByteArray("\\'80\\'93");
    QTest::newRow("greek") << QStringLiteral("\u03b1x") << QByteArray("\\u945\\'3fx");
    QTest::newRow("above 32767") << QStringLiteral("\u8a9e") << QByteArray("\\u-30050\\'3f");
    QTest::newRow("surrogates") << QStringLiteral("\U0001F600")
                                << QByteArray("\\u-10179\\'3f\\u-8704\\'3f");
    QTest::newRow("syntax") << QStringLiteral("{a}\\") << QByteArray("\\{a\\}\\\\");
    QTest::newRow("tab") << QStringLiteral("a\t1") << QByteArray("a\\tab 1");
    QTest::newRow("line break") << QStringLiteral("a\u2028b") << QByteArray("a\\line b");
    QTest::newRow("no-break space") << QStringLiteral("a\u00a0b") << QByteArray("a\\~b");
    QTest::newRow("paragraphs") << QStringLiteral("one\n\ntwo\nthree") << QByteArray();
    QTest::newRow("long word") << QString(5000, QLatin1Char('x')) << QByteArray();
}

void TestRtfWriter::text()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, rtf);
    QTextDocument doc;
    doc.setPlainText(text);
    const QByteArray out = RtfWriter::write(doc);
    QVERIFY2(out.contains(rtf), out.constData());
    QVERIFY(isShortAsciiLines(out));

    QTextDocument back;
    RtfReader::read(out, &back);
    QCOMPARE(back.toRawText(), doc.toRawText());
}

void TestRtfWriter::roundTripFormats_data()
{
    QTest::addColumn<QTextFormat>("charFormat");
    QTest::addColumn<QTextFormat>("blockFormat");

    QTextCharFormat c;
    c.setFontWeight(QFont::Bold);
    c.setFontItalic(true);
    c.setFontUnderline(true);
    c.setFontStrikeOut(true);
    c.setForeground(QColor(0x12, 0x34, 0x56));
    c.setBackground(QColor(255, 255, 0));
    c.setFontFamilies({QStringLiteral("Courier New")});
    c.setFontPointSize(13.5);
    QTest::newRow("character formats") << QTextFormat(c) << QTextFormat(QTextBlockFormat());
    const QTextFormat none = QTextCharFormat();
    QTextBlockFormat b;
    b.setAlignment(Qt::AlignHCenter);
    QTest::newRow("centred") << none << QTextFormat(b);
    b.setAlignment(Qt::AlignJustify);
    QTest::newRow("justified") << none << QTextFormat(b);
    b.setAlignment(Qt::AlignRight);
    b.setLeftMargin(48);
    b.setRightMargin(24);
    b.setTextIndent(-12);
    b.setTopMargin(6);
    b.setBottomMargin(10);
    QTest::newRow("right, indents and spacing") << none << QTextFormat(b);
}

void TestRtfWriter::roundTripFormats()
{
    QFETCH(QTextFormat, charFormat);
    QFETCH(QTextFormat, blockFormat);
    // Two paragraphs: the last one of an RTF file has no \par, so its format travels
    // differently from the others'.
    QTextDocument doc;
    QTextCursor cursor(&doc);
    for (int i = 0; i < 2; ++i) {
        if (i > 0)
            cursor.insertBlock();
        cursor.setBlockFormat(blockFormat.toBlockFormat());
        cursor.insertText(QStringLiteral("plain "), QTextCharFormat());
        cursor.insertText(QStringLiteral("RUN"), charFormat.toCharFormat());
        cursor.insertText(QStringLiteral(" plain"), QTextCharFormat());
    }

    QTextDocument back;
    RtfReader::read(RtfWriter::write(doc), &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
    const QTextBlockFormat want = blockFormat.toBlockFormat();
    for (QTextBlock block = back.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat got = block.blockFormat();
        QCOMPARE(got.alignment() & Qt::AlignHorizontal_Mask,
                 want.alignment() & Qt::AlignHorizontal_Mask);
        for (int p :
             {QTextFormat::BlockLeftMargin, QTextFormat::BlockRightMargin, QTextFormat::TextIndent,
              QTextFormat::BlockTopMargin, QTextFormat::BlockBottomMargin})
            QCOMPARE(got.doubleProperty(p), want.doubleProperty(p));
        QTextCursor run(block);
        run.setPosition(block.position() + 7); // after the R of "plain RUN plain"
        const QMap<int, QVariant> expected = charFormat.properties();
        for (auto p = expected.begin(); p != expected.end(); ++p) {
            if (p.key() == QTextFormat::BackgroundBrush) // read back as a highlight
                QCOMPARE(run.charFormat().colorProperty(RtfProperty::Highlight),
                         p.value().value<QBrush>().color());
            else
                QCOMPARE(run.charFormat().property(p.key()), p.value());
        }
    }
}

void TestRtfWriter::tableCellsKeepTheirOrder()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("before"));
    QTextTable *table = cursor.insertTable(2, 3);
    for (int i = 0; i < 6; ++i) {
        table->cellAt(i / 3, i % 3)
            .firstCursorPosition()
            .insertText(QStringLiteral("r%1c%2").arg(i / 3).arg(i % 3));
    }
    // A table inside a cell keeps its text, in order, within that cell.
    QTextTable *nested = table->cellAt(1, 2).lastCursorPosition().insertTable(1, 2);
    nested->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("inner1"));
    nested->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("inner2"));
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("after"));

    QTextDocument back;
    RtfReader::read(RtfWriter::write(doc), &back);
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
    QCOMPARE(backTable->cellAt(1, 0).firstCursorPosition().block().text(), "r1c0");

    // The empty paragraph Qt keeps before a table at the start of the text or of a cell, and
    // between the parts of a long table shown in parts, is not written: a save adds none.
    QByteArray rows;
    for (int r = 0; r < 2500; ++r)
        rows += "\\trowd\\cellx2000\\pard\\intbl a\\cell\\row\n";
    const QByteArray nestedFirst = "\\trowd\\cellx4000\\pard\\intbl\\itap2 x\\nestcell{\\*"
                                   "\\nesttableprops\\trowd\\cellx2000\\nestrow}\\pard\\intbl a"
                                   "\\cell\\row";
    static const QRegularExpression emptyParagraph(
        QStringLiteral("\\\\pard(\\\\intbl)?\\\\ql\\\\par\\b"));
    for (const QByteArray &body : {rows, nestedFirst}) {
        QTextDocument parts;
        RtfReader::read("{\\rtf1\\ansi " + body + "}", &parts);
        QVERIFY(!emptyParagraph.match(QString::fromLatin1(RtfWriter::write(parts))).hasMatch());
    }
}

// The round-trip test compares whole documents; this one checks how the producer-style fixture
// is written for other readers.
void TestRtfWriter::keepsWhatThePaneShows()
{
    QFile file(qEnvironmentVariable("PAGEWELL_FIXTURES") +
               QStringLiteral("/rtf/word-features.rtf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument doc;
    RtfReader::read(file.readAll(), &doc);
    const QByteArray rtf = RtfWriter::write(doc);
    QVERIFY(rtf.contains("\\tb6000")); // a bar tab stays a bar tab
    // A blank after \* would be text to a reader: each link would gain a space.
    QVERIFY(!rtf.contains("\\* ") && !rtf.contains("\\*\n"));
    // Symbol and Wingdings characters are written as Unicode, for readers without those fonts.
    QVERIFY(rtf.contains("\\u8226\\'3f") || rtf.contains("\\'95"));
    QVERIFY(rtf.contains("\\u8734\\'3f")); // infinity
    QVERIFY(rtf.contains("\\u9312\\'3f")); // circled one
    QTextDocument back;
    RtfReader::read(rtf, &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
    QVERIFY(back.toPlainText().contains(u"\u00a9 \u00d7 \u221e"_qs));
    QVERIFY(back.toPlainText().contains(u"link one link two"_qs));

    // Many links in a row, with line breaks falling anywhere: not one space is added.
    QByteArray links = "{\\rtf1 ";
    for (int i = 0; i < 200; ++i)
        links += "{\\field{\\*\\fldinst HYPERLINK \"http://example.org/" + QByteArray::number(i) +
                 "\"}{\\fldrslt L}}";
    links += '}';
    QTextDocument linked;
    RtfReader::read(links, &linked);
    QCOMPARE(RtfReader::plainText(RtfWriter::write(linked)), QString(200, u'L'));
}

void TestRtfWriter::keepsFields()
{
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1251 Page {\\field{\\*\\fldinst PAGE \\\\* MERGEFORMAT}"
        "{\\fldrslt 1}} of {\\field{\\*\\fldinst NUMPAGES}{\\fldrslt 3}}, "
        "{\\field{\\*\\fldinst DOCPROPERTY \\'c8\\'ec\\'ff}{\\fldrslt x}}}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(doc.toPlainText(), u"Page 1 of 3, x"_qs);
    const QByteArray out = RtfWriter::write(doc);
    const QByteArray flat = QByteArray(out).replace("\n", ""); // lines break anywhere safe
    QVERIFY2(flat.contains("{\\field{\\*\\fldinst PAGE \\\\* MERGEFORMAT}{\\fldrslt"),
             out.constData());
    QVERIFY(flat.contains("{\\field{\\*\\fldinst NUMPAGES}{\\fldrslt"));
    // The instruction was decoded in the document's code page (1251 here).
    QVERIFY(flat.contains("DOCPROPERTY \\u1048\\'3f\\u1084\\'3f\\u1103\\'3f"));
    QTextDocument back;
    RtfReader::read(out, &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());

    // A result going on into a list item: the item's label once, though the paragraph's words
    // are said again where the field closes.
    QTextDocument listed;
    RtfReader::read("{\\rtf1 {\\field{\\*\\fldinst REF x}{\\fldrslt a\\par b}} c}", &listed);
    QTextCursor(listed.lastBlock()).createList(QTextListFormat::ListDecimal);
    QCOMPARE(RtfReader::plainText(RtfWriter::write(listed)), u"a\n1.\tb c"_qs);
}

// An edited save of a file with parts the pane does not show gives each of them back, in its
// place, as other readers see them too.
void TestRtfWriter::keepsWhatThePaneDoesNotShow()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 10));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "JPEG", 60));
    const QList<QByteArray> kept = {
        "{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f1\\fnil\\fcharset128 "
        "\\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}",
        "{\\colortbl ;\\red255\\green0\\blue0;}",
        "{\\stylesheet{\\s0\\fs24 Normal;}{\\s1\\b\\fs36\\cf1 Heading Red;}}",
        "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}"
        "{\\levelnumbers\\'01;}}\\listid7}}",
        "{\\info{\\title Kept title}{\\author Someone}}",
        "\\paperw11906 \\paperh16838 \\margl1134 ",
        "{\\header \\pard Headwords\\par}",
        "{\\footer \\pard Footwords\\par}",
        "{\\footnote \\pard{\\super\\chftn} Footnote words\\par}",
        "{\\*\\atnid JD}{\\*\\atnauthor John}\\chatn {\\*\\annotation \\pard Notewords\\par}",
        "{\\*\\bkmkstart mark}",
        "{\\pict\\wmetafile8\\picw10\\pich10 0100090000}",
        "{\\object\\objemb{\\*\\objclass Excel.Sheet}{\\*\\objdata 0105000002000000}"
        "{\\result Objresult}}",
        "\\sectd \\sbknone \\cols2 ", // a second section's layout
    };
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0" + kept[0] + kept[1] + kept[2] + kept[3] + kept[4] +
        kept[5] + kept[6] + kept[7] + "\\pard\\s1 Heading\\sect " + kept[13] +
        "\\pard Body{\\super\\chftn}" + kept[8] + " more" + kept[9] +
        " Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}" + kept[10] + ".\\page After break " +
        kept[11] + kept[12] + " {\\f1 \\'93\\'fa}{\\pict\\jpegblip\\picw8\\pich8 " + jpeg.toHex() +
        "}\\par}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(
        doc.toPlainText(),
        u"Heading\nBody1 more Page 1.\nAfter break Objresult \u65e5\ufffc\n\n\n1 Footnote words"_qs);
    QTextCursor edit(&doc);
    edit.setPosition(8);
    edit.insertText(QStringLiteral("New "));
    const QByteArray saved = RtfWriter::write(doc);

    for (const QByteArray &part : kept)
        QVERIFY2(saved.contains(part), part.constData());
    // The JPEG's own bytes, not a PNG made from them.
    QVERIFY(saved.contains("\\jpegblip") && !saved.contains("\\pngblip"));
    QVERIFY(QByteArray(saved).replace("\n", "").contains(jpeg.toHex()));
    QVERIFY(saved.contains("{\\*\\fldinst PAGE}"));
    // The break is the next paragraph's \pagebb: word processors take \page for a break inside
    // the paragraph, which would join the two.
    QVERIFY(saved.contains("\\pagebb") &&
            !QString::fromLatin1(saved).contains(QRegularExpression("\\\\page(?!bb)")));
    QVERIFY(saved.contains("\\chftn}{\\footnote"));
    // The heading's style and the section it ends, with the next section's layout.
    QVERIFY(saved.contains("\\pard\\s1\\"));
    const QByteArray flat = QByteArray(saved).replace("\n", "");
    QVERIFY(flat.contains("Heading}{\\b\\f0\\fs36\\cf1\\sect}\\pard\\ql\\sectd "));
    QCOMPARE(saved.count("Objresult"), 1); // the object's result is not written a second time

    // Read back: the edited text, and a second save changes nothing.
    QTextDocument back;
    RtfReader::read(saved, &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
    QCOMPARE(RtfWriter::write(back), saved);

    // Deleting the character a part was kept before (the blanks after the footnote and the
    // annotation) keeps the part: it goes before the text that follows instead.
    QTextDocument edited;
    RtfReader::read(rtf, &edited);
    QTextCursor del(&edited);
    for (const QString &word : {QStringLiteral(" more"), QStringLiteral(" Page")}) {
        del = edited.find(word);
        del.setPosition(del.selectionStart());
        del.deleteChar();
    }
    const QByteArray afterDelete = RtfWriter::write(edited);
    for (const QByteArray &part : kept)
        QVERIFY2(afterDelete.contains(part), part.constData());

    // Another reader finds in the saved file what it found in the original.
    const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
    if (unrtf.isEmpty())
        QSKIP("unrtf is not installed");
    QTemporaryDir dir; // unrtf writes the pictures it finds into the current folder
    QVERIFY(dir.isValid());
    auto unrtfText = [&](const QByteArray &bytes) {
        QFile file(dir.filePath(QStringLiteral("in.rtf")));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        file.close();
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(unrtf, {QStringLiteral("--text"), file.fileName()});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    const QString before = unrtfText(rtf);
    const QString after = unrtfText(saved);
    for (const char *seen :
         {"TITLE: Kept title", "Footnote words", "WMF type", "Objresult", "Page 1"}) {
        QVERIFY2(before.contains(QLatin1String(seen)), seen);
        QVERIFY2(after.contains(QLatin1String(seen)), seen);
    }
}

void TestRtfWriter::keepsTextThePaneHides_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArrayList>("written"); // in this order, lines joined
    auto row = [](const char *name, const char *body, const QString &shown,
                  const QByteArrayList &written) {
        QTest::newRow(name) << QByteArray(body) << shown << written;
    };
    row("hidden group", "visible {\\v hidden} end", "visible  end",
        {"visible", "{\\v \\u104\\'3f\\u105\\'3f\\u100\\'3f\\u100\\'3f\\u101\\'3f\\u110\\'3f}",
         "end"});
    row("hidden run with its formats", "a \\v\\b\\f1\\cf1 hid\\b0 den\\v0  b", "a  b",
        {"{\\v\\f1\\b\\cf1 \\u104\\'3f\\u105\\'3f\\u100\\'3f}{\\v\\f1\\cf1 "
         "\\u100\\'3f\\u101\\'3f\\u110\\'3f}",
         " b"});
    row("hidden text beyond ASCII", "a{\\v caf\\'e9 \\u-10179?\\u-8704?}b", "ab",
        {"{\\v \\u99\\'3f\\u97\\'3f\\u102\\'3f\\u233\\'3f \\u-10179\\'3f\\u-8704\\'3f}", "b"});
    row("hidden in a Symbol font", "a{\\v\\f2 a1}b", "ab",
        {"{\\v\\f2 \\u945\\'3f\\u49\\'3f}", "b"});
    row("hidden at a paragraph's end", "one{\\v tail}\\par two", "one\ntwo",
        {"one", "{\\v \\u116\\'3f\\u97\\'3f\\u105\\'3f\\u108\\'3f}\\par", "two"});
    row("hidden paragraph mark", "one{\\v\\par}two", "onetwo", {"one", "{\\v\\par}", "two"});
    row("deleted in a tracked change", "a {\\deleted\\revauthdel1\\revdttmdel1234 gone} b", "a  b",
        {"{\\deleted\\revauthdel1\\revdttmdel1234 \\u103\\'3f\\u111\\'3f\\u110\\'3f\\u101\\'3f}",
         " b"});
    row("bookmarks", "a {\\*\\bkmkstart mk}b{\\*\\bkmkend mk} c", "a b c",
        {"{\\*\\bkmkstart mk}", "b", "{\\*\\bkmkend mk}", " c"});
    row("field whose result is hidden", "a{\\field{\\*\\fldinst PAGE}{\\fldrslt{\\v 1}}}b", "ab",
        {"{\\field{\\*\\fldinst PAGE}{\\fldrslt{\\v 1}}}", "b"});
    // Formats the pane does not show are written back with the text they format.
    row("character words", "a {\\lang1031\\expnd4\\charscalex80\\outl\\revised\\revauth1 b} c",
        "a b c",
        {"{\\lang1031 \\expnd4 \\charscalex80 \\outl \\revised \\revauth1 \\fs24 b}", " c"});
    row("a later word replaces its like, not a longer word",
        "a {\\langfe1041\\lang1031\\lang1036\\lang1036 x}", "a x",
        {"{\\langfe1041 \\lang1036 \\fs24 x}"});
    row("character style", "{\\stylesheet{\\*\\cs5 \\additive\\b\\i Strong;}}a {\\cs5\\i0 x} b",
        "a x b", {"{\\cs5 \\b\\i0\\ulnone", "x}", " b"});
    row("hidden text keeps its style, every format said after it", "a{\\v\\cs5\\lang1031 h}b", "ab",
        {"{\\v\\cs5 \\lang1031 \\fs24\\b0\\i0", "\\u104\\'3f}", "b"});
    row("a character style keeps the words around it",
        "{\\stylesheet{\\*\\cs5 \\additive\\b Strong;}}{\\lang1031 a{\\cs5 x}}", "ax",
        {"{\\lang1031 \\cs5 \\b", "x}"});
    row("fonts of other scripts in their place",
        "a{\\rtlch\\fcs1 \\af1\\afs20 \\ltrch\\fcs0 \\hich\\af1\\dbch\\af0\\loch\\f1 x}", "ax",
        {"{\\rtlch\\fcs1\\af1\\afs20\\ltrch\\fcs0\\hich\\af1\\dbch\\af0\\loch\\f1 \\fs24 x}"});
    row("tab leaders with their stops", "x\\par\\tldot\\tqr\\tx4000\\tlhyph\\tx6000 a\\tab b",
        "x\na\tb", {"\\tldot\\tqr\\tx4000\\tlhyph\\tx6000", "a\\tab b"});
    row("a field whose result is an object's",
        "a{\\field{\\*\\fldinst EMBED Paint}{\\fldrslt "
        "{\\object{\\*\\objdata 01}{\\result x}}}}b",
        "axb", {"{\\field{\\*\\fldinst EMBED Paint}{\\fldrslt {\\object", "b"});
    row("paragraph words",
        "one\\par\\keepn\\outlinelevel1\\brdrb\\brdrdb\\brdrw15\\brsp20 \\cbpat1 two", "one\ntwo",
        {"one", "\\keepn \\outlinelevel1 \\brdrb\\brdrdb\\brdrw15\\brsp20 \\cbpat1 ", "two"});
    row("a paragraph mark's format", "{\\b one}{\\b\\fs40\\par}two\\par three", "one\ntwo\nthree",
        {"one}{\\b\\fs40\\par}", "two}\\par", "three"});
    row("list label", "x\\par\\ls1\\ilvl0{\\listtext 1.\\tab}item", "x\n1.\titem",
        {"\\ls1 \\ilvl0 {\\listtext\\fs24 1.\\tab}", "item"});
    row("old-style numbering after its label",
        "x\\par{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}item", "x\n1.\titem",
        {"{\\pntext\\fs24 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}", "item"});
    row("label made from the numbering", "x\\par{\\pn\\pnlvlbody\\pndec\\pnstart3{\\pntxta .}}item",
        "x\n3.\titem",
        {"{\\pn\\pnlvlbody\\pndec\\pnstart3{\\pntxta .}}{\\pntext\\fs24 3.\\tab}", "item"});
    row("numbering said once numbers the items after it until \\pard (WordPad)",
        "x\\par{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'B7}}\\li720 one\\par"
        "{\\pntext\\f2\\'B7\\tab}two\\par three\\par\\pard four",
        u"x\n\u2022\tone\n\u2022\ttwo\n\u2022\tthree\nfour"_qs,
        {"{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'B7}}", "one", "\\pard", "\\tab}",
         "{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'B7}}", "two", "\\pard", "\\tab}",
         "{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'B7}}", "three", "\\pard\\ql{", "four"});
    row("soft hyphens and column breaks", "hy\\-phen\\column next", u"hy\u00ADphennext"_qs,
        {"hy\\-phen", "\\column", "next"});
    row("a super- or subscript's own offset, and text moved in its own size",
        "a{\\sub\\dn8 low}{\\dn4\\sub auto}{\\up4 high}{\\super\\up0 base}b", "alowautohighbaseb",
        {"\\sub\\dn8", "low", "\\sub", "auto", "\\up4", "high", "base"});
    row("a font among the words of a character style run stays where it is",
        "{\\stylesheet{\\*\\cs5\\additive\\f1\\i Emph;}}a{\\cs5\\rtlch\\af0\\ltrch\\f0\\lang1031 x}"
        "{\\cs5\\loch\\f1\\hich\\af0\\dbch\\af1 y}b",
        "axyb", {"\\cs5", "x", "\\cs5", "y"});
    row("an edited label is text", "{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}item", "1.\titem",
        {"\\ql{\\fs24 New 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}", "item"});
    row("an edited list label is text", "\\ls1\\ilvl0{\\listtext 1.\\tab}{\\b item}", "1.\titem",
        {"\\ls1 \\ilvl0 {\\fs24 New 1.\\tab}", "item"});
    row("field flags and the groups in its instruction",
        "a{\\field\\fldlock{\\*\\fldinst {\\*\\bkmkstart f}FORMTEXT {\\*\\datafield 0a0b}}"
        "{\\fldrslt x}}b",
        "axb",
        {"{\\field\\fldlock {\\*\\fldinst FORMTEXT{\\*\\bkmkstart f}{\\*\\datafield 0a0b}}", "x",
         "b"});
    // A part kept whole is read back in the font it was read in, where that font reads its
    // bytes otherwise than no font does.
    row("a field showing nothing in a Symbol font", "a{\\f2{\\field\\'ff}}b", "ab",
        {"a}{\\f2 {\\field\\'ff}}", "b"});
    row("a field showing nothing in a font of another code page",
        "a{\\f3{\\field{\\*\\fldinst \\'e0}}}b", "ab",
        {"a}{\\f3 {\\field{\\*\\fldinst \\'e0}}}", "b"});
    row("a bookmark in a Symbol font, which shows nothing anyway", "a{\\f2{\\*\\bkmkstart mk}}b",
        "ab", {"a}{\\*\\bkmkstart mk}", "b"});
    row("a bookmark named in a font of another code page", "a{\\f3{\\*\\bkmkstart \\'e0}}b", "ab",
        {"a}{\\f3 {\\*\\bkmkstart \\'e0}}", "b"});
    row("table words",
        "x\\par\\trowd\\trqc\\trleft200\\trgaph70\\clvertalc\\clcbpat1\\clbrdrb\\brdrdb\\brdrw30\\c"
        "ellx2000"
        "\\pard\\intbl cell\\cell\\row",
        "x\ncell\n",
        {"\\trowd\\trqc \\trleft200 \\trgaph70 \\clvertalc \\clcbpat1 \\clbrdrb\\brdrdb\\brdrw30 "
         "\\cellx",
         "cell}\\cell"});
}

// Hidden text, deleted text and bookmarks are not shown, but a save keeps each in its place,
// also when the text around them was edited.
void TestRtfWriter::keepsTextThePaneHides()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);
    QFETCH(QByteArrayList, written);
    const QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}{\\f2\\fcharset2 "
        "Symbol;}{\\f3\\fcharset204 Cyr;}}{\\colortbl;\\red255\\green0\\blue0;}" +
        body + "}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(doc.toPlainText(), shown);
    QTextCursor(&doc).insertText(QStringLiteral("New "));
    const QByteArray saved = RtfWriter::write(doc);
    const QByteArray flat = QByteArray(saved).replace("\n", "");
    // From the words of the paragraph the new text begins, which a part may start with.
    qsizetype at = flat.lastIndexOf("\\pard", flat.indexOf("New"));
    for (const QByteArray &part : written) {
        const qsizetype next = flat.indexOf(part, at);
        QVERIFY2(next >= at, part + "\nin\n" + saved);
        at = next + part.size();
    }
    QTextDocument back;
    RtfReader::read(saved, &back);
    QCOMPARE(back.toPlainText(), u"New "_qs + shown);
    QCOMPARE(RtfWriter::write(back), saved);
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
    QCOMPARE(got.width(), 40.0);
    QCOMPARE(got.height(), 30.0);
    const QImage backImage =
        back.resource(QTextDocument::ImageResource, QUrl(got.name())).value<QImage>();
    QCOMPARE(backImage.size(), image.size());
    QCOMPARE(backImage.pixelColor(3, 2), QColor(200, 10, 20));
}

void TestRtfWriter::otherScriptsShownNotWritten_data()
{
    QTest::addColumn<bool>("italic");    // the user makes the Arabic word italic
    QTest::addColumn<qreal>("points");   // and the whole paragraph this size (0: not)
    QTest::addColumn<QString>("latin");  // the Latin word's format after a save, read back
    QTest::addColumn<QString>("arabic"); // the Arabic word's
    QTest::newRow("unchanged") << false << 0.0 << "400 0 12 Serif"
                               << "700 0 16 Sans";
    QTest::newRow("italic") << true << 0.0 << "400 0 12 Serif"
                            << "700 1 16 Sans";
    QTest::newRow("size") << false << 20.0 << "400 0 20 Serif"
                          << "700 0 16 Sans";
}

// Arabic text is shown in the font, size and weight the run says for right-to-left text, while
// a save writes the run as the file had it, with what the user changed.
void TestRtfWriter::otherScriptsShownNotWritten()
{
    QFETCH(bool, italic);
    QFETCH(qreal, points);
    QFETCH(QString, latin);
    QFETCH(QString, arabic);
    const QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Serif;}{\\f1 Sans;}}\\pard{\\rtlch\\af1\\afs32"
        "\\ab\\ltrch\\f0\\fs24 Latin \\u1575?\\u1604?\\u1593?}\\par}";
    auto formatAt = [](QTextDocument &doc, int position) {
        QTextCursor cursor(&doc);
        cursor.setPosition(position + 1);
        const QTextCharFormat f = cursor.charFormat();
        return QStringLiteral("%1 %2 %3 %4")
            .arg(f.fontWeight())
            .arg(int(f.fontItalic()))
            .arg(f.fontPointSize())
            .arg(f.fontFamilies().toStringList().value(0));
    };
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(formatAt(doc, 0), QStringLiteral("400 0 12 Serif"));
    QCOMPARE(formatAt(doc, 6), QStringLiteral("700 0 16 Sans"));
    QTextCursor edit(&doc);
    if (italic) {
        edit.setPosition(6);
        edit.setPosition(9, QTextCursor::KeepAnchor);
        QTextCharFormat f;
        f.setFontItalic(true);
        edit.mergeCharFormat(f);
    }
    if (points > 0) {
        edit.setPosition(0);
        edit.setPosition(9, QTextCursor::KeepAnchor);
        QTextCharFormat f;
        f.setFontPointSize(points);
        edit.mergeCharFormat(f);
    }
    // Bold and the other font are the Arabic text's only: no run of the file is bold.
    const QByteArray written = RtfWriter::write(doc);
    QVERIFY2(!QString::fromLatin1(written).contains(QRegularExpression(QStringLiteral("\\\\b\\b"))),
             written.constData());
    QTextDocument back;
    RtfReader::read(written, &back);
    QCOMPARE(back.toPlainText(), doc.toPlainText());
    QCOMPARE(formatAt(back, 0), latin);
    QCOMPARE(formatAt(back, 6), arabic);
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
