// SPDX-License-Identifier: GPL-3.0-or-later
// Make CAP and Make Min on the pane's text: the characters change inside their runs. Every
// format, every part a save keeps (hidden text, notes, fields, links, tables, pictures) and the
// caret stay; one undo brings back exactly what was there.
#include "controls/richtextbox.h"
#include "controls/textmapedits.h"
#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"
#include "texttools/caseconversion.h"

#include <QTest>
#include <QTextDocument>

namespace {

const QByteArray png = "89504e470d0a1a0a0000000d49484452000000140000000a01030000008e9beca50000"
                       "0003504c5445ff000019e209370000000c4944415408d76360200e000000280001e477"
                       "6ddb0000000049454e44ae426082";

RichTextBox::Map caseMap(CaseMode mode)
{
    return [mode](QString &piece) {
        return CaseConversion::convertInPlace(piece, mode);
    };
}

void showRtf(RichTextBox &pane, const QByteArray &rtf)
{
    auto *document = new QTextDocument;
    RtfReader::read(rtf, document);
    pane.setRichDocument(document);
}

// What the document holds, and what a save writes of it.
struct Written
{
    QString dump;
    QByteArray rtf;
    bool operator==(const Written &other) const = default;
};

Written written(const QTextDocument &document)
{
    return {RtfDocumentDump::dump(document), RtfWriter::write(document)};
}

Written written(const QByteArray &rtf)
{
    QTextDocument document;
    RtfReader::read(rtf, &document);
    return written(document);
}

// Ctrl+Z, and the end of an undo made in steps.
void undo(RichTextBox &pane)
{
    QTest::keySequence(pane.focusProxy(), QKeySequence::Undo);
    QTRY_VERIFY_WITH_TIMEOUT(!pane.isMapping(), 60000);
}

} // namespace

class TestCaseFormats : public QObject
{
    Q_OBJECT

private slots:
    void formatsAndKeptPartsStay_data();
    void formatsAndKeptPartsStay();
    void caretStaysBetweenTheSameCharacters_data();
    void caretStaysBetweenTheSameCharacters();
    void typingInAModeKeepsTheRun();
    void longPlainTextIsConvertedWhereItIsKept();
    void longFormattedTextIsConvertedInSteps();
};

void TestCaseFormats::formatsAndKeptPartsStay_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected"); // the same document with its text converted

    const int upper = int(CaseMode::Upper);
    const int lower = int(CaseMode::Lower);
    const QByteArray colors = R"({\colortbl;\red200\green0\blue0;})";
    QTest::newRow("bold, italic, colour")
        << R"({\rtf1\ansi)" + colors + R"( {\b bold}{\i italic}{\cf1 red}plain})" << upper
        << R"({\rtf1\ansi)" + colors + R"( {\b BOLD}{\i ITALIC}{\cf1 RED}PLAIN})";
    QTest::newRow("to small letters") << QByteArray(R"({\rtf1\ansi {\b\ul ABC} D\'c9F})") << lower
                                      << QByteArray(R"({\rtf1\ansi {\b\ul abc} d\'e9f})");
    QTest::newRow("hidden text keeps its case")
        << QByteArray(R"({\rtf1\ansi shown {\v Hidden Text}after{\v\par}next})") << upper
        << QByteArray(R"({\rtf1\ansi SHOWN {\v Hidden Text}AFTER{\v\par}NEXT})");
    QTest::newRow("field: instruction as it was, result converted")
        << QByteArray(
               R"({\rtf1\ansi on {\field{\*\fldinst DATE \\@ "d MMMM"}{\fldrslt 7 December}} day})")
        << upper
        << QByteArray(
               R"({\rtf1\ansi ON {\field{\*\fldinst DATE \\@ "d MMMM"}{\fldrslt 7 DECEMBER}} DAY})");
    QTest::newRow("link keeps its target")
        << QByteArray(
               R"({\rtf1{\field{\*\fldinst HYPERLINK "http://Example.org/Page"}{\fldrslt Site}} x})")
        << upper
        << QByteArray(
               R"({\rtf1{\field{\*\fldinst HYPERLINK "http://Example.org/Page"}{\fldrslt SITE}} X})");
    QTest::newRow("footnote: its text is the file's")
        << QByteArray(
               R"({\rtf1 Note{\super\chftn}{\*\footnote\pard{\super\chftn} Its text} end\par})")
        << upper
        << QByteArray(
               R"({\rtf1 NOTE{\super\chftn}{\*\footnote\pard{\super\chftn} Its text} END\par})");
    QTest::newRow("table")
        << QByteArray(R"({\rtf1\ansi\trowd\cellx1000\cellx2000 {\b a}\cell b c\cell\row after})")
        << upper
        << QByteArray(R"({\rtf1\ansi\trowd\cellx1000\cellx2000 {\b A}\cell B C\cell\row AFTER})");
    QTest::newRow("picture") << R"({\rtf1 a{\pict\pngblip\picwgoal600\pichgoal150 )" + png +
                                    R"(}b {\i c}})"
                             << upper
                             << R"({\rtf1 A{\pict\pngblip\picwgoal600\pichgoal150 )" + png +
                                    R"(}B {\i C}})";
    // Letters that become longer, across runs; the run boundaries stay between the same letters.
    QTest::newRow("sharp s and n with apostrophe")
        << QByteArray(R"({\rtf1\ansi {\b stra\'dfe} {\i \u329?x}\'df})") << upper
        << QByteArray(R"({\rtf1\ansi {\b STRASSE} {\i \u700?NX}SS})");
    // Deseret U+10428 becomes U+10400: both halves of the pair are written again.
    QTest::newRow("letter outside the basic plane")
        << QByteArray(R"({\rtf1\ansi a{\b \u-10239?\u-9176?}b})") << upper
        << QByteArray(R"({\rtf1\ansi A{\b \u-10239?\u-9216?}B})");
    // Given by the list, by the note and by the object: they stay as the file has them.
    QTest::newRow("list label")
        << QByteArray(
               R"({\rtf1\ansi{\pntext\pard\plain b)\tab}\pard{\*\pn\pnlvlbody\pnlcltr\pnstart2}item\par})")
        << upper
        << QByteArray(
               R"({\rtf1\ansi{\pntext\pard\plain b)\tab}\pard{\*\pn\pnlvlbody\pnlcltr\pnstart2}ITEM\par})");
    QTest::newRow("object's shown text")
        << QByteArray(R"({\rtf1\ansi a{\object\objemb{\*\objdata 0102}{\result shown}}b})") << upper
        << QByteArray(R"({\rtf1\ansi A{\object\objemb{\*\objdata 0102}{\result shown}}B})");
    QTest::newRow("nothing to convert") << QByteArray(R"({\rtf1\ansi {\b 12} ?})") << upper
                                        << QByteArray(R"({\rtf1\ansi {\b 12} ?})");
}

void TestCaseFormats::formatsAndKeptPartsStay()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, mode);
    QFETCH(QByteArray, expected);
    RichTextBox pane;
    showRtf(pane, rtf);
    const Written before = written(*pane.document());
    pane.setModified(false);

    const bool changed = pane.mapText(caseMap(CaseMode(mode)));
    QVERIFY(pane.showsRichDocument());
    QCOMPARE(changed, rtf != expected);
    const Written after = written(*pane.document());
    const Written wanted = written(expected);
    QCOMPARE(after.dump, wanted.dump);
    QCOMPARE(after.rtf, wanted.rtf);
    QCOMPARE(pane.isModified(), changed);

    // One step back: the document as it was, unchanged again.
    undo(pane);
    QCOMPARE(written(*pane.document()), before);
    QVERIFY(!pane.isModified());
}

void TestCaseFormats::caretStaysBetweenTheSameCharacters_data()
{
    QTest::addColumn<bool>("rich");
    QTest::addColumn<QString>("text"); // [ marks the selection's anchor, ] the caret
    QTest::addColumn<QString>("expected");

    // Parts of a long text are converted one at a time: a pair or a growing letter where one
    // part ends.
    const QString filler(4095, u'x');
    for (const bool rich : {false, true}) {
        const auto row = [rich](const char *name, const QString &text, const QString &expected) {
            QTest::addRow("%s, %s", rich ? "rich" : "plain", name) << rich << text << expected;
        };
        row("caret before a letter", "ab[]cd", "AB[]CD");
        row("selection", "a[bc]d", "A[BC]D");
        row("backwards selection", "a]bc[d", "A]BC[D");
        row("after a letter that grows", u"\u00df[]\u00dfa"_qs, "SS[]SSA");
        row("between letters that grow", u"x\u00df[\u00df]\u00dfy"_qs, "XSS[SS]SSY");
        row("after a pair", u"\U00010428[]\U00010428"_qs, u"\U00010400[]\U00010400"_qs);
        row("over paragraphs", u"ab\nc[]d\n\u00dfe"_qs, "AB\nC[]D\nSSE");
        row("pair across parts", "a" + filler + u"\U00010428[]b"_qs,
            "A" + filler.toUpper() + u"\U00010400[]B"_qs);
        // Noncharacters in the text, which a growing letter's conversion works with.
        row("noncharacters", u"\ufdef\u00df[]\ufdee\ufffe\uffffa"_qs,
            u"\ufdefSS[]\ufdee\ufffe\uffffA"_qs);
        row("growing letter across parts", filler + u"\u00df\u00df[]b"_qs,
            filler.toUpper() + "SSSS[]B");
    }
}

namespace {

struct Marked
{
    QString text;
    qsizetype anchor;
    qsizetype caret;
};

Marked unmarked(QString marked)
{
    const qsizetype anchor = marked.indexOf(u'[');
    const qsizetype caret = marked.indexOf(u']');
    marked.remove(std::max(anchor, caret), 1);
    marked.remove(std::min(anchor, caret), 1);
    return {marked, anchor < caret ? anchor : anchor - 1, caret < anchor ? caret : caret - 1};
}

QString marked(const RichTextBox &pane)
{
    const QTextCursor cursor = pane.textCursor();
    QString text = pane.text();
    const bool forwards = cursor.anchor() <= cursor.position();
    const int first = forwards ? cursor.anchor() : cursor.position();
    const int second = forwards ? cursor.position() : cursor.anchor();
    text.insert(second, forwards ? u']' : u'[');
    text.insert(first, forwards ? u'[' : u']');
    return text;
}

} // namespace

void TestCaseFormats::caretStaysBetweenTheSameCharacters()
{
    QFETCH(bool, rich);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const Marked start = unmarked(text);
    RichTextBox pane;
    pane.setPlainText(start.text);
    if (rich) {
        pane.select(0, 1); // a run of its own
        pane.setSelectionBold(true);
        QVERIFY(pane.showsRichDocument());
    }
    QTextCursor cursor = pane.textCursor();
    cursor.setPosition(int(start.anchor));
    cursor.setPosition(int(start.caret), QTextCursor::KeepAnchor);
    pane.setTextCursor(cursor);
    QCOMPARE(marked(pane), text);

    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    QCOMPARE(marked(pane), expected);
    undo(pane);
    QCOMPARE(pane.text(), start.text);
}

void TestCaseFormats::typingInAModeKeepsTheRun()
{
    // Letters typed into a bold run go in as capitals: bold, the caret after them, and one
    // undo takes them back.
    RichTextBox pane;
    showRtf(pane, R"({\rtf1\ansi AB{\b CD}EF})");
    const Written before = written(*pane.document());
    pane.setTypingMap(caseMap(CaseMode::Upper));
    pane.select(3, 0);
    QTest::keyClicks(pane.focusProxy(), u"x\u00df"_qs);
    QCOMPARE(pane.text(), "ABCXSSDEF");
    QCOMPARE(pane.selectionStart(), 6);
    pane.select(2, 5);
    QCOMPARE(pane.selectionBold(), Qt::Checked);
    undo(pane);
    QCOMPARE(written(*pane.document()), before);

    // A conversion of a part after an edit of several steps is undone with it.
    pane.setTypingMap({});
    pane.select(3, 0);
    QTextCursor edit = pane.textCursor();
    edit.beginEditBlock();
    edit.insertText("a");
    edit.insertText("b");
    edit.endEditBlock();
    QVERIFY(pane.mapRange(3, 1, caseMap(CaseMode::Upper), RichTextBox::UndoStep::JoinPrevious));
    QCOMPARE(pane.text(), "ABCAbDEF");
    undo(pane);
    QCOMPARE(written(*pane.document()), before);
    // Already in case: nothing is done.
    QVERIFY(!pane.mapRange(0, 6, caseMap(CaseMode::Upper), RichTextBox::UndoStep::JoinPrevious));
}

void TestCaseFormats::longPlainTextIsConvertedWhereItIsKept()
{
    // Past the length that one undo step holds, a plain text is converted as a new text.
    const QString line = u"abc \u00df\U00010428\n"_qs;
    const QString text = line.repeated(RichTextBox::undoableMapUpTo / line.size() + 1);
    RichTextBox pane;
    pane.setPlainText(text);
    pane.select(8, 0);
    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    QCOMPARE(pane.text(), CaseConversion::convert(text, CaseMode::Upper));
    QVERIFY(pane.isModified());
    QCOMPARE(pane.selectionStart(), 8);
}

void TestCaseFormats::longFormattedTextIsConvertedInSteps()
{
    const auto document = [](const QByteArray &paragraph) {
        return R"({\rtf1\ansi )" + paragraph.repeated(RichTextBox::mappedAtOnceUpTo / 10) + "}";
    };
    const QByteArray rtf = document(R"(some {\b bold} stra\'dfe\par )");
    const Written wanted = written(document(R"(SOME {\b BOLD} STRASSE\par )"));
    RichTextBox pane;
    showRtf(pane, rtf);
    const Written before = written(*pane.document());

    // Keys wait for the end; then it is all converted, one undo step.
    pane.select(0, 0);
    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    QVERIFY(pane.isMapping());
    QTest::keyClicks(pane.focusProxy(), "typed");
    QTRY_VERIFY_WITH_TIMEOUT(!pane.isMapping(), 60000);
    QCOMPARE(written(*pane.document()), wanted);
    QCOMPARE(pane.selectionStart(), 0);
    undo(pane);
    QCOMPARE(written(*pane.document()), before);

    // A save takes the rest at once; so does formatting.
    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    QCOMPARE(pane.richText(), wanted.rtf);
    QVERIFY(!pane.isMapping());
    undo(pane);
    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    pane.select(0, 4);
    pane.setSelectionItalic(true);
    QVERIFY(!pane.isMapping());
    QVERIFY(pane.text().startsWith("SOME BOLD STRASSE\nSOME"));

    // A new content ends it where it got to.
    showRtf(pane, rtf);
    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    pane.setPlainText("new");
    QVERIFY(!pane.isMapping());
    QTest::keyClicks(pane.focusProxy(), "x");
    QCOMPARE(pane.text(), "xnew");
}

QTEST_MAIN(TestCaseFormats)
#include "tst_caseformats.moc"
