// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfdecorations.h"
#include "rtf/rtfdetect.h"
#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfkeyword.h"
#include "rtf/rtflisttable.h"
#include "rtf/rtfnotes.h"
#include "rtf/rtfproperties.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace {

QString fixturePath(const QString &name)
{
    return qEnvironmentVariable("PAGEWELL_FIXTURES") + QStringLiteral("/rtf/") + name;
}

QByteArray readFixture(const QString &name)
{
    QFile file(fixturePath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(file.fileName()));
    return file.readAll();
}

// Text compared "up to paragraph separators": runs of line ends count as one. Table rows past
// the cell budget are lines whose cells are apart by tabs.
QString collapsed(QString text)
{
    static const QRegularExpression newlines(QStringLiteral("\n+"));
    text.remove(QChar::ObjectReplacementCharacter);
    text.replace(u'\t', u'\n');
    text.replace(newlines, QStringLiteral("\n"));
    return text.trimmed();
}

QString withoutTrailingBlankLines(QString text)
{
    while (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

// Format of the first character of the first occurrence of text.
QTextCharFormat formatOf(const QTextDocument &doc, const QString &text)
{
    const QTextCursor found = doc.find(text);
    if (found.isNull())
        return {};
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QList<QTextTable *> tablesOf(const QTextDocument &doc)
{
    QList<QTextTable *> tables;
    QList<QTextFrame *> frames{doc.rootFrame()};
    while (!frames.isEmpty()) {
        QTextFrame *frame = frames.takeFirst();
        if (auto *table = qobject_cast<QTextTable *>(frame))
            tables.append(table);
        frames.append(frame->childFrames());
    }
    return tables;
}

// The document drawn on white as the pane draws it, decorations included.
QImage rendered(QTextDocument &doc, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QRectF clip(0, 0, size.width(), size.height());
    RtfDecorations::paintBelowText(painter, doc, clip);
    doc.drawContents(&painter);
    RtfDecorations::paintAboveText(painter, doc, clip, Qt::black);
    painter.end();
    return image;
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void detect_data();
    void detect();
    void keywords();
    void text_data();
    void text();
    void plainTextOnly_data();
    void plainTextOnly();
    void documents_data();
    void documents();
    void longTableGrowsInChunks();
    void decorationsDrawnAsDeclared();
    void producerFixtures_data();
    void producerFixtures();
    void malformedInput_data();
    void malformedInput();
    void readReplacesDocument();
    void hostileStructuresAreSimplified();
    void numberFormats_data();
    void numberFormats();
    void noteMarks_data();
    void noteMarks();
};

void TestRtfReader::detect_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("rtf");
    QTest::newRow("plain") << QByteArray("{\\rtf1\\ansi x}") << true;
    QTest::newRow("blanks first") << QByteArray(" \t\r\n{\\rtf1}") << true;
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF{\\rtf1}") << true;
    QTest::newRow("bom then blanks") << QByteArray("\xEF\xBB\xBF \n{\\rtf") << true;
    QTest::newRow("text") << QByteArray("hello {\\rtf1}") << false;
    QTest::newRow("other group") << QByteArray("{\\par}") << false;
    QTest::newRow("cut short") << QByteArray("{\\rt") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestRtfReader::detect()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, rtf);
    QCOMPARE(isRtf(data), rtf);
}

// The lookup finds every word of its list with its kind, and nothing that only resembles one.
void TestRtfReader::keywords()
{
    for (const RtfKeywords::Entry &entry : RtfKeywords::entries()) {
        const QByteArray name(entry.name.data(), qsizetype(entry.name.size()));
        QCOMPARE(RtfKeywords::lookup(name), entry.keyword);
        QCOMPARE(RtfKeywords::lookup(name + 'Z'), RtfKeyword::Unknown);
        QCOMPARE(RtfKeywords::lookup(name.toUpper()), RtfKeyword::Unknown);
    }
    QCOMPARE(RtfKeywords::lookup("pa"), RtfKeyword::Unknown);
    QCOMPARE(RtfKeywords::lookup(""), RtfKeyword::Unknown);
    QCOMPARE(RtfKeywords::lookup(QByteArray(100000, 'p')), RtfKeyword::Unknown);
}

// What plainText() shows; every row is also checked against read().
void TestRtfReader::text_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const char *rtf, const QString &expected) {
        QTest::newRow(name) << QByteArray(rtf) << expected;
    };
    // tokens
    row("space after word swallowed", "{\\rtf1 \\b bold\\b0  x}", "bold x");
    row("CR and LF ignored", "{\\rtf1 a\r\nb\nc}", "abc");
    row("escaped line end is a paragraph", "{\\rtf1 a\\\nb\\\rc}", "a\nb\nc");
    row("control symbols", "{\\rtf1 \\{\\}\\\\\\~x\\_y\\-z}", u"{}\\ x\u2011y\u00ADz"_qs);
    row("unknown words ignored", "{\\rtf1 a\\foo b\\bar-12 c}", "abc");
    row("after the final brace ignored", "{\\rtf1 a}b{c}", "a");
    row("empty", "", "");
    row("hex bytes", "{\\rtf1 caf\\'e9 \\'E9}", u"café é"_qs);
    row("special words",
        "{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\emspace\\enspace}",
        u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D\u2003\u2002"_qs);
    row("line tab page sect", "{\\rtf1 a\\line b\\tab c\\page d\\sect e\\par\\page f}",
        "a\nb\tc\nd\ne\nf");
    // destinations
    row("tables of the header hidden",
        "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
        "{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}}{\\*\\generator G;}x}",
        "x");
    row("skipped destinations",
        "{\\rtf1 a{\\header h}{\\footer f}{\\*\\listtable l}{\\*\\themedata 00}"
        "{\\*\\rsidtbl r}{\\*\\xmlnstbl x}{\\*\\latentstyles l}{\\*\\datastore d}"
        "{\\object{\\*\\objdata 01}}b}",
        "ab");
    row("unknown starred group skipped, plain one shown", "{\\rtf1 a{\\*\\zzz no}{\\zzz yes}}",
        "ayes");
    row("field shows its result",
        "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://x.org\"}{\\fldrslt link}} end}",
        "link end");
    row("symbol field with empty result",
        "{\\rtf1 {\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Symbol\" \\\\s 10}{\\fldrslt }}x}",
        u"\u2022x"_qs);
    row("list labels shown, numbering definition not",
        "{\\rtf1{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody{\\pntxta .}}one\\par"
        "{\\listtext\\pard\\plain 2.\\tab}two}",
        "1.\tone\n2.\ttwo");
    row("label tab hidden where the list level says nothing follows the number (LibreOffice)",
        "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelfollow0}{\\listlevel\\levelfollow2}"
        "\\listid7}}{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}"
        "{\\listtext 1.\\tab}\\ls1 tab\\par\\pard{\\listtext a)\\tab}\\ls1\\ilvl1 none\\par"
        "\\pard\\ls1\\ilvl1{\\listtext b)\\tab}after\\par"
        "\\pard{\\listtext\\pard\\plain \\tab}\\ilvl1\\ls1 heading}",
        "1.\ttab\na)none\nb)after\nheading");
    row("label tab kept where the list override formats the level itself",
        "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelfollow2}\\listid0}}"
        "{\\*\\listoverridetable{\\listoverride\\listid0\\listoverridecount1"
        "{\\lfolevel\\listoverrideformat{\\listlevel\\levelfollow0}}\\ls1}}"
        "{\\listtext 1.\\tab}\\ls1 own}",
        "1.\town");
    row("numbered by \\pn alone, multi-level by text before (AbiWord)",
        "{\\rtf1{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta .}}one\\par"
        "{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta .}}two\\par"
        "{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxtb 2.}{\\pntxta .}}sub one\\par"
        "{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxtb 2.}{\\pntxta .}}sub two\\par"
        "{\\*\\pn\\pnlvl2\\pnlcrm\\pnprev{\\pntxta )}}roman\\par"
        "{\\*\\pn\\pnlvlcont}continued}",
        "1.\tone\n2.\ttwo\n2.1.\tsub one\n2.2.\tsub two\ni)\troman\ncontinued");
    row("\\pn letters go on past Z",
        "{\\rtf1{\\*\\pn\\pnlvlbody\\pnucltr\\pnstart26{\\pntxta .}}z\\par"
        "{\\*\\pn\\pnlvlbody\\pnucltr\\pnstart26{\\pntxta .}}aa}",
        "Z.\tz\nAA.\taa");
    // numbers from the list table where the file's label is missing or blank
    row("blank labels numbered from the list table, levels joined (AbiWord)",
        "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc0\\levelstartat1"
        "{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}{\\listlevel\\levelnfc0\\levelstartat1"
        "{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}}\\listid1}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}{\\listoverride\\listid1\\ls2}}"
        "{\\listtext\\pard  \t}\\pard{\\*\\abilist x}\\ls1\\ilvl0 one\\par"
        "{\\listtext\\pard  \t}\\pard\\ls2\\ilvl1 sub one\\par"
        "{\\listtext\\pard  \t}\\pard\\ls2\\ilvl1 sub two\\par"
        "{\\listtext\\pard  \t}\\pard\\ls1\\ilvl0 two\\par"
        "{\\listtext\\pard  \t}\\pard\\ls1\\ilvl1 sub again}",
        "1.\tone\n1.1.\tsub one\n1.2.\tsub two\n2.\ttwo\n2.1.\tsub again");
    row("no label: each number format, start, what follows",
        "{\\rtf1{\\*\\listtable{\\list"
        "{\\listlevel\\levelnfc1\\levelstartat4{\\leveltext\\'02\\'00);}}"
        "{\\listlevel\\levelnfc2\\levelfollow1{\\leveltext\\'03(\\'01);}}"
        "{\\listlevel\\levelnfc3\\levelfollow2{\\leveltext\\'02\\'02.;}}"
        "{\\listlevel\\levelnfc4\\levelstartat27{\\leveltext\\'01\\'03;}}"
        "{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}"
        "{\\listlevel\\levelnfc255{\\leveltext\\'00;}}"
        "{\\listlevel\\levelnfc22\\levelstartat7{\\leveltext\\'01\\'06;}}"
        "\\listid5}}{\\*\\listoverridetable{\\listoverride\\listid5\\ls3}}"
        "\\pard\\ls3 upper\\par\\pard\\ls3\\ilvl1 lower\\par\\pard\\ls3\\ilvl2 letter\\par"
        "\\pard\\ls3\\ilvl3 small\\par\\pard\\ls3\\ilvl4 bullet\\par\\pard\\ls3\\ilvl5 none\\par"
        "\\pard\\ls3\\ilvl6 zero\\par\\pard\\ls3 upper}",
        u"IV)\tupper\n(i) lower\nA.letter\naa\tsmall\n\u2022\tbullet\n\tnone\n07\tzero\nV)\tupper"_qs);
    row("overrides of one list count on together; one that starts anew restarts it",
        "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}}\\listid9}}"
        "{\\*\\listoverridetable{\\listoverride\\listid9\\ls1}{\\listoverride\\listid9\\ls2}"
        "{\\listoverride\\listid9\\listoverridecount1{\\lfolevel\\listoverridestartat"
        "\\levelstartat5}\\ls3}}"
        "\\pard\\ls1 a\\par\\pard\\ls2 b\\par\\pard\\ls3 c\\par\\pard\\ls3 d\\par\\pard\\ls1 e}",
        "1.\ta\n2.\tb\n5.\tc\n6.\td\n7.\te");
    row("labels the file gives count too; a restart at each section",
        "{\\rtf1{\\*\\listtable{\\list\\listrestarthdr{\\listlevel{\\leveltext\\'02\\'00.;}}"
        "\\listid2}}{\\*\\listoverridetable{\\listoverride\\listid2\\ls1}}"
        "\\pard\\ls1{\\listtext 1.\\tab}a\\par\\pard\\ls1 b\\sect\\pard\\ls1 c\\par"
        "\\pard\\ls7 unknown list\\par\\pard\\ls1{\\v hidden}after}",
        "1.\ta\n2.\tb\n1.\tc\nunknown list\n2.\tafter");
    row("bullet of a list level in a Symbol font",
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}{\\*\\listtable{\\list{\\listlevel"
        "\\levelnfc23{\\leveltext\\'01\\u-3913 "
        "?;}\\f1}{\\listlevel\\levelnfc23{\\leveltext\\'01\\'B7;}"
        "\\f1}\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
        "\\pard\\ls1 one\\par\\pard\\ls1\\ilvl1 two}",
        u"\u2022\tone\n\u2022\ttwo"_qs);
    row("bullet by \\pn alone in a Symbol font",
        "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}a}",
        u"\u2022\ta"_qs);
    // notes: marks numbered apart, texts below the document
    row("footnotes and endnotes numbered apart in the document's formats",
        "{\\rtf1\\ftnnalc\\aftnnruc\\aftnstart2 A{\\super\\chftn}{\\*\\footnote one} B"
        "{\\super\\chftn}{\\*\\footnote\\ftnalt two} C{\\super\\chftn}{\\*\\footnote\\pard "
        "three\\par"
        " more}}",
        "Aa BII Cb\n\na one\nb three\nmore\nII two");
    row("unsaid formats: footnotes arabic, endnotes lower roman; Chicago's marks",
        "{\\rtf1 A{\\chftn}{\\footnote\\ftnalt e}B{\\chftn}{\\footnote f}\\par"
        "{\\ftnnchi C{\\chftn}{\\footnote g}}}",
        "AiB1\nC2\n\n1 f\n2 g\ni e");
    row("a note with a mark of its own; hidden text and field instructions not shown",
        "{\\rtf1 x{\\super *}{\\footnote{\\super *} own{\\v  hidden} "
        "{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}\\tab\\u955?}}",
        u"x*\n\n* own 7\t\u03bb"_qs);
    row("hidden and deleted text", "{\\rtf1 a{\\v hidden}b\\v c\\v0 d{\\deleted e}f}", "abdf");
    row("picture fallback not shown twice",
        "{\\rtf1 a{\\*\\shppict{\\pict\\wmetafile8 0100}}{\\nonshppict{\\pict\\wmetafile8 0100}}b}",
        "ab");
    row("unicode version of \\upr", "{\\rtf1 {\\upr{ansi}{\\*\\ud{\\u955?}}}}", u"\u03BB"_qs);
    // unicode
    row("default one fallback unit", "{\\rtf1 \\u955?x}", u"\u03BBx"_qs);
    row("negative value", "{\\rtf1 \\u-4064?}", u"\uF020"_qs);
    row("value above 32767", "{\\rtf1 \\u40960?}", u"\uA000"_qs);
    row("surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}", u"\U0001F600"_qs);
    row("pair split across a \\uc change (LibreOffice)",
        "{\\rtf1 a\\uc0 \\u55356\\uc1 \\u57168\\'3fb}", u"a\U0001F350b"_qs);
    row("pair split across groups", "{\\rtf1 {\\u-10179?}{\\b \\u-8704?}}", u"\U0001F600"_qs);
    row("lone high surrogate", "{\\rtf1 a\\u-10179?b\\par c\\u-10179?}", u"a\uFFFDb\nc\uFFFD"_qs);
    row("lone low surrogate", "{\\rtf1 a\\u-8704?b}", u"a\uFFFDb"_qs);
    row("two high surrogates", "{\\rtf1 \\u-10179?\\u-10179?\\u-8704?}", u"\uFFFD\U0001F600"_qs);
    row("uc0", "{\\rtf1\\uc0 \\u955 x}", u"\u03BBx"_qs);
    row("uc2 skips two hex bytes", "{\\rtf1\\uc2 \\u955\\'e9\\'e9x}", u"\u03BBx"_qs);
    row("uc scoped to the group", "{\\rtf1 {\\uc3 \\u955 abcd}\\u955 ab}", u"\u03BBd\u03BBb"_qs);
    row("fallback counts a control word", "{\\rtf1 \\u955\\emdash x}", u"\u03BBx"_qs);
    row("fallback counts a whole \\bin", "{\\rtf1 \\u955\\bin3 abcx}", u"\u03BBx"_qs);
    row("fallback stops at a brace", "{\\rtf1\\uc4 \\u955 a{b}c}", u"\u03BBbc"_qs);
    // code pages
    row("ansicpg1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", u"При"_qs);
    row("mac", "{\\rtf1\\mac \\'8e\\'a5}", u"é•"_qs);
    row("pc", "{\\rtf1\\pc \\'82\\'b0}", u"é░"_qs);
    row("pca", "{\\rtf1\\pca \\'82\\'d5}", u"éı"_qs);
    row("raw 8-bit bytes", "{\\rtf1\\ansi caf\xe9}", u"café"_qs);
    row("double-byte with literal trail byte",
        "{\\rtf1\\ansi\\ansicpg932 \\'83A\\'83\\'5c\\'93\\'fa}", u"アソ日"_qs);
    row("font charset overrides document code page",
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset161 G;}}"
        "\\f0\\'e9{\\f1\\'e1}}",
        u"éα"_qs);
    row("WordPad bullet in a Symbol font",
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}"
        "{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}item}",
        u"\u2022\titem"_qs);
    row("Wingdings bytes 0x7f-0x9f stay visible",
        "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Wingdings;}}{\\f1\\'81\\'8c\\'9f\\'96}}",
        u"\u2460\u2776\u2022\uFFFD"_qs);
    row("made-up code page reads as 1252", "{\\rtf1{\\fonttbl{\\f1\\cpg54321 X;}}\\f1 caf\\'e9}",
        u"caf\u00e9"_qs);
    row("symbol font in private use area",
        "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\f1\\u-3913?\\'61}}", u"•α"_qs);
}

void TestRtfReader::text()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(RtfReader::plainText(rtf), expected);
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(doc.toPlainText(), expected);
}

// The text rtf2txt and the simplified view give, as LibreOffice's text export gives it, where the
// document's own plain text differs (Qt's tables).
void TestRtfReader::plainTextOnly_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const char *rtf, const QString &expected) {
        QTest::newRow(name) << QByteArray(rtf) << expected;
    };
    row("cells merged into the one on their left make no line of their own",
        "{\\rtf1\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\clmrg\\cellx2500\\cellx3000\\pard\\int"
        "bl "
        "a\\cell\\cell\\cell b\\cell\\row\\trowd\\clvmgf\\cellx1000\\cellx3000\\pard\\intbl "
        "c\\cell d\\cell\\row\\trowd\\clvmrg\\cellx1000\\cellx3000\\pard\\intbl \\cell e\\cell\\row"
        "\\pard end}",
        "a\nb\nc\nd\n\ne\nend");
    row("a merged cell with text of its own keeps its line",
        "{\\rtf1\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\pard\\intbl a\\cell b\\cell\\row}",
        "a\nb\n");
}

void TestRtfReader::plainTextOnly()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(RtfReader::plainText(rtf), expected);
}

// Documents read from small files, each described by its dump beside it (rtf2txt --dump
// FILE.rtf writes one). What the reader keeps hidden for a save is left out of the comparison.
void TestRtfReader::documents_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(qEnvironmentVariable("PAGEWELL_FIXTURES") + QStringLiteral("/rtfdump"));
    for (const QString &file : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(file)) << dir.filePath(file.chopped(4));
}

void TestRtfReader::documents()
{
    QFETCH(QString, name);
    QFile rtfFile(name + ".rtf");
    QFile dumpFile(name + ".dump");
    QVERIFY(rtfFile.open(QIODevice::ReadOnly) && dumpFile.open(QIODevice::ReadOnly));
    const QByteArray rtf = rtfFile.readAll();
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    // What is kept only for a save: hidden text, the header, words the pane does not show,
    // paragraph marks' formats. Tab leaders are drawn, so they count.
    static const QRegularExpression kept(
        QStringLiteral(" kept( at end)? [0-9a-f]+|^preamble .*\\n|^ *(row \\d+ )?words .*\\n"
                       "| (words|script|flags|parts) '.*?'(?=[ }\\]])| mark \\{[^}\\n]*\\}"),
        QRegularExpression::MultilineOption);
    QCOMPARE(RtfDocumentDump::dump(doc).remove(kept), QString::fromUtf8(dumpFile.readAll()));
    QCOMPARE(collapsed(doc.toPlainText()), collapsed(RtfReader::plainText(rtf)));
}

// Long tables grow in chunks: every cell still lands in its place, no spare rows remain.
void TestRtfReader::longTableGrowsInChunks()
{
    QByteArray rtf = "{\\rtf1 ";
    for (int r = 0; r < 300; ++r) {
        rtf += "\\trowd\\cellx100\\cellx200\\cellx300\\pard\\intbl";
        for (int c = 0; c < 3; ++c)
            rtf += QStringLiteral(" r%1c%2\\cell").arg(r).arg(c).toLatin1();
        rtf += "\\row\n";
    }
    rtf += "\\pard end}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QTextTable *table = tablesOf(doc).value(0);
    QVERIFY(table);
    QCOMPARE(table->rows(), 300);
    QCOMPARE(doc.lastBlock().text(), QString("end"));
    QCOMPARE(collapsed(doc.toPlainText()), collapsed(RtfReader::plainText(rtf)));
    QTextCursor cursor(&doc);
    cursor.setPosition(table->cellAt(157, 1).firstPosition());
    cursor.setPosition(table->cellAt(157, 1).lastPosition(), QTextCursor::KeepAnchor);
    QCOMPARE(cursor.selectedText(), QString("r157c1"));
}

// Drawn as declared and as word processors draw them: a cell without a border draws no line, a
// highlight is as high as its text (not the whole line), a double underline has two lines.
void TestRtfReader::decorationsDrawnAsDeclared()
{
    auto darkPixels = [](const QByteArray &rtf) {
        QTextDocument d;
        RtfReader::read(rtf, &d);
        const QImage image = rendered(d, QSize(400, 100));
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    QCOMPARE(darkPixels("{\\rtf1\\trowd\\cellx3000\\intbl \\cell\\row}"), 0);
    QCOMPARE(darkPixels("{\\rtf1\\trowd\\clbrdrb\\brdrnone\\cellx3000\\intbl \\cell\\row}"), 0);
    const int ruled = darkPixels("{\\rtf1\\trowd\\clbrdrb\\brdrs\\cellx3000\\intbl \\cell\\row}");
    QVERIFY2(ruled >= 150, qPrintable(QString::number(ruled))); // a line under a 200 px cell

    QTextDocument doc;
    RtfReader::read("{\\rtf1{\\colortbl;\\red255\\green255\\blue0;}{\\fs96 Big} {\\highlight1 lit} "
                    "{\\uldb dbl}}",
                    &doc);
    const QImage image = rendered(doc, doc.size().toSize());
    const QRectF block = doc.documentLayout()->blockBoundingRect(doc.begin());
    const QTextLine line = doc.begin().layout()->lineAt(0);
    auto column = [&](int from, int to) {
        return int(block.left() + (line.cursorToX(from) + line.cursorToX(to)) / 2);
    };
    const int lit = column(4, 7);
    QCOMPARE(image.pixelColor(lit, int(block.top()) + 2), QColor(Qt::white));
    bool yellow = false;
    for (int y = 0; y < image.height(); ++y)
        yellow = yellow || image.pixelColor(lit, y) == QColor(255, 255, 0);
    QVERIFY(yellow);
    // Below the baseline of "dbl": two lines, apart.
    const int dbl = column(8, 11);
    int lines = 0;
    bool dark = false;
    for (int y = int(block.top() + line.ascent()) + 1; y < image.height(); ++y) {
        const bool now = image.pixelColor(dbl, y).lightness() < 160;
        lines += now && !dark;
        dark = now;
    }
    QCOMPARE(lines, 2);
}

void TestRtfReader::producerFixtures_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
         {"libreoffice-sample", "abiword-sample", "pandoc-sample", "enscript-latin1",
          "enscript-highlight", "latex2rtf-sample", "word-dbcs", "fcharset-override",
          "libreoffice-scripts", "abiword-scripts", "pandoc-scripts", "libreoffice-lists",
          "libreoffice-sections-notes", "abiword-lists", "pandoc-notes-lists",
          "latex2rtf-notes-lists", "abiword-notes"})
        QTest::newRow(name) << QString(name);
}

void TestRtfReader::producerFixtures()
{
    QFETCH(QString, name);
    const QByteArray rtf = readFixture(name + ".rtf");
    const QString expected = QString::fromUtf8(readFixture(name + ".txt"));
    const QString plain = RtfReader::plainText(rtf);
    QCOMPARE(withoutTrailingBlankLines(plain), withoutTrailingBlankLines(expected));

    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QCOMPARE(collapsed(doc.toPlainText()), collapsed(plain));

    const bool rich =
        name == "libreoffice-sample" || name == "abiword-sample" || name == "pandoc-sample";
    if (rich) {
        QCOMPARE(formatOf(doc, "bold").fontWeight(), int(QFont::Bold));
        QVERIFY(formatOf(doc, "italic").fontItalic());
        QCOMPARE(tablesOf(doc).size(), 1);
        QCOMPARE(tablesOf(doc).first()->rows(), 3);
        QVERIFY(doc.toPlainText().contains(QChar::ObjectReplacementCharacter)); // the PNG
    }
    if (name == "libreoffice-sample" || name == "abiword-sample") {
        QVERIFY(formatOf(doc, "underlined").fontUnderline());
        QCOMPARE(formatOf(doc, "red").foreground().color(), QColor(0xc0, 0, 0));
        QCOMPARE(formatOf(doc, "blue").foreground().color(), QColor(0, 0, 255));
    }
    if (name == "enscript-highlight") {
        QVERIFY(formatOf(doc, "include").fontWeight() == QFont::Bold);
        QCOMPARE(formatOf(doc, "greeting").foreground().color(), QColor(178, 34, 34));
    }
    if (name == "word-dbcs") {
        // The font's own name, which a save writes; after it a Japanese font of the system's.
        const QStringList families = formatOf(doc, u"日本語"_qs).fontFamilies().toStringList();
        QCOMPARE(families.value(0), u"ＭＳ 明朝"_qs);
        QCOMPARE(families.size() == 2, !QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
        QVERIFY(families.size() < 2 ||
                QFontDatabase::families(QFontDatabase::Japanese).contains(families[1]));
    }
}

void TestRtfReader::malformedInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("shown"); // must appear in the text
    QTest::newRow("unbalanced open") << QByteArray("{\\rtf1 {\\b a{b") << QString("ab");
    QTest::newRow("unbalanced close") << QByteArray("{\\rtf1 a}}}}b") << QString("a");
    QTest::newRow("cut inside hex") << QByteArray("{\\rtf1 a\\'e") << QString("a");
    QTest::newRow("cut after backslash") << QByteArray("{\\rtf1 a\\") << QString("a");
    QTest::newRow("cut inside word") << QByteArray("{\\rtf1 a\\pa") << QString("a");
    QTest::newRow("bad hex") << QByteArray("{\\rtf1 a\\'zzb}") << QString("azzb");
    QTest::newRow("huge bin") << QByteArray("{\\rtf1 a\\bin999999999999 bc}") << QString("a");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 bc}") << QString("abc");
    QTest::newRow("overflowing numbers")
        << QByteArray("{\\rtf1\\fs99999999999999999999\\li-99999999999999999 a"
                      "\\u-99999999999999999?\\uc99999999999 b\\cf2147483647 c}")
        << QString("a");
    QTest::newRow("long control word")
        << QByteArray("{\\rtf1 a\\" + QByteArray(20000, 'x') + "123 b}") << QString("ab");
    QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 15) << QString("abc");
    QTest::newRow("deep nesting") << QByteArray(150000, '{') + "x" + QByteArray(150000, '}')
                                  << QString("x");
    QTest::newRow("deep nesting never closed")
        << "{\\rtf1 " + QByteArray(200000, '{') + "\\b deep" << QString("deep");
    QTest::newRow("many nested tables")
        << QByteArray("{\\rtf1\\intbl\\itap999999 x\\nestcell\\nestrow}") << QString("x");
    QTest::newRow("many columns") << "{\\rtf1\\intbl " + QByteArray("c\\cell ").repeated(5000) +
                                         "\\row}"
                                  << QString("c");
    QTest::newRow("many single-cell rows after a wide one")
        << "{\\rtf1\\intbl " + QByteArray("w\\cell ").repeated(63) + "\\row" +
               QByteArray("r\\cell\\row ").repeated(20000) + "}"
        << QString("r");
    QTest::newRow("binary junk") << QByteArray::fromHex("7b5c727466ff00fe5c27ff7b7b5c2a5c")
                                 << QString();
    // Reproducers of what the fuzzer found.
    const QDir dir(qEnvironmentVariable("PAGEWELL_FIXTURES") + "/rtf/fuzz");
    for (const QString &file : dir.entryList(QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable("fuzz " + file)) << f.readAll() << QString();
    }
}

void TestRtfReader::malformedInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, shown);
    const QString plain = RtfReader::plainText(rtf);
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    QVERIFY2(collapsed(plain).remove(u'\n').contains(shown), qPrintable(plain.left(200)));
    QString text = doc.toPlainText();
    if (doc.begin().blockFormat().boolProperty(RtfProperty::ReaderNote))
        text = text.section(u'\n', 1); // the note on what was simplified
    QCOMPARE(collapsed(text), collapsed(plain));
    // Bounded output: never more cells than the input could describe.
    int cells = 0;
    for (QTextTable *table : tablesOf(doc))
        cells += table->rows() * table->columns();
    QVERIFY(cells <= 1024 + rtf.size() / 4);
}

void TestRtfReader::readReplacesDocument()
{
    QTextDocument doc;
    QTextCursor(&doc).insertText("old text");
    doc.addResource(QTextDocument::ImageResource, QUrl("rtfimage:1"),
                    QImage(4, 4, QImage::Format_RGB32));
    QVERIFY(doc.isUndoAvailable());
    RtfReader::read("{\\rtf1 new}", &doc);
    QCOMPARE(doc.toPlainText(), QString("new"));
    QVERIFY(!doc.isUndoAvailable()); // loading is not an edit to undo
    QVERIFY(doc.isUndoRedoEnabled());
    QVERIFY(doc.resource(QTextDocument::ImageResource, QUrl("rtfimage:1")).isNull());
    RtfReader::read(QByteArray(), &doc);
    QVERIFY(doc.isEmpty());
    RtfReader::read("{\\rtf1 x}", nullptr); // nothing to fill, nothing to crash
}

// What Qt cannot lay out quickly is shown simplified, with a note on top that a save leaves out.
void TestRtfReader::hostileStructuresAreSimplified()
{
    auto noteOf = [](const QTextDocument &doc) {
        const QTextBlock first = doc.begin();
        return first.blockFormat().boolProperty(RtfProperty::ReaderNote) ? first.text() : QString();
    };
    QByteArray nested = "{\\rtf1 ";
    for (int level = 1; level <= 10; ++level)
        nested += "\\pard\\intbl\\itap" + QByteArray::number(level) + " L" +
                  QByteArray::number(level) + "\\nestcell";
    nested += "}";
    QTextDocument deep;
    RtfReader::read(nested, &deep);
    int depth = 0;
    for (const QTextTable *table : tablesOf(deep)) {
        int d = 0;
        for (const QTextFrame *f = table; f; f = f->parentFrame())
            d += qobject_cast<const QTextTable *>(f) != nullptr;
        depth = std::max(depth, d);
    }
    QCOMPARE(depth, 4);
    QVERIFY(noteOf(deep).contains(QLatin1String("nested more than 4 deep")));
    for (int level = 1; level <= 10; ++level)
        QVERIFY(deep.toPlainText().contains(QStringLiteral("L%1").arg(level)));

    // A long paragraph is laid out in pieces and saved as one.
    const QString words = QStringLiteral("word ").repeated(12000);
    QTextDocument longDoc;
    RtfReader::read("{\\rtf1 " + words.toLatin1() + "\\par next}", &longDoc);
    QVERIFY(noteOf(longDoc).contains(QLatin1String("long paragraphs")));
    QCOMPARE(longDoc.blockCount(), 1 + 3 + 1); // note, three pieces, "next"
    for (QTextBlock b = longDoc.begin().next(); b.isValid(); b = b.next())
        QVERIFY(b.text().endsWith(QLatin1String("word ")) || b.text() == QLatin1String("next"));
    const QByteArray saved = RtfWriter::write(longDoc);
    QCOMPARE(RtfReader::plainText(saved), words + QStringLiteral("\nnext"));

    QByteArray rows = "{\\rtf1 ";
    for (int r = 0; r < 2500; ++r)
        rows += "\\trowd\\cellx1000\\pard\\intbl r" + QByteArray::number(r) + "\\cell\\row\n";
    rows += "}";
    QTextDocument longTable;
    RtfReader::read(rows, &longTable);
    const QList<QTextTable *> parts = tablesOf(longTable);
    QCOMPARE(parts.size(), 2);
    QCOMPARE(parts.at(0)->rows() + parts.at(1)->rows(), 2500);
    QVERIFY(noteOf(longTable).contains(QLatin1String("parts of")));
    QVERIFY(!RtfWriter::write(longTable).contains("Shown simplified"));

    QByteArray fonts = "{\\rtf1{\\fonttbl";
    for (int f = 0; f < 100; ++f)
        fonts += "{\\f" + QByteArray::number(f) + " Family" + QByteArray::number(f) + ";}";
    fonts += "}";
    for (int f = 0; f < 100; ++f)
        fonts += "{\\f" + QByteArray::number(f) + " x}";
    fonts += "}";
    QTextDocument manyFonts;
    RtfReader::read(fonts, &manyFonts);
    QSet<QString> families;
    for (QTextBlock b = manyFonts.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QStringList list = it.fragment().charFormat().fontFamilies().toStringList();
            families.unite(QSet<QString>(list.begin(), list.end()));
        }
    QCOMPARE(families.size(), 64);
    QVERIFY(noteOf(manyFonts).contains(QLatin1String("first 64 fonts")));
    // An ordinary document gets no note.
    QTextDocument plain;
    RtfReader::read("{\\rtf1 x}", &plain);
    QVERIFY(noteOf(plain).isEmpty());
}

// A list level's number as its \\levelnfc writes it.
void TestRtfReader::numberFormats_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    auto row = [](int number, int format, const char *expected) {
        QTest::addRow("%d as %d", number, format) << number << format << QString(expected);
    };
    row(7, 0, "7");
    row(1999, 1, "MCMXCIX");
    row(4, 1, "IV");
    row(49, 2, "xlix");
    row(1, 3, "A");
    row(26, 3, "Z");
    row(27, 3, "AA");
    row(53, 4, "ba");
    row(7, 22, "07");
    row(123, 22, "123");
    row(3, 23, ""); // a bullet: the level's text says which
    row(3, 255, "");
    row(5, 5, "5"); // formats without a rule of their own are decimal
}

void TestRtfReader::numberFormats()
{
    QFETCH(int, number);
    QFETCH(int, format);
    QFETCH(QString, expected);
    QCOMPARE(RtfListTable::numberText(number, format), expected);
}

// The marks of notes after the document's words: each kind counts on its own.
void TestRtfReader::noteMarks_data()
{
    QTest::addColumn<QByteArrayList>("words");
    QTest::addColumn<QString>("kinds"); // f a footnote, e an endnote, in the order they come
    QTest::addColumn<QStringList>("marks");
    auto row = [](const char *name, const QByteArrayList &words, const char *kinds,
                  const QStringList &marks) {
        QTest::newRow(name) << words << QString(kinds) << marks;
    };
    row("unsaid", {}, "ffeef", {"1", "2", "i", "ii", "3"});
    row("footnotes in letters from 26", {"ftnnauc", "ftnstart26"}, "fff", {"Z", "AA", "AB"});
    row("endnotes in arabic from 3", {"aftnnar", "aftnstart3"}, "efe", {"3", "1", "4"});
    row("both in roman", {"ftnnruc", "aftnnrlc"}, "fefe", {"I", "i", "II", "ii"});
    row("lower letters and Chicago's marks", {"aftnnalc", "ftnnchi"}, "fffffe",
        {"*", u"\u2020"_qs, u"\u2021"_qs, u"\u00a7"_qs, "**", "a"});
    row("words of other things change nothing", {"ftnbj", "fet2", "aenddoc", "ftnrstcont"}, "fe",
        {"1", "i"});
}

void TestRtfReader::noteMarks()
{
    QFETCH(QByteArrayList, words);
    QFETCH(QString, kinds);
    QFETCH(QStringList, marks);
    RtfNotes notes;
    for (const QByteArray &word : words) {
        qsizetype digits = word.size();
        while (digits > 0 && word[digits - 1] >= '0' && word[digits - 1] <= '9')
            --digits;
        notes.setting(word.first(digits), digits < word.size(), word.sliced(digits).toInt());
    }
    QStringList got;
    for (const QChar kind : kinds) {
        const QString mark = notes.nextFootnoteMark();
        got << (kind == u'e' ? notes.footnoteWasEndnote() : mark);
    }
    QCOMPARE(got, marks);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
