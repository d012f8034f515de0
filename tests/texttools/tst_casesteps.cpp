// SPDX-License-Identifier: GPL-3.0-or-later
// Make CAP and Make Min on a long formatted document, which is converted in steps on the
// window's thread: the steps give what a conversion at once gives, the window shows their
// progress, and a cancel takes back all of it, leaving the document as it was.
#include "controls/richtextbox.h"
#include "controls/richtextmapping.h"
#include "panemenu.h"
#include "platform/operationprogress.h"
#include "rtf/rtfdocumentdump.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"
#include "texttools/caseconversion.h"
#include "viewer/draftkeeper.h"
#include "viewer/draftstore.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"
#include "viewer/windowturns.h"
#include "windowtest.h"

#include <QDir>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QThread>

namespace {

RichTextBox::Map caseMap(CaseMode mode)
{
    return [mode](QString &piece) {
        return CaseConversion::convertInPlace(piece, mode);
    };
}

// What the document holds, and what a save writes of it.
QString written(const QTextDocument &document)
{
    return RtfDocumentDump::dump(document) + "\n" + QString::fromLatin1(RtfWriter::write(document));
}

// The fixture, again and again until it is longer than what is converted at once.
QTextDocument *longDocument(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    QTextDocument once;
    RtfReader::read(file.readAll(), &once);
    const QTextDocumentFragment fragment(&once);
    auto *document = new QTextDocument;
    QTextCursor end(document);
    while (document->characterCount() <= RichTextBox::mappedAtOnceUpTo && !once.isEmpty()) {
        end.movePosition(QTextCursor::End);
        end.insertFragment(fragment);
        end.insertBlock();
    }
    document->setModified(false);
    document->clearUndoRedoStacks();
    return document;
}

// Paragraphs in mixed case with a bold word each: every step of a conversion changes text.
QTextDocument *mixedCaseDocument(int paragraphs)
{
    QByteArray content = R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 )";
    for (int i = 0; i < paragraphs; ++i)
        content += "PaRaGrApH " + QByteArray::number(i) + R"( WiTh {\b BoLd} WoRdS.\par )";
    content += "}";
    auto *document = new QTextDocument;
    RtfReader::read(content, document);
    return document;
}

class FakeProgress : public OperationProgress
{
public:
    QStringList labels;
    int hidden = 0;
    std::function<void()> cancel;
    void show(const QString &label, int, std::function<void()> cancelIt) override
    {
        labels.append(label);
        cancel = std::move(cancelIt);
    }
    void hide() override { ++hidden; }
};

} // namespace

class TestCaseSteps : public WindowTest
{
    Q_OBJECT

private slots:
    void stepsGiveWhatOnceGives_data();
    void stepsGiveWhatOnceGives();
    void cancelTakesAllBack_data();
    void cancelTakesAllBack();
    void theWindowShowsProgressAndCancels_data();
    void theWindowShowsProgressAndCancels();
    void noDraftOfAHalfConvertedDocument();
    void aConversionInStepsIsUndoneWhole();
    void stepsTakeNoKeysWhateverOperationsDo();
    void writingWaitsForTheSteps_data();
    void writingWaitsForTheSteps();
};

namespace {

void fixtureRows()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("mode");
    const QDir rtf(qEnvironmentVariable("PAGEWELL_FIXTURES") + "/rtf");
    const QStringList names = rtf.entryList({"*.rtf"}, QDir::Files, QDir::Name);
    QVERIFY(!names.isEmpty());
    for (const QString &name : names) {
        QTest::addRow("%s CAP", qPrintable(name)) << rtf.filePath(name) << int(CaseMode::Upper);
        QTest::addRow("%s Min", qPrintable(name)) << rtf.filePath(name) << int(CaseMode::Lower);
    }
}

} // namespace

void TestCaseSteps::stepsGiveWhatOnceGives_data()
{
    fixtureRows();
}

void TestCaseSteps::stepsGiveWhatOnceGives()
{
    QFETCH(QString, path);
    QFETCH(int, mode);
    QTextDocument *document = longDocument(path);
    QVERIFY(document);
    RichTextBox once;
    once.setRichDocument(document->clone());
    QVERIFY(once.mapText(caseMap(CaseMode(mode))));
    once.richText(); // the rest at once
    QVERIFY(!once.isMapping());

    RichTextBox stepped;
    stepped.setRichDocument(document);
    QVERIFY(stepped.mapText(caseMap(CaseMode(mode))));
    QVERIFY(stepped.isMapping());
    QTRY_VERIFY_WITH_TIMEOUT(!stepped.isMapping(), 60000);
    QCOMPARE(written(*stepped.document()), written(*once.document()));
    QCOMPARE(stepped.isModified(), once.isModified());
}

void TestCaseSteps::cancelTakesAllBack_data()
{
    fixtureRows();
}

// A paragraph a step, cancelled part of the way: the document, its formats and kept parts, its
// modified state and the selection are as before; there is nothing to redo.
void TestCaseSteps::cancelTakesAllBack()
{
    QFETCH(QString, path);
    QFETCH(int, mode);
    QTextEdit editor;
    QTextDocument *document = longDocument(path);
    QVERIFY(document);
    document->setParent(&editor);
    editor.setDocument(document);
    QTextCursor selection(document);
    selection.setPosition(3);
    selection.setPosition(9, QTextCursor::KeepAnchor);
    editor.setTextCursor(selection);
    const QString before = written(*document);
    QVERIFY(!document->isModified());

    RichTextMapping mapping(editor, 0, document->characterCount(), caseMap(CaseMode(mode)), false);
    mapping.runInSteps(0);
    QVERIFY(editor.isReadOnly());
    while (mapping.percent() < 30)
        QCoreApplication::processEvents();
    QVERIFY(!mapping.isFinished());
    mapping.cancel();
    // Taken back in steps as well, the editor read-only until the last (a fixture already in
    // case may have had nothing to change yet).
    QCOMPARE(!mapping.isFinished(), mapping.changedText());
    QCOMPARE(editor.isReadOnly(), mapping.changedText());
    QTRY_VERIFY_WITH_TIMEOUT(mapping.isFinished(), 60000);
    QVERIFY(!editor.isReadOnly());
    QCOMPARE(written(*document), before);
    QVERIFY(!document->isModified());
    QVERIFY(!document->isRedoAvailable());
    QCOMPARE(editor.textCursor().anchor(), 3);
    QCOMPARE(editor.textCursor().position(), 9);
}

void TestCaseSteps::theWindowShowsProgressAndCancels_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("Make CAP, cancelled") << "actionMakeCap"
                                         << "Making capitals\u2026" << true;
    QTest::newRow("Make Min, cancelled") << "actionMakeMin"
                                         << "Making small letters\u2026" << true;
    QTest::newRow("Make CAP to the end") << "actionMakeCap"
                                         << "Making capitals\u2026" << false;
}

void TestCaseSteps::theWindowShowsProgressAndCancels()
{
    QFETCH(QString, action);
    QFETCH(QString, label);
    QFETCH(bool, cancel);
    QByteArray rtf = R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 )";
    for (int i = 0; i < 4000; ++i)
        // Mixed case, so that either conversion has many edits in every paragraph and
        // cannot end within its first step, before the cancel is seen.
        rtf += "PaRaGrApH " + QByteArray::number(i) +
               R"( WiTh {\b BoLd} AnD {\i SlAnTeD} WoRdS.\par )";
    rtf += "}";
    writeFile(f->browse("long.rtf"), rtf);
    pgwell &window = f->open();
    ui(window).File1->refresh();
    choose(ui(window).File1, "long.rtf");
    RichTextBox &pane = *ui(window).Text1;
    QVERIFY(pane.showsRichDocument());
    const QString before = written(*pane.document());
    Viewer &viewer = window.viewer();
    FakeProgress progress;
    qint64 now = 0;
    viewer.operations().setProgress(&progress);
    viewer.operations().setClock([&now] { return now; });

    window.findChild<QAction *>(action)->trigger();
    QVERIFY(viewer.isBusy());
    QVERIFY(pane.isMapping());
    for (const char *other : {"actionSave", "actionCopyText", "actionMakeMin", "actionMakeCap"})
        QVERIFY2(!window.findChild<QAction *>(other)->isEnabled(), other);
    now = LongOperation::progressAfterMs;
    viewer.operations().poll();
    QCOMPARE(progress.labels, QStringList{label});
    if (cancel)
        progress.cancel();
    QTRY_VERIFY_WITH_TIMEOUT(!viewer.isBusy(), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!pane.isMapping(), 60000);
    QCOMPARE(progress.hidden, 1);
    if (cancel) {
        QCOMPARE(written(*pane.document()), before);
        QVERIFY(!pane.isModified());
        QVERIFY(!pane.canRedo());
        QVERIFY(!ui(window).cap->isChecked() && !ui(window).min->isChecked());
    } else {
        QVERIFY(pane.text().startsWith("PARAGRAPH 0 WITH BOLD AND SLANTED WORDS."));
        QVERIFY(!pane.text().contains("PaRaGrApH"));
        QVERIFY(pane.isModified());
        QVERIFY(ui(window).cap->isChecked());
        QTest::keySequence(pane.focusProxy(), QKeySequence::Undo); // one step, in steps
        QTRY_VERIFY_WITH_TIMEOUT(!pane.isMapping(), 60000);
        QCOMPARE(written(*pane.document()), before);
    }
    viewer.operations().setProgress(nullptr);
}

// A draft due while the conversion goes on waits for it: the steps go on between the window's
// events, and the draft, when written, holds the converted document.
void TestCaseSteps::noDraftOfAHalfConvertedDocument()
{
    QByteArray rtf = R"({\rtf1\ansi )";
    for (int i = 0; i < 4000; ++i)
        rtf += "Line " + QByteArray::number(i) + R"( {\b bold}\par )";
    rtf += "}";
    const QString path = f->browse("long.rtf");
    writeFile(path, rtf);
    pgwell &window = f->open();
    ui(window).File1->refresh();
    choose(ui(window).File1, "long.rtf");
    RichTextBox &pane = *ui(window).Text1;
    QVERIFY(pane.showsRichDocument());
    pane.select(0, 0);
    QTest::sendKeyEvent(QTest::Click, pane.editor(), Qt::Key_unknown, "x", {});
    DraftKeeper &drafts = window.viewer().drafts();
    window.findChild<QAction *>("actionMakeCap")->trigger();
    QVERIFY(pane.isMapping());
    drafts.flushAside(); // as when its time comes
    QVERIFY(pane.isMapping());
    QTRY_VERIFY_WITH_TIMEOUT(!window.viewer().isBusy(), 60000);
    QVERIFY(pane.text().startsWith("XLINE 0 BOLD"));
    const QByteArray converted = RtfWriter::write(*pane.document());
    QTRY_VERIFY_WITH_TIMEOUT(drafts.store().read(path).has_value() &&
                                 drafts.store().read(path)->rtf == converted,
                             20000);
}

// A conversion made in steps is one step for undo and redo, taken back and made again in steps:
// by the keys and by the pane's menu. What was typed before and after it are steps of their own.
void TestCaseSteps::aConversionInStepsIsUndoneWhole()
{
    RichTextBox pane;
    pane.setRichDocument(mixedCaseDocument(4000));
    const QString original = written(*pane.document());
    const auto press = [&pane](QKeySequence::StandardKey key) {
        QTest::keySequence(pane.focusProxy(), key);
    };
    // Whether the change goes on in steps, the pane taking no keys, until it is over.
    const auto inSteps = [&pane] {
        const auto *editor = qobject_cast<QTextEdit *>(pane.editor());
        const bool stepped = pane.isMapping() && editor->isReadOnly();
        return QTest::qWaitFor([&pane] { return !pane.isMapping(); }, 60000) && stepped &&
               !editor->isReadOnly();
    };
    pane.select(0, 0);
    QTest::keyClicks(pane.focusProxy(), "x");
    const QString typed = written(*pane.document());
    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    QVERIFY(inSteps());
    const QString converted = written(*pane.document());
    QVERIFY(pane.text().startsWith("XPARAGRAPH 0 WITH BOLD"));
    pane.select(0, 0);
    QTest::keyClicks(pane.focusProxy(), "y");

    press(QKeySequence::Undo); // the letter alone
    QVERIFY(!pane.isMapping());
    QCOMPARE(written(*pane.document()), converted);
    press(QKeySequence::Undo);
    QVERIFY(inSteps());
    QCOMPARE(written(*pane.document()), typed);
    press(QKeySequence::Redo);
    QVERIFY(inSteps());
    QCOMPARE(written(*pane.document()), converted);

    QMenu *menu = openPaneMenu(pane);
    QVERIFY(menu);
    QAction *undo = menu->findChild<QAction *>("edit-undo");
    QVERIFY(undo);
    undo->trigger();
    menu->close();
    QVERIFY(inSteps());
    QCOMPARE(written(*pane.document()), typed);

    // An edit after the undo: the conversion cannot be redone; the letter before it is undone.
    pane.select(0, 0);
    QTest::keyClicks(pane.focusProxy(), "z");
    press(QKeySequence::Undo);
    QCOMPARE(written(*pane.document()), typed);
    press(QKeySequence::Redo);
    press(QKeySequence::Redo);
    QVERIFY(!pane.isMapping());
    QVERIFY(pane.text().startsWith("zxPaRaGrApH 0"));
    press(QKeySequence::Undo);
    press(QKeySequence::Undo);
    QCOMPARE(written(*pane.document()), original);
}

// An operation that ends while a conversion or its undo goes on in steps does not open the pane
// to keys (a key between two steps would be undone in their place); one that begins meanwhile
// keeps it closed after the last step.
void TestCaseSteps::stepsTakeNoKeysWhateverOperationsDo()
{
    RichTextBox pane;
    pane.setRichDocument(mixedCaseDocument(4000));
    const auto *editor = qobject_cast<QTextEdit *>(pane.editor());
    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    QVERIFY(pane.isMapping());
    pane.holdEdits(true);
    pane.holdEdits(false);
    QVERIFY(editor->isReadOnly());
    pane.holdEdits(true);
    QTRY_VERIFY_WITH_TIMEOUT(!pane.isMapping(), 60000);
    QVERIFY(editor->isReadOnly());
    pane.holdEdits(false);
    QVERIFY(!editor->isReadOnly());

    QTest::keySequence(pane.focusProxy(), QKeySequence::Undo);
    QVERIFY(pane.isMapping());
    pane.holdEdits(true);
    pane.holdEdits(false);
    QVERIFY(editor->isReadOnly());
    QTRY_VERIFY_WITH_TIMEOUT(!pane.isMapping(), 60000);
    QVERIFY(!editor->isReadOnly());
    QVERIFY(pane.text().startsWith("PaRaGrApH 0"));
}

void TestCaseSteps::writingWaitsForTheSteps_data()
{
    QTest::addColumn<bool>("rtf");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("RTF, conversion finished") << true << false;
    QTest::newRow("RTF, conversion cancelled") << true << true;
    QTest::newRow("text, conversion finished") << false << false;
    QTest::newRow("text, conversion cancelled") << false << true;
}

// A save or a copy asked for while a conversion goes on in steps leaves the steps going on;
// what it reads beside the window is the document at their end: all converted, or, cancelled,
// as it was before. Never a document converted in part.
void TestCaseSteps::writingWaitsForTheSteps()
{
    QFETCH(bool, rtf);
    QFETCH(bool, cancel);
    QByteArray content = R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 )";
    for (int i = 0; i < 20000; ++i)
        content += "PaRaGrApH " + QByteArray::number(i) + R"( WiTh {\b BoLd} WoRdS.\par )";
    content += "}";
    auto *document = new QTextDocument;
    RtfReader::read(content, document);
    RichTextBox pane;
    pane.setRichDocument(document);
    const QByteArray rtfBefore = RtfWriter::write(*pane.document());
    const QString textBefore = pane.document()->toPlainText();

    QVERIFY(pane.mapText(caseMap(CaseMode::Upper)));
    QVERIFY(pane.isMapping());
    const PanePort::RichTextWriting writing = rtf ? pane.richTextWriting() : nullptr;
    const RichTextBox::TextSnapshotWriting snapshot = rtf ? nullptr : pane.textSnapshotWriting();
    QVERIFY(pane.isMapping()); // not finished at once
    WindowTurns turns(&pane);
    std::optional<QByteArray> bytes;
    std::optional<TextBuffer> text;
    QThread *work = QThread::create([&] {
        if (rtf)
            bytes = turns.madeInTurns(writing, [] { return false; });
        else
            text = turns.madeInTurns(snapshot, [] { return false; });
    });
    work->start();
    // The worker reads what this function holds: whatever a check below says, it ends first.
    const auto joined = qScopeGuard([&] {
        pane.cancelMapping();
        while (!work->isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        delete work;
    });
    if (cancel) {
        // One turn of the loop at a time: a wait of its own could see the steps through to
        // their end on a slow machine.
        while (pane.isMapping() && pane.mappingPercent() < 10)
            QCoreApplication::processEvents();
        QVERIFY(pane.isMapping());
        pane.cancelMapping();
    }
    QTRY_VERIFY_WITH_TIMEOUT(work->isFinished(), 60000);
    QVERIFY(!pane.isMapping());
    if (cancel) {
        QVERIFY(pane.text().startsWith("PaRaGrApH 0"));
    } else {
        QVERIFY(pane.text().startsWith("PARAGRAPH 0 WITH BOLD"));
        QVERIFY(!pane.text().contains("PaRaGrApH"));
    }
    if (rtf) {
        QVERIFY(bytes.has_value());
        QCOMPARE(*bytes, cancel ? rtfBefore : RtfWriter::write(*pane.document()));
    } else {
        QVERIFY(text.has_value());
        QCOMPARE(text->text(), cancel ? textBefore : pane.document()->toPlainText());
    }
}

QTEST_MAIN(TestCaseSteps)
#include "tst_casesteps.moc"
