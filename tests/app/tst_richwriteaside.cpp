// SPDX-License-Identifier: GPL-3.0-or-later
// A formatted document is read beside the window, in turns with it: Save, Save as and the draft
// write the bytes the writer makes of the document at once, Copy and Find work on the text the
// document gives at once, and a cancel before the end leaves the old file (or none) and the
// clipboard as they were.
#include "controls/richtextbox.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"
#include "viewer/draftkeeper.h"
#include "viewer/draftstore.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"
#include "windowtest.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>
#include <QThread>

namespace {

QString fixture(const QString &name)
{
    return qEnvironmentVariable("PAGEWELL_FIXTURES") + "/rtf/" + name;
}

// The formatted fixtures, and a document of many paragraphs that takes many turns.
void fixtureRows()
{
    QTest::addColumn<QByteArray>("content");
    const QStringList names = QDir(qEnvironmentVariable("PAGEWELL_FIXTURES") + "/rtf")
                                  .entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    QVERIFY(names.size() >= 10);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << readFile(fixture(name));
    QByteArray many = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    for (int i = 0; i < 3000; ++i)
        many += "Paragraph " + QByteArray::number(i) + " with {\\b bold} and {\\i italic}.\\par\n";
    many += "}";
    QTest::newRow("3000 paragraphs") << many;
}

} // namespace

class TestRichWriteAside : public WindowTest
{
    Q_OBJECT

private:
    pgwell &w() { return *f->w; }
    // Shows content as doc.rtf, edited by one typed letter; false when it is not shown
    // formatted.
    bool showEdited(const QByteArray &content);

private slots:
    void saveWritesTheDocument_data();
    void saveWritesTheDocument();
    void cancelledSaveWritesNothing_data();
    void cancelledSaveWritesNothing();
    void draftIsTheDocument_data();
    void draftIsTheDocument();
    void draftWaitedForIsWrittenAtOnce();
    void leftDocumentKeepsItsDraft_data();
    void leftDocumentKeepsItsDraft();
    void discardedDraftIsKeptAsVersion();
    void longDraftComesBackBuiltAside();
    void copyAndFindTakeTheText_data();
    void copyAndFindTakeTheText();
    void cancelledCopyCopiesNothing();
};

bool TestRichWriteAside::showEdited(const QByteArray &content)
{
    f->open();
    writeFile(f->browse("doc.rtf"), content);
    ui(w()).File1->refresh();
    choose(ui(w()).File1, "doc.rtf");
    if (!ui(w()).Text1->showsRichDocument() || ui(w()).Text1->isReadOnly())
        return false;
    QTest::sendKeyEvent(QTest::Click, ui(w()).Text1->editor(), Qt::Key_unknown, "X", {});
    return ui(w()).Text1->isModified();
}

void TestRichWriteAside::saveWritesTheDocument_data()
{
    fixtureRows();
}

void TestRichWriteAside::saveWritesTheDocument()
{
    // Save and Save as on the operations' thread write the very bytes the writer makes of the
    // document on the window's thread.
    QFETCH(QByteArray, content);
    if (!showEdited(content))
        QSKIP("shown as text");
    Viewer &viewer = w().viewer();
    viewer.operations().setBackgroundFrom(0);
    const QByteArray expected = RtfWriter::write(*ui(w()).Text1->document());

    ui(w()).Command8->click();
    QVERIFY(viewer.isBusy());
    QTRY_VERIFY(!viewer.isBusy());
    QVERIFY2(f->fake.messages.shown.isEmpty(), qPrintable(f->fake.messages.lastText()));
    QCOMPARE(readFile(f->browse("doc.rtf")), expected);
    QVERIFY(!ui(w()).Text1->isModified());

    f->fake.dialogs.saveAnswers.enqueue(f->browse("copy.rtf"));
    ui(w()).Command6->click();
    QTRY_VERIFY(!viewer.isBusy());
    QVERIFY2(f->fake.messages.shown.isEmpty(), qPrintable(f->fake.messages.lastText()));
    QCOMPARE(readFile(f->browse("copy.rtf")), expected);
}

void TestRichWriteAside::cancelledSaveWritesNothing_data()
{
    QTest::addColumn<bool>("saveAs");
    QTest::newRow("Save") << false;
    QTest::newRow("Save as") << true;
}

void TestRichWriteAside::cancelledSaveWritesNothing()
{
    // Cancelled before its first turn: the old file stays, Save as makes none, the pane keeps
    // the edit.
    QFETCH(bool, saveAs);
    const QByteArray content = R"({\rtf1\ansi one {\b two} three\par})";
    QVERIFY(showEdited(content));
    Viewer &viewer = w().viewer();
    viewer.operations().setBackgroundFrom(0);
    const QString target = f->browse(saveAs ? "copy.rtf" : "doc.rtf");
    if (saveAs) {
        f->fake.dialogs.saveAnswers.enqueue(target);
        ui(w()).Command6->click();
    } else {
        ui(w()).Command8->click();
    }
    QVERIFY(viewer.isBusy());
    viewer.operations().cancel();
    QTRY_VERIFY(!viewer.isBusy());
    QVERIFY(f->fake.messages.shown.isEmpty());
    QCOMPARE(readFile(f->browse("doc.rtf")), content);
    QCOMPARE(QFileInfo::exists(f->browse("copy.rtf")), false);
    QCOMPARE(QDir(f->browsed.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QVERIFY(ui(w()).Text1->isModified());
    QVERIFY(!ui(w()).Text1->holdsEdits());
}

void TestRichWriteAside::draftIsTheDocument_data()
{
    fixtureRows();
}

void TestRichWriteAside::draftIsTheDocument()
{
    // The draft kept a moment after the edit, made on the drafts' thread in turns with the
    // window, is the document as the writer makes it.
    QFETCH(QByteArray, content);
    if (!showEdited(content))
        QSKIP("shown as text");
    const QByteArray expected = RtfWriter::write(*ui(w()).Text1->document());
    const DraftStore &store = w().viewer().drafts().store();
    const QString path = f->browse("doc.rtf");
    QTRY_VERIFY_WITH_TIMEOUT(store.read(path).has_value(), 20000);
    const std::optional<Draft> draft = store.read(path);
    QCOMPARE(draft->kind, Draft::Kind::Rich);
    QCOMPARE(draft->rtf, expected);
}

void TestRichWriteAside::draftWaitedForIsWrittenAtOnce()
{
    // A draft asked for and waited for on the window's thread is written without waiting for
    // turns the waiting window cannot give, and it holds the latest edit.
    QByteArray many = "{\\rtf1\\ansi ";
    for (int i = 0; i < 2000; ++i)
        many += "Line " + QByteArray::number(i) + "\\par\n";
    many += "}";
    QVERIFY(showEdited(many));
    DraftKeeper &drafts = w().viewer().drafts();
    // The draft goes aside and waits for its first turn; one more edit, then the window waits.
    drafts.flushAside();
    QTest::sendKeyEvent(QTest::Click, ui(w()).Text1->editor(), Qt::Key_unknown, "Y", {});
    drafts.flush();
    drafts.waitUntilWritten();
    const std::optional<Draft> draft = drafts.store().read(f->browse("doc.rtf"));
    QVERIFY(draft.has_value());
    QCOMPARE(draft->rtf, RtfWriter::write(*ui(w()).Text1->document()));
}

void TestRichWriteAside::leftDocumentKeepsItsDraft_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("leave");
    QByteArray many = "{\\rtf1\\ansi ";
    for (int i = 0; i < 2000; ++i)
        many += "Line " + QByteArray::number(i) + " {\\b bold}\\par\n";
    many += "}";
    const QByteArray one = R"({\rtf1\ansi one {\b two} three\par})";
    for (const char *leave : {"another file chosen", "plain text put in", "document put in"}) {
        QTest::addRow("one paragraph, %s", leave) << one << QString(leave);
        QTest::addRow("2000 paragraphs, %s", leave) << many << QString(leave);
    }
}

void TestRichWriteAside::leftDocumentKeepsItsDraft()
{
    // The last draft of a document the pane lets go of is its RTF, made in the window's turns
    // from the document kept for it after it left; until then, what was typed is on disk as
    // text.
    QFETCH(QByteArray, content);
    QFETCH(QString, leave);
    QVERIFY(showEdited(content));
    writeFile(f->browse("other.txt"), "other\n");
    ui(w()).File1->refresh();
    RichTextBox &pane = *ui(w()).Text1;
    const QString path = f->browse("doc.rtf");
    const QByteArray expected = RtfWriter::write(*pane.document());
    const QString typed = pane.document()->toPlainText();
    DraftKeeper &drafts = w().viewer().drafts();
    if (leave == "another file chosen") {
        choose(ui(w()).File1, "other.txt");
        QCOMPARE(pane.text(), QString("other\n"));
    } else {
        drafts.flush();
        // No events handled, so no turn given: the text alone gets to disk.
        std::optional<Draft> draft;
        for (int i = 0; i < 1000 && !draft; ++i) {
            QThread::msleep(10);
            draft = drafts.store().read(path);
        }
        QVERIFY(draft.has_value());
        QCOMPARE(draft->kind, Draft::Kind::Text);
        QCOMPARE(draft->text.text(), typed);
        // The document leaves the pane before the first turn.
        drafts.setQuiet(true);
        if (leave == "plain text put in")
            pane.showEditedText(TextBuffer(QStringLiteral("plain")));
        else
            pane.setRichDocument(new QTextDocument);
        drafts.setQuiet(false);
    }
    QTRY_VERIFY_WITH_TIMEOUT(drafts.store().read(path).has_value() &&
                                 drafts.store().read(path)->kind == Draft::Kind::Rich,
                             20000);
    QCOMPARE(drafts.store().read(path)->rtf, expected);
    QTRY_VERIFY(!drafts.writesInTurns());
}

void TestRichWriteAside::discardedDraftIsKeptAsVersion()
{
    // A formatted draft shown again and discarded is kept among the versions as its RTF, made
    // beside the window while the file is shown again.
    QByteArray many = "{\\rtf1\\ansi ";
    for (int i = 0; i < 2000; ++i)
        many += "Line " + QByteArray::number(i) + " {\\i slanted}\\par\n";
    many += "}";
    QVERIFY(showEdited(many));
    Viewer &viewer = w().viewer();
    writeFile(f->browse("other.txt"), "other\n");
    ui(w()).File1->refresh();
    choose(ui(w()).File1, "other.txt");
    QTRY_VERIFY(!viewer.drafts().writesInTurns());
    choose(ui(w()).File1, "doc.rtf");
    QTRY_VERIFY(viewer.offersDiscard());
    RichTextBox &pane = *ui(w()).Text1;
    QVERIFY(pane.isModified());
    const QByteArray expected = RtfWriter::write(*pane.document());
    const QString path = f->browse("doc.rtf");
    const qsizetype before = viewer.versions().list(path).size();

    viewer.discardDraft();
    QTRY_VERIFY_WITH_TIMEOUT(viewer.versions().list(path).size() > before, 20000);
    QCOMPARE(readFile(viewer.versions().list(path).constFirst().file), expected);
    QTRY_VERIFY(!viewer.isLoading());
    QVERIFY(!pane.isModified());
    QVERIFY(pane.text().startsWith("Line 0 slanted"));
    QTRY_VERIFY(!viewer.drafts().store().read(path).has_value());
}

void TestRichWriteAside::longDraftComesBackBuiltAside()
{
    // A long formatted draft shown again is built into its document on the drafts' thread and
    // handed to the window: the pane shows the very document that was left, as an edit.
    QByteArray many = "{\\rtf1\\ansi ";
    for (int i = 0; i < 4000; ++i)
        many += "Line " + QByteArray::number(i) + " {\\b strong}\\par\n";
    many += "}";
    QVERIFY(showEdited(many));
    RichTextBox &pane = *ui(w()).Text1;
    const QByteArray left = RtfWriter::write(*pane.document());
    QVERIFY(left.size() > Viewer::richDraftAtOnce);
    Viewer &viewer = w().viewer();
    const QString path = f->browse("doc.rtf");
    writeFile(f->browse("other.txt"), "other\n");
    ui(w()).File1->refresh();
    choose(ui(w()).File1, "other.txt");
    QTRY_VERIFY(!viewer.drafts().writesInTurns());
    QTRY_VERIFY(viewer.drafts().store().read(path).has_value() &&
                viewer.drafts().store().read(path)->kind == Draft::Kind::Rich);
    choose(ui(w()).File1, "doc.rtf");
    QTRY_VERIFY_WITH_TIMEOUT(pane.isModified() && viewer.offersDiscard(), 20000);
    QVERIFY(pane.showsRichDocument());
    QTextDocument read; // what the draft's RTF reads as (the size of the typed letter, named)
    RtfReader::read(left, &read);
    QCOMPARE(RtfWriter::write(*pane.document()), RtfWriter::write(read));
    QVERIFY(pane.text().startsWith("XLine 0 strong"));
    // The pane owns it: a key goes in.
    QTest::sendKeyEvent(QTest::Click, pane.editor(), Qt::Key_unknown, "Q", {});
    QVERIFY(pane.text().startsWith("QXLine 0 strong"));
}

void TestRichWriteAside::copyAndFindTakeTheText_data()
{
    fixtureRows();
}

void TestRichWriteAside::copyAndFindTakeTheText()
{
    QFETCH(QByteArray, content);
    if (!showEdited(content))
        QSKIP("shown as text");
    Viewer &viewer = w().viewer();
    viewer.operations().setBackgroundFrom(0);
    const QString expected = ui(w()).Text1->document()->toPlainText();

    w().findChild<QAction *>("actionCopyText")->trigger();
    QVERIFY(viewer.isBusy());
    QTRY_VERIFY(!viewer.isBusy());
    QCOMPARE(f->fake.clipboard.held, expected);

    // The last word of some length, found where the text has it.
    const QStringList words = expected.split(QRegularExpression("\\W+"), Qt::SkipEmptyParts);
    QString word;
    for (qsizetype i = words.size() - 1; i >= 0 && word.size() < 4; --i)
        word = words[i];
    if (word.size() < 4)
        return;
    QTest::mouseClick(ui(w()).find, Qt::LeftButton);
    ui(w()).Text2->setText(word);
    QTest::mouseClick(ui(w()).Command10, Qt::LeftButton);
    QTRY_VERIFY(!viewer.isBusy());
    QVERIFY2(f->fake.messages.shown.isEmpty(), qPrintable(f->fake.messages.lastText()));
    QCOMPARE(viewer.findPosition(), expected.indexOf(word) + 1);
}

void TestRichWriteAside::cancelledCopyCopiesNothing()
{
    QVERIFY(showEdited(R"({\rtf1\ansi one {\b two} three\par})"));
    Viewer &viewer = w().viewer();
    viewer.operations().setBackgroundFrom(0);
    f->fake.clipboard.held = "before";
    w().findChild<QAction *>("actionCopyText")->trigger();
    QVERIFY(viewer.isBusy());
    viewer.operations().cancel();
    QTRY_VERIFY(!viewer.isBusy());
    QCOMPARE(f->fake.clipboard.held, QString("before"));
}

QTEST_MAIN(TestRichWriteAside)
#include "tst_richwriteaside.moc"
