// SPDX-License-Identifier: GPL-3.0-or-later
// The viewing pane's own interface: positions in its text, selection, changes and formatting,
// the same for plain text and for formatted documents.
#include "controls/richlayoutpump.h"
#include "controls/richtextbox.h"
#include "files/panefilereader.h"
#include "files/richtextprobe.h"
#include "panemenu.h"
#include "rtf/rtfreader.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

const QString emoji = QStringLiteral("\U0001F600"); // two UTF-16 units

void showRtf(RichTextBox &pane, const QByteArray &rtf)
{
    auto *document = new QTextDocument;
    RtfReader::read(rtf, document);
    pane.setRichDocument(document);
}

// The same content, shown as plain text or read from RTF.
void show(RichTextBox &pane, bool rich, const QByteArray &rtf, const QString &plain)
{
    if (rich)
        showRtf(pane, rtf);
    else
        pane.setPlainText(plain);
}

} // namespace

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void positionsSelectWhatTheTextHolds_data();
    void positionsSelectWhatTheTextHolds();
    void newContentAndEditsAreReported_data();
    void newContentAndEditsAreReported();
    void replacingKeepsTheCaret();
    void formattingStates();
    void documentsTooLongToFormat_data();
    void documentsTooLongToFormat();
    void textOfAFormattedDocumentRefusesEdits();
    void documentsTakeThePanesFont_data();
    void documentsTakeThePanesFont();
    void layoutPumpLaysOutAllThenStops_data();
    void layoutPumpLaysOutAllThenStops();
    void contextMenuEndsWithTheWindowsActions_data();
    void contextMenuEndsWithTheWindowsActions();
};

void TestRichTextBox::positionsSelectWhatTheTextHolds_data()
{
    QTest::addColumn<bool>("rich");
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("word");

    // The RTF rows hold the same text as the plain ones, paragraphs and all.
    const QByteArray lines = R"({\rtf1\ansi first line\par second {\b bold} line\par third word})";
    const QString linesPlain = QStringLiteral("first line\nsecond bold line\nthird word");
    QTest::newRow("plain, after line breaks") << false << QByteArray() << linesPlain << "word";
    QTest::newRow("rtf, after paragraphs") << true << lines << linesPlain << "word";
    QTest::newRow("rtf, formatted run") << true << lines << linesPlain << "bold line";
    QTest::newRow("rtf, over a paragraph's end") << true << lines << linesPlain << "line\nsecond";

    const QByteArray smile =
        R"({\rtf1\ansi a\uc1\u-10179?\u-8704? b\par\uc1\u-10179?\u-8704? word})";
    const QString smilePlain = "a" + emoji + " b\n" + emoji + " word";
    QTest::newRow("plain, after emoji") << false << QByteArray() << smilePlain << "word";
    QTest::newRow("rtf, after emoji") << true << smile << smilePlain << "word";
    QTest::newRow("plain, the emoji itself") << false << QByteArray() << smilePlain << emoji;

    const QByteArray spaces = R"({\rtf1\ansi no\~break\par end})";
    QTest::newRow("rtf, no-break space kept")
        << true << spaces << QStringLiteral("no\u00A0break\nend") << "\u00A0break";

    // A table brings frame marks into the document; each is one position of the text.
    const QByteArray table =
        R"({\rtf1\ansi before\par\trowd\cellx1000\cellx2000 one\cell two\cell\row after word})";
    QTest::newRow("rtf, in a table") << true << table << QString() << "two";
    QTest::newRow("rtf, after a table") << true << table << QString() << "word";
}

void TestRichTextBox::positionsSelectWhatTheTextHolds()
{
    QFETCH(bool, rich);
    QFETCH(QByteArray, rtf);
    QFETCH(QString, plain);
    QFETCH(QString, word);

    RichTextBox pane;
    show(pane, rich, rtf, plain);
    if (!plain.isNull())
        QCOMPARE(pane.text(), plain);
    QCOMPARE(pane.textLength(), pane.text().size());

    const int at = pane.text().indexOf(word);
    QVERIFY(at >= 0);
    pane.select(at, word.size());
    QCOMPARE(pane.selectionStart(), at);
    QCOMPARE(pane.selectionLength(), word.size());
    QCOMPARE(pane.text(pane.selectionStart(), pane.selectionLength()), word);
    if (!rich) // the editor's own cursor agrees
        QCOMPARE(pane.textCursor().selectedText(), word);
}

void TestRichTextBox::newContentAndEditsAreReported_data()
{
    QTest::addColumn<bool>("rich");
    QTest::newRow("plain") << false;
    QTest::newRow("rich") << true;
}

void TestRichTextBox::newContentAndEditsAreReported()
{
    QFETCH(bool, rich);
    RichTextBox pane;
    pane.setPlainText(QStringLiteral("old text"));
    QSignalSpy changes(&pane, &RichTextBox::contentsChange);
    QSignalSpy changed(&pane, &RichTextBox::textChanged);

    show(pane, rich, R"({\rtf1\ansi new content})", QStringLiteral("new content"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes.at(0), (QVariantList{0, 8, 11}));

    pane.select(3, 0);
    QTest::keyClicks(pane.focusProxy(), QStringLiteral("xy"));
    QCOMPARE(pane.text(), QStringLiteral("newxy content"));
    QCOMPARE(changed.size(), 3);
    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes.at(2).at(0).toInt(), 4); // the second key, at position 4
    QCOMPARE(changes.at(2).at(2).toInt(), 1);
    QTest::keyClick(pane.focusProxy(), Qt::Key_Right); // moving the caret changes nothing
    QCOMPARE(changed.size(), 3);

    // A change of formatting alone replaces nothing.
    pane.select(0, 3);
    pane.setSelectionBold(true);
    QCOMPARE(changes.last(), (QVariantList{0, 3, 3}));
    QCOMPARE(pane.text(), QStringLiteral("newxy content"));
}

void TestRichTextBox::replacingKeepsTheCaret()
{
    RichTextBox pane;
    showRtf(pane, R"({\rtf1\ansi {\b abc} def})");
    pane.select(4, 2);
    pane.replaceText(QStringLiteral("ABC DEF"));
    QVERIFY(!pane.showsRichDocument());
    QCOMPARE(pane.text(), QStringLiteral("ABC DEF"));
    QCOMPARE(pane.selectionStart(), 4);
    QCOMPARE(pane.selectionLength(), 0);

    pane.select(6, 0);
    pane.replaceText(QStringLiteral("ab")); // shorter than where the caret was
    QCOMPARE(pane.selectionStart(), 2);

    // A range replaced before the caret moves it with the text.
    pane.setPlainText(QStringLiteral("ab\ncd"));
    pane.select(4, 0);
    pane.replaceRange(3, 1, QStringLiteral("CC"));
    QCOMPARE(pane.text(), QStringLiteral("ab\nCCd"));
    QCOMPARE(pane.selectionStart(), 5);
    pane.replaceRange(0, 1, QStringLiteral("A"));
    QCOMPARE(pane.text(), QStringLiteral("Ab\nCCd"));
    QCOMPARE(pane.selectionStart(), 5);
}

void TestRichTextBox::formattingStates()
{
    // Plain text takes formatting too (a document read from RTF is the text tools' test).
    RichTextBox pane;
    pane.setPlainText(QStringLiteral("abcdef"));
    pane.select(2, 2);
    pane.setSelectionBold(true);
    pane.setSelectionItalic(true);
    pane.setSelectionUnderline(true);
    using State = Qt::CheckState;
    const auto states = [&pane] {
        return QList<State>{pane.selectionBold(), pane.selectionItalic(),
                            pane.selectionUnderline()};
    };
    pane.select(2, 2);
    QCOMPARE(states(), QList<State>(3, Qt::Checked));
    pane.select(1, 3);
    QCOMPARE(states(), QList<State>(3, Qt::PartiallyChecked));
    pane.select(4, 2);
    QCOMPARE(states(), QList<State>(3, Qt::Unchecked));

    pane.select(1, 3);
    pane.setSelectionBold(true);
    QCOMPARE(pane.selectionBold(), Qt::Checked);
    QCOMPARE(pane.selectionItalic(), Qt::PartiallyChecked);
    pane.setSelectionItalic(false);
    QCOMPARE(pane.selectionItalic(), Qt::Unchecked);
    QCOMPARE(pane.text(), QStringLiteral("abcdef"));

    // At the insertion point the format is what is typed next.
    pane.select(6, 0);
    QCOMPARE(pane.selectionBold(), Qt::Unchecked);
    pane.setSelectionBold(true);
    QCOMPARE(pane.selectionBold(), Qt::Checked);
    QTest::keyClicks(pane.focusProxy(), QStringLiteral("g"));
    pane.select(6, 1);
    QCOMPARE(pane.selectionBold(), Qt::Checked);
    pane.select(4, 2);
    QCOMPARE(pane.selectionBold(), Qt::Unchecked);
}

void TestRichTextBox::documentsTooLongToFormat_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<bool>("fits");
    // A body of a repeated unit, after the header and an opening word.
    const auto row = [](const char *name, const QByteArray &start, const QByteArray &unit,
                        int count, bool fits) {
        QTest::newRow(name) << R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 )" + start +
                                   unit.repeated(count) + "}"
                            << fits;
    };
    row("ordinary", "{\\b bold} text\\par ", "second", 1, true);
    const QByteArray letters200 = QByteArray("word ").repeated(40);
    row("40,000 paragraphs", "", letters200 + "\\par ", 40'000, true);
    row("100,000 paragraphs", "", letters200 + "\\par ", 100'000, false);
    row("10,000 lines in paragraphs", "", "ab\\line ab\\line ab\\line ab\\line ab\\par ", 2'000,
        true);
    // Qt lays out the last half of a short document in one step.
    row("4,000 short paragraphs", "", "ab\\par ", 4'000, true);
    row("60,000 short paragraphs", "", "ab\\par ", 60'000, false);
    QByteArray tabStops;
    for (int i = 0; i < 30'000; ++i)
        tabStops += "\\pard\\tx" + QByteArray::number(100 + i) + " a\\par ";
    row("30,000 paragraphs, each its own tab stop", "", tabStops, 1, true);
    row("a million line breaks", "", "ab\\line ", 1'000'000, false);
    // Qt lays out a paragraph in one go, while the window waits.
    row("7,500 line breaks in a paragraph", "", "ab\\line ", 7'500, true);
    row("15,000 line breaks in a paragraph", "", "ab\\line ", 15'000, false);
    row("a paragraph of half a million letters", "", "word ", 100'000, true);
    row("a paragraph of two million letters", "", "word ", 400'000, false);
    // Chinese characters are as wide as two letters.
    row("a paragraph of a million wide characters", "", "\\u28450?\\u23383?", 500'000, false);
    row("a million wide characters in paragraphs", "",
        QByteArray("\\u28450?\\u23383?").repeated(250) + "\\par ", 2'000, true);
    // Each change of format within a paragraph costs the layout as much as some letters.
    row("3,000 runs in a paragraph", "", "{\\b x}{\\i y}", 1'500, true);
    row("20,000 runs in a paragraph", "", "{\\b x}{\\i y}", 10'000, false);
    row("20,000 runs alike in a paragraph", "", "{x}{y}", 10'000, true);
    row("20,000 runs in paragraphs", "", QByteArray("{\\b x}{\\i y}").repeated(10) + "\\par ",
        1'000, true);
    // Each table costs every layout step after it.
    row("4,000 tables", "", "\\trowd\\cellx900\\pard\\intbl a\\cell\\row\\pard p\\par ", 4'000,
        true);
    row("20,000 tables", "", "\\trowd\\cellx900\\pard\\intbl a\\cell\\row\\pard p\\par ", 20'000,
        false);
    row("one table of 20,000 rows", "", "\\trowd\\cellx900\\pard\\intbl a\\cell\\row ", 20'000,
        true);
    row("100,000 table cells", "", "\\trowd\\cellx900\\cellx1800 a\\cell b\\cell\\row ", 50'000,
        false);
    // Few lines, but so high that Qt's layout would pass its largest page.
    row("30,000 lines at 200 points", "\\fs400 ", "ab\\line ", 30'000, false);
    row("5,000 paragraphs a page apart", "\\sl15000 ", "ab\\par ", 5'000, false);
    // Tabs cost their width and, many in one paragraph, far more.
    row("2,000 tabs in a paragraph", "", "a\\tab ", 2'000, true);
    row("100,000 tabs in a paragraph", "", "a\\tab ", 100'000, false);
    row("2,000 paragraphs of 20 tabs", "", QByteArray("a\\tab ").repeated(20) + "\\par ", 2'000,
        true);
    // Text in a narrow cell wraps into as many more lines.
    const QByteArray words = QByteArray("word ").repeated(200);
    row("4,000 page-wide cells", "", "\\trowd\\cellx9000\\pard\\intbl " + words + "\\cell\\row ",
        4'000, true);
    row("4,000 cells 20 twips wide", "", "\\trowd\\cellx20\\pard\\intbl " + words + "\\cell\\row ",
        4'000, false);
    // Only the cell that is narrow counts as one.
    row("a wide cell beside a narrow one", "",
        "\\trowd\\cellx20\\cellx9000\\pard\\intbl x\\cell " + words + "\\cell\\row ", 4'000, true);
    row("a narrow cell beside a wide one", "",
        "\\trowd\\cellx8980\\cellx9000\\pard\\intbl x\\cell " + words + "\\cell\\row ", 4'000,
        false);
}

void TestRichTextBox::documentsTooLongToFormat()
{
    QFETCH(QByteArray, rtf);
    QFETCH(bool, fits);
    QCOMPARE(RichTextProbe::fits(rtf), fits);
}

void TestRichTextBox::documentsTakeThePanesFont_data()
{
    QTest::addColumn<int>("paragraphs"); // of 100 words, 500 characters
    QTest::addColumn<bool>("givenWhereBuilt");
    QTest::addColumn<bool>("shaped");
    QTest::newRow("short, font given") << 10 << true << true;
    QTest::newRow("short, no font given") << 10 << false << true;
    // Past half a million characters the cosmetic shaping is left out.
    QTest::newRow("long, font given") << 1'200 << true << false;
    QTest::newRow("long, no font given") << 1'200 << false << false;
}

void TestRichTextBox::documentsTakeThePanesFont()
{
    QFETCH(int, paragraphs);
    QFETCH(bool, givenWhereBuilt);
    QFETCH(bool, shaped);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.rtf"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}{\colortbl;\red255\green0\blue0;})" +
                   (QByteArray("word ").repeated(99) + "{\\cf1 word}\\par ").repeated(paragraphs) +
                   "}");
    }
    RichTextBox pane;
    const QFont font(QStringLiteral("DejaVu Serif"), 13);
    pane.setFont(font);
    PaneFileReader::Limits limits;
    if (givenWhereBuilt)
        limits.richFont = pane.richFont();
    PaneFileReader::Result read = PaneFileReader::read(path, limits);
    QVERIFY(read.document);
    QCOMPARE(read.document->defaultFont().family() == font.family(), givenWhereBuilt);
    ReaderText reader;
    pane.showFile(std::move(read), &reader);
    QVERIFY(pane.showsRichDocument());
    const QTextDocument &shown = *pane.document();
    QCOMPARE(shown.defaultFont().family(), font.family());
    QCOMPARE(shown.defaultFont().pointSize(), 13);
    QCOMPARE(!(shown.defaultFont().styleStrategy() & QFont::PreferNoShaping), shaped);
}

void TestRichTextBox::textOfAFormattedDocumentRefusesEdits()
{
    RichTextBox pane;
    const QByteArray rtf = R"({\rtf1\ansi {\b long} document\line text})";
    const QString text = QStringLiteral("long document\ntext");
    pane.setPlainText(QStringLiteral("before"));
    QSignalSpy changed(&pane, &RichTextBox::textChanged);
    pane.setUnformattedRich(text, rtf);
    QCOMPARE(changed.size(), 1);
    QVERIFY(pane.isReadOnly());
    QVERIFY(!pane.showsRichDocument());
    QVERIFY(pane.findChild<QLabel *>("readOnlyNote")->isVisibleTo(&pane));

    // Keys, the clipboard, undo and the pane's own edits: nothing changes.
    pane.select(5, 8);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    QWidget *editor = pane.focusProxy();
    QTest::keyClicks(editor, QStringLiteral("typed"));
    for (const QKeySequence::StandardKey key :
         {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo})
        QTest::keySequence(editor, key);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    pane.replaceRange(0, 4, QStringLiteral("short"));
    QVERIFY(!pane.mapText([](QString &piece) {
        piece = piece.toUpper();
        return true;
    }));
    pane.setSelectionBold(true);
    pane.setSelectionColor(Qt::red);
    QCOMPARE(pane.text(), text);
    QVERIFY(!pane.showsRichDocument());
    QVERIFY(!pane.isModified());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(pane.heldRtf(), rtf);
    QCOMPARE(pane.selectedText(), QStringLiteral("document")); // selecting still works

    // A new content is an ordinary one again.
    pane.setPlainText(QStringLiteral("new"));
    QVERIFY(!pane.isReadOnly());
    QVERIFY(pane.heldRtf().isEmpty());
    QVERIFY(!pane.findChild<QLabel *>("readOnlyNote")->isVisibleTo(&pane));
    pane.select(3, 0);
    QTest::keyClicks(pane.focusProxy(), QStringLiteral("er"));
    QCOMPARE(pane.text(), QStringLiteral("newer"));
}

void TestRichTextBox::layoutPumpLaysOutAllThenStops_data()
{
    QTest::addColumn<int>("hidden"); // a block Qt does not lay out, or -1
    QTest::addColumn<bool>("narrowed");
    QTest::newRow("paragraphs") << -1 << false;
    QTest::newRow("laid out again at a new width") << -1 << true;
    QTest::newRow("a hidden block at the end") << 3000 << false;
}

void TestRichTextBox::layoutPumpLaysOutAllThenStops()
{
    QFETCH(int, hidden);
    QFETCH(bool, narrowed);
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("words to wrap ").repeated(30).append(u'\n').repeated(3000));
    if (hidden >= 0)
        doc.findBlockByNumber(hidden).setVisible(false);
    doc.setTextWidth(300);
    RichLayoutPump pump;
    pump.follow(&doc);
    const auto pumpUntilIdle = [&pump] {
        // Without waiting, so that Qt's own layout steps, 10 ms apart, do not take part.
        for (int i = 0; i < 2000 && pump.isRunning(); ++i)
            QCoreApplication::processEvents();
    };
    pumpUntilIdle();
    if (narrowed) {
        doc.setTextWidth(200);
        pumpUntilIdle();
    }
    QVERIFY(!pump.isRunning());
    if (hidden < 0)
        QVERIFY(doc.lastBlock().layout()->lineCount() > 0);
}

void TestRichTextBox::contextMenuEndsWithTheWindowsActions_data()
{
    QTest::addColumn<bool>("rich");
    QTest::newRow("plain text") << false;
    QTest::newRow("formatted") << true;
}

// The pane's own menu keeps its editing entries and ends with the window's operations, in the
// editor that is on screen.
void TestRichTextBox::contextMenuEndsWithTheWindowsActions()
{
    QFETCH(bool, rich);
    RichTextBox pane;
    pane.resize(400, 300);
    QAction first(QStringLiteral("First operation"));
    QAction second(QStringLiteral("Second operation"));
    pane.addContextMenuAction(&first);
    pane.addContextMenuAction(&second);
    show(pane, rich, QByteArray("{\\rtf1 {\\b word}}"), QStringLiteral("word"));
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));

    QMenu *menu = openPaneMenu(pane);
    QVERIFY(menu);
    const QList<QAction *> actions = menu->actions();
    QVERIFY(actions.size() > 3);
    QCOMPARE(actions.at(actions.size() - 2), &first);
    QCOMPARE(actions.last(), &second);
    QVERIFY(actions.at(actions.size() - 3)->isSeparator());
    QVERIFY(std::any_of(actions.begin(), actions.end(), [](const QAction *action) {
        return action->text().contains(QStringLiteral("Copy"));
    }));
    menu->close();
}

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
