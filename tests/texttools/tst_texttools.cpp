// SPDX-License-Identifier: GPL-3.0-or-later
// The text tools on the main window: the find panel, Make CAP / Make Min / Nomal, Bold, Italic,
// Underline, Color, Print and the clipboard, driven through the real controls.
#include "controls/clicklabel.h"
#include "controls/richtextbox.h"
#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"
#include "texttools/clipslots.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"
#include "windowtest.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {

const QString finished = QStringLiteral("Finished searching the text.");
const QString grin = QStringLiteral("\U0001F600");

void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton)
{
    QVERIFY(widget);
    QTest::mouseClick(widget, button);
}

// An option button reacts on its round mark and caption, at the left of its wide control;
// what it reads ("Nomal" reads the file again) is shown before this returns.
void click(QRadioButton *option, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(option, button, {}, QPoint(8, option->height() / 2));
    if (const auto *w = qobject_cast<const pgwell *>(option->window()))
        waitForDisplay(*w);
}

QColor wordColor(const pgwell &w)
{
    return ui(w).Text2->palette().color(QPalette::Text);
}

// Keys that produce the text, one key per character (a pair of UTF-16 halves is one key).
void type(QWidget *widget, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, n), {});
        i += n - 1;
    }
}

// The word box as the user fills it: a click empties it, then the word is typed.
void enterWord(pgwell &w, const QString &word)
{
    click(ui(w).Text2);
    type(ui(w).Text2, word);
}

// What a save of the RTF keeps, read back: a dump with every format and kept part.
QString readBack(const QByteArray &rtf)
{
    QTextDocument document;
    RtfReader::read(rtf, &document);
    return RtfDocumentDump::dump(document);
}

QString fixture(const QString &name)
{
    return qEnvironmentVariable("PAGEWELL_FIXTURES") + "/rtf/" + name;
}

QString selected(const pgwell &w)
{
    return ui(w).Text1->text(ui(w).Text1->selectionStart(), ui(w).Text1->selectionLength());
}

bool paneHasFocus(const pgwell &w)
{
    return ui(w).Text1->isAncestorOf(QApplication::focusWidget());
}

// pdftotext's reading of a PDF, pages separated by form feeds.
QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start("pdftotext", {"-layout", pdf, "-"});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return "<pdftotext failed: " + process.readAllStandardError() + ">";
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page count pdfinfo reads from the document.
int pdfPages(const QString &pdf)
{
    QProcess process;
    process.start("pdfinfo", {pdf});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return -1;
    const QString info = QString::fromUtf8(process.readAllStandardOutput());
    const qsizetype at = info.indexOf("Pages:");
    return at < 0 ? -1 : info.mid(at + 6).section(u'\n', 0, 0).trimmed().toInt();
}

} // namespace

class TestTextTools : public WindowTest
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->openShown();
    }

    void findPanel();
    void findStepsThroughOverlaps();
    void farMatchesSelectExactly_data();
    void farMatchesSelectExactly();

    void capsWhileTyping();
    void caseChangeIsAnEdit();
    void pasteFilesAndNomalInMode();
    void nomalThenSaveKeepsTheBytes_data();
    void nomalThenSaveKeepsTheBytes();
    void caseChangeThenSaveKeepsTheDocument_data();
    void caseChangeThenSaveKeepsTheDocument();
    void caseModeInAFormattedDocument();

    void boldItalicUnderlineColour();
    void print();
    void clipboardTakesTheWholeText();
    void longOperationsRunAside_data();
    void longOperationsRunAside();

private:
    pgwell &w() { return *f->w; }
    // The file written into the browsed folder and chosen from the file list.
    void showFile(const QString &name, const QByteArray &bytes)
    {
        writeFile(f->browse(name), bytes);
        ui(w()).File1->refresh();
        choose(ui(w()).File1, name);
    }
    // The printer the dialog hands over writes a PDF, of the pages or the part asked for.
    void printTo(const QString *pdf, QPrinter::PrintRange range = QPrinter::AllPages, int page = 0)
    {
        f->fake.dialogs.printerScript = [pdf, range, page](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(*pdf);
            printer.setPrintRange(range);
            if (page)
                printer.setFromTo(page, page);
            return true;
        };
    }
};

void TestTextTools::findPanel()
{
    // The panel takes the place of the five buttons it covers, and gives it back.
    const QList<QWidget *> covered{ui(w()).Command6, ui(w()).Command7, ui(w()).Command8,
                                   ui(w()).find, ui(w()).Command5};
    click(ui(w()).find);
    QVERIFY(ui(w()).fnd->isVisible());
    for (QWidget *button : covered)
        QVERIFY2(button->isHidden(), qPrintable(button->objectName()));
    // The word box: a grey hint until typed in, grey again after each search.
    const QColor grey(171, 171, 171);
    QCOMPARE(ui(w()).Text2->text(), "Word to find");
    QCOMPARE(wordColor(w()), grey);
    enterWord(w(), "abc");
    QCOMPARE(wordColor(w()), ui(w()).Text2->palette().color(QPalette::ButtonText));
    click(ui(w()).Command11);
    QCOMPARE(wordColor(w()), grey);
    click(ui(w()).Text2); // every click empties, also a typed word
    QCOMPARE(ui(w()).Text2->text(), QString());

    // The hint itself is searched when nothing was typed; case counts.
    ui(w()).Text1->setPlainText("the word Word to find, then Word");
    ui(w()).Text2->setText("Word to find");
    click(ui(w()).Command10);
    QCOMPARE(selected(w()), "Word to find");
    QCOMPARE(ui(w()).Text1->selectionStart(), 9);
    enterWord(w(), "WORD");
    click(ui(w()).Command10);
    QCOMPARE(f->fake.messages.lastText(), finished);
    QCOMPARE(ui(w()).Text1->selectionStart(), 9);

    // An emptied word box steps through the text, selecting nothing.
    ui(w()).Text1->setPlainText("ab");
    f->fake.messages.shown.clear();
    click(ui(w()).Text2);
    click(ui(w()).Command10);
    QCOMPARE(w().viewer().findPosition(), 1);
    QCOMPARE(ui(w()).Text1->selectionLength(), 0);
    click(ui(w()).Command11);
    QCOMPARE(ui(w()).Text1->selectionStart(), 1);
    QCOMPARE(ui(w()).Text1->selectionLength(), 0);
    click(ui(w()).Command11);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(w().viewer().findPosition(), 2);
    click(ui(w()).Command9);
    QVERIFY(ui(w()).fnd->isHidden());
    for (QWidget *button : covered)
        QVERIFY2(button->isVisible(), qPrintable(button->objectName()));
}

void TestTextTools::findStepsThroughOverlaps()
{
    ui(w()).Text1->setPlainText("aaaa");
    click(ui(w()).find);
    enterWord(w(), "aa");
    QCOMPARE(w().viewer().findPosition(), 0);

    click(ui(w()).Command11); // Find next before any Find starts at the beginning
    QCOMPARE(w().viewer().findPosition(), 1);
    for (int position : {2, 3}) {
        click(ui(w()).Command11);
        QCOMPARE(w().viewer().findPosition(), position);
        QCOMPARE(ui(w()).Text1->selectionStart(), position - 1);
        QCOMPARE(ui(w()).Text1->selectionLength(), 2);
    }
    QVERIFY(paneHasFocus(w()));
    QVERIFY(f->fake.messages.shown.isEmpty());

    // Past the last one: the message at each press, everything else as it was.
    for (int press = 1; press <= 2; ++press) {
        ui(w()).Text2->setFocus();
        click(ui(w()).Command11);
        QCOMPARE(f->fake.messages.shown.size(), press);
        QCOMPARE(f->fake.messages.lastText(), finished);
        QCOMPARE(w().viewer().findPosition(), 3);
        QCOMPARE(ui(w()).Text1->selectionStart(), 2);
        QCOMPARE(ui(w()).Text1->selectionLength(), 2);
        QVERIFY(paneHasFocus(w()));
    }
    click(ui(w()).Command10); // Find starts over
    QCOMPARE(w().viewer().findPosition(), 1);
    QCOMPARE(ui(w()).Text1->selectionStart(), 0);

    // An edit while the panel is open is searched at the next press.
    ui(w()).Text1->select(4, 0);
    typeInPane(w(), "xaa");
    for (int position : {2, 3, 6}) {
        click(ui(w()).Command11);
        QCOMPARE(w().viewer().findPosition(), position);
    }
}

void TestTextTools::farMatchesSelectExactly_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    const QByteArray filler(40000, 'x');
    // The formatted document reaches as far in paragraphs of ordinary length: the reader cuts
    // a single very long paragraph into pieces.
    QByteArray rtfFiller;
    for (int i = 0; i < 40; ++i)
        rtfFiller += QByteArray(1000, 'x') + (i < 39 ? "\\par " : "");
    QTest::newRow("plain") << "far.txt"
                           << "line one\r\n" + filler + "\xf0\x9f\x98\x80\r\nfind needle here\r\n";
    QTest::newRow("rtf") << "far.rtf"
                         << R"({\rtf1\ansi {\b line one}\par )" + rtfFiller +
                                R"(\uc1\u-10179?\u-8704?\par find {\i needle} here\par})";
}

void TestTextTools::farMatchesSelectExactly()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    showFile(file, content);
    QVERIFY(ui(w()).Text1->text().contains(grin));

    click(ui(w()).find);
    enterWord(w(), "needle");
    click(ui(w()).Command10);
    QVERIFY(w().viewer().findPosition() > 40000);
    QCOMPARE(selected(w()), "needle");
    QCOMPARE(ui(w()).Text1->selectionStart(), w().viewer().findPosition() - 1);
    click(ui(w()).Command11);
    QCOMPARE(f->fake.messages.lastText(), finished);
    QCOMPARE(selected(w()), "needle");

    enterWord(w(), "x" + grin);
    click(ui(w()).Command10);
    QCOMPARE(selected(w()), "x" + grin);
}

void TestTextTools::capsWhileTyping()
{
    ui(w()).Text1->setPlainText("Some text");
    click(ui(w()).cap);
    QCOMPARE(ui(w()).Text1->text(), "SOME TEXT");
    QVERIFY(ui(w()).cap->isChecked());

    QSignalSpy reactions(ui(w()).Text1, &RichTextBox::textChanged);
    ui(w()).Text1->select(4, 0);
    typeInPane(w(), "x");
    QCOMPARE(ui(w()).Text1->text(), "SOMEX TEXT");
    QCOMPARE(ui(w()).Text1->selectionStart(), 5);
    // The key's change and the conversion's; the nested pass changes nothing.
    QCOMPARE(reactions.size(), 2);

    typeInPane(w(), "\u00DF"); // grows by one
    QCOMPARE(ui(w()).Text1->text(), "SOMEXSS TEXT");
    QCOMPARE(ui(w()).Text1->selectionStart(), 7);

    click(ui(w()).min);
    QCOMPARE(ui(w()).Text1->text(), "somexss text");
    typeInPane(w(), "AB");
    QCOMPARE(ui(w()).Text1->text(), "somexssab text");

    // A right press on the mode not chosen does nothing; on the chosen one it ends the mode.
    click(ui(w()).cap, Qt::RightButton);
    QVERIFY(ui(w()).min->isChecked());
    click(ui(w()).min, Qt::RightButton);
    QVERIFY(!ui(w()).cap->isChecked() && !ui(w()).min->isChecked() &&
            !ui(w()).Option3->isChecked());
    QCOMPARE(ui(w()).Text1->text(), "somexssab text");
    typeInPane(w(), "C");
    QCOMPARE(ui(w()).Text1->text(), "somexssabC text");
    click(ui(w()).cap); // and a mode can be chosen again
    QCOMPARE(ui(w()).Text1->text(), "SOMEXSSABC TEXT");
}

void TestTextTools::caseChangeIsAnEdit()
{
    // A converted text is an edit like typing: Save writes it.
    showFile("a.txt", "Some text\n");
    ui(w()).Text1->select(2, 3);
    click(ui(w()).cap);
    QVERIFY(ui(w()).Text1->isModified());
    QCOMPARE(ui(w()).Text1->selectedText(), "ME ");

    // One undo step, not converted again while the mode is on; a key afterwards is.
    QTest::keySequence(ui(w()).Text1->editor(), QKeySequence::Undo);
    QCOMPARE(ui(w()).Text1->text(), "Some text\n");
    QVERIFY(!ui(w()).Text1->isModified());
    ui(w()).Text1->select(0, 0);
    typeInPane(w(), "x");
    QCOMPARE(ui(w()).Text1->text(), "XSome text\n");
    click(ui(w()).cap);
    click(ui(w()).Command8);
    QCOMPARE(readFile(f->browse("a.txt")), "XSOME TEXT\n");
}

void TestTextTools::pasteFilesAndNomalInMode()
{
    // Nomal before any file was shown from the file list: nothing, silently.
    const QString hint = ui(w()).Text1->text();
    click(ui(w()).Option3);
    QCOMPARE(ui(w()).Text1->text(), hint);
    QVERIFY(f->fake.messages.shown.isEmpty());

    writeFile(f->browse("Upper.txt"), "Mixed Caf\xc3\xa9 TEXT\r\n");
    const QByteArray fancy = R"({\rtf1\ansi {\b Bold} And PLAIN})";
    writeFile(f->browse("Fancy.rtf"), fancy);
    writeFile(f->favorite("fav.txt"), "favorite\r\n");
    ui(w()).File1->refresh();
    ui(w()).File2->refresh();
    click(ui(w()).min);
    choose(ui(w()).File1, "Upper.txt");
    QCOMPARE(ui(w()).Text1->text(), u"mixed caf\u00e9 text\n"_qs);
    choose(ui(w()).File1, "Fancy.rtf"); // converted, its formatting kept
    QVERIFY(ui(w()).Text1->showsRichDocument());
    QCOMPARE(ui(w()).Text1->text(), "bold and plain");
    ui(w()).Text1->select(0, 4);
    QCOMPARE(ui(w()).Text1->selectionBold(), Qt::Checked);
    QCOMPARE(w().existingReader()->readerText(), "Bold And PLAIN");

    QApplication::clipboard()->setText("PASTED\nLines");
    ui(w()).Text1->select(4, 0);
    QTest::keyClick(ui(w()).Text1->focusProxy(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(ui(w()).Text1->text(), "boldpasted\nlines and plain");

    // Nomal reads the file again, as it is, and ends the mode.
    choose(ui(w()).File1, "Upper.txt");
    click(ui(w()).Option3);
    QVERIFY(!ui(w()).min->isChecked());
    QCOMPARE(ui(w()).Text1->text(), u"Mixed Caf\u00e9 TEXT\n"_qs);
    typeInPane(w(), "x");
    QVERIFY(ui(w()).Text1->text().startsWith("xMixed"));

    // Choosing a mode converts a formatted document shown before, which stays formatted.
    // (The edits made to it above come back first; Discard shows the file itself.)
    choose(ui(w()).File1, "Fancy.rtf");
    QCOMPARE(ui(w()).Text1->text(), "boldpasted\nlines and plain");
    w().findChild<QAction *>("actionDiscardDraft")->trigger();
    waitForDisplay(w());
    QVERIFY(ui(w()).Text1->showsRichDocument());
    click(ui(w()).cap);
    QVERIFY(ui(w()).Text1->showsRichDocument());
    QCOMPARE(ui(w()).Text1->text(), "BOLD AND PLAIN");
    ui(w()).Text1->select(4, 0);
    typeInPane(w(), "y");
    QCOMPARE(ui(w()).Text1->text(), "BOLDY AND PLAIN");
    QCOMPARE(ui(w()).Text1->selectionStart(), 5);

    // A favorite shown meanwhile does not change which file is read; its markup shows as text.
    choose(ui(w()).File2, "fav.txt");
    click(ui(w()).Option3);
    QVERIFY(!ui(w()).Text1->showsRichDocument());
    QCOMPARE(ui(w()).Text1->text(), QString::fromLatin1(fancy));

    QFile::remove(f->browse("Fancy.rtf"));
    click(ui(w()).Option3);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY2(f->fake.messages.lastText().contains(QDir::toNativeSeparators(f->browse("Fancy.rtf"))),
             qPrintable(f->fake.messages.lastText()));
    QCOMPARE(ui(w()).Text1->text(), QString::fromLatin1(fancy));
}

void TestTextTools::nomalThenSaveKeepsTheBytes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("edited"); // after typing "X" at the start
    QTest::newRow("utf-8, cr lf") << "a.txt" << QByteArray("Gr\xc3\xbc\xc3\x9f\r\nzwei\r\n")
                                  << QByteArray("XGr\xc3\xbc\xc3\x9f\r\nzwei\r\n");
    QTest::newRow("windows-1252, lf")
        << "b.txt" << QByteArray("na\xefve\nend\n") << QByteArray("Xna\xefve\nend\n");
    QTest::newRow("utf-16 with mark") << "c.txt" << QByteArray("\xff\xfeh\0i\0\r\0\n\0", 10)
                                      << QByteArray("\xff\xfeX\0h\0i\0\r\0\n\0", 12);
    QTest::newRow("rtf markup") << "d.rtf" << QByteArray("{\\rtf1\\ansi {\\b Bold}}\r\n")
                                << QByteArray("X{\\rtf1\\ansi {\\b Bold}}\r\n");
}

void TestTextTools::nomalThenSaveKeepsTheBytes()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, edited);
    showFile(file, content);
    click(ui(w()).min);
    click(ui(w()).Option3);
    // An unedited text is not written at all: the edit makes the save write the file's bytes.
    ui(w()).Text1->select(0, 0);
    type(ui(w()).Text1->editor(), "X");
    click(ui(w()).Command8);
    QVERIFY2(f->fake.messages.shown.isEmpty(), qPrintable(f->fake.messages.lastText()));
    QCOMPARE(readFile(f->browse(file)), edited);
}

void TestTextTools::caseChangeThenSaveKeepsTheDocument_data()
{
    QTest::addColumn<QByteArray>("content");
    const auto file = [](const QString &name) {
        QFile in(fixture(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    QTest::newRow("libreoffice") << file("libreoffice-sample.rtf");
    QTest::newRow("word, fields and links") << file("word-features.rtf");
    QTest::newRow("word, kept formats") << file("word-kept-formats.rtf");
    QTest::newRow("header, footer, footnote, link")
        << QByteArray(R"({\rtf1\ansi\paperw11906\paperh16838{\header\pard Page Head\par})"
                      R"({\footer\pard Page Foot\par}Body{\super\chftn}{\*\footnote\pard)"
                      R"({\super\chftn} Note text} and {\field{\*\fldinst HYPERLINK )"
                      R"("http://Example.org/"}{\fldrslt a Link}}\par})");
}

void TestTextTools::caseChangeThenSaveKeepsTheDocument()
{
    // Make CAP, then Save: the file keeps everything a save without the change keeps (page
    // setup, header, footer, notes, fields, pictures, tables, lists, links); only the case of
    // the text differs.
    QFETCH(QByteArray, content);
    QVERIFY(!content.isEmpty());
    showFile("doc.rtf", content);
    QVERIFY(ui(w()).Text1->showsRichDocument());
    const QByteArray unchanged = RtfWriter::write(*ui(w()).Text1->document());
    const QString text = ui(w()).Text1->text();

    click(ui(w()).cap);
    QVERIFY(ui(w()).Text1->showsRichDocument());
    QVERIFY(ui(w()).Text1->text() != text);
    QCOMPARE(ui(w()).Text1->text().toUpper(), text.toUpper());
    click(ui(w()).Command8);
    QVERIFY2(f->fake.messages.shown.isEmpty(), qPrintable(f->fake.messages.lastText()));
    const QByteArray saved = readFile(f->browse("doc.rtf"));
    QVERIFY2(saved.size() > unchanged.size() * 9 / 10,
             qPrintable(QString("%1 of %2 bytes").arg(saved.size()).arg(unchanged.size())));
    QCOMPARE(readBack(saved).toUpper(), readBack(unchanged).toUpper());

    // One undo: the document as it was before the click, and the mode does not convert it again.
    QTest::keySequence(ui(w()).Text1->editor(), QKeySequence::Undo);
    QVERIFY(ui(w()).cap->isChecked());
    QCOMPARE(ui(w()).Text1->text(), text);
    QCOMPARE(RtfWriter::write(*ui(w()).Text1->document()), unchanged);
}

void TestTextTools::caseModeInAFormattedDocument()
{
    showFile("f.rtf", R"({\rtf1\ansi ab{\b cd}ef})");
    click(ui(w()).min);
    click(ui(w()).cap);
    QCOMPARE(ui(w()).Text1->text(), "ABCDEF");

    // Bold, Italic, Underline and Color work with the mode on.
    ui(w()).Text1->select(0, 1);
    click(ui(w()).Label5);
    click(ui(w()).Label14);
    click(ui(w()).Label15);
    f->fake.dialogs.colorAnswer = QColor(0, 0, 200);
    click(ui(w()).Label16);
    ui(w()).Text1->select(0, 1);
    QCOMPARE(ui(w()).Text1->selectionBold(), Qt::Checked);
    QCOMPARE(ui(w()).Text1->selectionItalic(), Qt::Checked);
    QCOMPARE(ui(w()).Text1->selectionUnderline(), Qt::Checked);
    QCOMPARE(ui(w()).Text1->selectionColor(), QColor(0, 0, 200));
    QVERIFY(ui(w()).Text1->showsRichDocument());

    // Typed into the bold run: capitals in bold, one undo step with the key.
    const QByteArray before = RtfWriter::write(*ui(w()).Text1->document());
    ui(w()).Text1->select(3, 0);
    typeInPane(w(), u"x\u00df"_qs);
    QCOMPARE(ui(w()).Text1->text(), "ABCXSSDEF");
    QCOMPARE(ui(w()).Text1->selectionStart(), 6);
    ui(w()).Text1->select(2, 5);
    QCOMPARE(ui(w()).Text1->selectionBold(), Qt::Checked);
    QTest::keySequence(ui(w()).Text1->editor(), QKeySequence::Undo);
    QCOMPARE(RtfWriter::write(*ui(w()).Text1->document()), before);

    // Pasted text is converted too, and undone with the paste.
    QApplication::clipboard()->setText("pasted");
    ui(w()).Text1->select(6, 0);
    QTest::keySequence(ui(w()).Text1->editor(), QKeySequence::Paste);
    QCOMPARE(ui(w()).Text1->text(), "ABCDEFPASTED");
    QTest::keySequence(ui(w()).Text1->editor(), QKeySequence::Undo);
    QCOMPARE(RtfWriter::write(*ui(w()).Text1->document()), before);

    // Out of the mode, keys type as they are.
    click(ui(w()).cap, Qt::RightButton);
    ui(w()).Text1->select(0, 0);
    typeInPane(w(), "q");
    QCOMPARE(ui(w()).Text1->text(), "qABCDEF");
}

void TestTextTools::boldItalicUnderlineColour()
{
    showFile("f.rtf", R"({\rtf1\ansi ab{\b cd}ef})");
    QVERIFY(ui(w()).Label5->isEnabled());

    // How a selection's states combine is the pane's own test; here, each label's action.
    ui(w()).Text1->select(1, 2); // "bc": partly bold
    click(ui(w()).Label5);
    QCOMPARE(ui(w()).Text1->selectionBold(), Qt::Checked);
    click(ui(w()).Label5);
    QCOMPARE(ui(w()).Text1->selectionBold(), Qt::Unchecked);
    click(ui(w()).Label14);
    QCOMPARE(ui(w()).Text1->selectionItalic(), Qt::Checked);
    click(ui(w()).Label15);
    QCOMPARE(ui(w()).Text1->selectionUnderline(), Qt::Checked);
    QCOMPARE(ui(w()).Text1->text(), "abcdef");

    // Colour: cancelled, nothing changes and nothing is said; chosen, the selection only.
    const QColor before = ui(w()).Text1->selectionColor();
    click(ui(w()).Label16);
    QCOMPARE(f->fake.dialogs.colorAsked, 1);
    QCOMPARE(ui(w()).Text1->selectionColor(), before);
    f->fake.dialogs.colorAnswer = QColor(200, 0, 0);
    click(ui(w()).Label16);
    QCOMPARE(ui(w()).Text1->selectionColor(), QColor(200, 0, 0));
    ui(w()).Text1->select(4, 2);
    QCOMPARE(ui(w()).Text1->selectionColor(), before);
    QVERIFY(f->fake.messages.shown.isEmpty());
}

void TestTextTools::print()
{
    click(ui(w()).Label18); // cancelled: silent
    QCOMPARE(f->fake.dialogs.printerAsked, 1);
    QVERIFY(f->fake.messages.shown.isEmpty());

    QTemporaryDir out;
    QString pdf = out.filePath("printed.pdf");
    printTo(&pdf);
    // A long line is wrapped, a long text runs over pages; every word arrives.
    QStringList words;
    for (int i = 0; i < 40; ++i)
        words.append(QStringLiteral("word%1").arg(i));
    QString text = "Printed \u00FCmlaut text\n" + words.join(' ');
    for (int i = 0; i < 150; ++i)
        text += QStringLiteral("\nline %1").arg(i);
    ui(w()).Text1->setPlainText(text);
    ui(w()).Text1->select(0, 7); // the selection plays no part
    click(ui(w()).Label18);
    QVERIFY(QFile::exists(pdf)); // the document was ended at once
    const QString printed = pdfText(pdf);
    QVERIFY2(printed.section(u'\f', 0, 0).contains("Printed \u00FCmlaut text"),
             qPrintable(printed)); // on the first page, no blank one before it
    QVERIFY(printed.contains(words.last()) && printed.contains("line 149"));
    QVERIFY(printed.count(u'\f') >= 2); // more than one page
    QVERIFY(f->fake.messages.shown.isEmpty());

    // The pages the dialog asked for, and the selection alone.
    printTo(&pdf, QPrinter::PageRange, 2);
    click(ui(w()).Label18);
    QCOMPARE(pdfPages(pdf), 1);
    const QString second = pdfText(pdf);
    QVERIFY2(!second.contains("Printed") && second.contains("line 60"), qPrintable(second));
    printTo(&pdf, QPrinter::Selection);
    click(ui(w()).Label18);
    QCOMPARE(pdfPages(pdf), 1);
    QCOMPARE(pdfText(pdf).trimmed(), "Printed");

    // A printer that cannot be written to is reported.
    pdf = out.filePath("no such folder/printed.pdf");
    QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
    click(ui(w()).Label18);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY2(f->fake.messages.lastText().contains(QDir::toNativeSeparators(pdf)),
             qPrintable(f->fake.messages.lastText()));
}

void TestTextTools::clipboardTakesTheWholeText()
{
    ui(w()).Text1->setPlainText("all of\nthe text");
    ui(w()).Text1->select(0, 3);
    f->fake.clipboard.held = "old";
    click(ui(w()).com);
    QCOMPARE(f->fake.clipboard.calls, (QStringList{"clear", "setText"}));
    QCOMPARE(f->fake.clipboard.held, "all of\nthe text");

    ui(w()).Text1->setPlainText(QString());
    click(ui(w()).Label12);
    QCOMPARE(f->fake.clipboard.held, QString());
}

void TestTextTools::longOperationsRunAside_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("length"); // of the text in the pane
    QTest::newRow("send text to clipboard") << "actionCopyText" << 1000;
    QTest::newRow("send to clip") << "actionSendToClip" << 1000;
    QTest::newRow("find") << "actionFindFirst" << 1000;
    QTest::newRow("make cap") << "actionMakeCap" << int(RichTextBox::undoableMapUpTo) + 1000;
    QTest::newRow("print") << "actionPrint" << 1000;
    QTest::newRow("save") << "actionSave" << 1000;
    QTest::newRow("save as") << "actionSaveAs" << 1000;
    QTest::newRow("add to favorites") << "actionAddToFavorites" << 1000;
}

// Each long operation goes through the runner, on its thread: the window is free at once and
// the operations on the text wait; when it is over, its result is there.
void TestTextTools::longOperationsRunAside()
{
    QFETCH(QString, action);
    QFETCH(int, length);
    pgwell &window = w();
    Viewer &viewer = window.viewer();
    viewer.operations().setBackgroundFrom(0);
    viewer.operations().setProgress(nullptr);
    QTemporaryDir out;
    const QString file = f->browse("shown.txt");
    showFile("shown.txt", "shown\n");
    QTRY_COMPARE(viewer.shownFile().path, file);
    QString text = QString(length - 12, u'a') + "\nneedle end\n";
    ui(window).Text1->setPlainText(text);
    viewer.setClipFolderSetting(out.path());
    const QString pdf = out.filePath("printed.pdf");
    printTo(&pdf);
    f->fake.dialogs.saveAnswers.enqueue(out.filePath("as.txt"));
    if (action == "actionFindFirst") {
        click(ui(window).find);
        enterWord(window, "needle");
    }
    auto *operation = window.findChild<QAction *>(action);
    QVERIFY(operation);
    operation->trigger();
    QVERIFY(viewer.isBusy());
    QVERIFY(ui(window).Text1->holdsEdits());
    typeInPane(window, "Z"); // refused while the operation works on the text
    // One at a time: the other operations wait.
    for (const char *other : {"actionSave", "actionCopyText", "actionPrint", "actionMakeMin"})
        QVERIFY2(!window.findChild<QAction *>(other)->isEnabled(), other);
    QTRY_VERIFY(!viewer.isBusy());
    QVERIFY(!ui(window).Text1->holdsEdits());
    QVERIFY(window.findChild<QAction *>("actionSave")->isEnabled());
    QVERIFY(!ui(window).Text1->text().contains(u'Z'));
    if (action == "actionCopyText") {
        QCOMPARE(f->fake.clipboard.held, text);
    } else if (action == "actionSendToClip") {
        QCOMPARE(readFile(ClipSlots::path(out.path(), 1)), ClipSlots::content(text));
    } else if (action == "actionFindFirst") {
        QCOMPARE(selected(window), "needle");
    } else if (action == "actionMakeCap") {
        QCOMPARE(ui(window).Text1->text(), text.toUpper());
        QVERIFY(ui(window).Text1->isModified());
    } else if (action == "actionPrint") {
        QVERIFY(pdfText(pdf).contains("needle end"));
    } else if (action == "actionSave") {
        QCOMPARE(readFile(file), text.toUtf8());
    } else if (action == "actionSaveAs") {
        QCOMPARE(readFile(out.filePath("as.txt")), text.toUtf8());
    } else if (action == "actionAddToFavorites") {
        QCOMPARE(readFile(f->favorite("shown.txt")), text.toUtf8());
    }
    QVERIFY2(f->fake.messages.shown.size() <= (action == "actionSendToClip" ? 1 : 0),
             qPrintable(f->fake.messages.lastText()));
}

QTEST_MAIN(TestTextTools)
#include "tst_texttools.moc"
