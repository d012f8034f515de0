// SPDX-License-Identifier: GPL-3.0-or-later
// Nothing typed is lost on the real window: edits left by another file, a step of Auto view or
// the reader, "Nomal", New or Quit come back; another program's change is not overwritten
// unasked; a link put in the shown file's place is never written through.
#include "fakesteptimer.h"
#include "reader/form3.h"
#include "windowtest.h"

#include <QAction>
#include <QFileInfo>

namespace {
enum class Flow { OtherFile, AutoView, ReaderNext, Nomal, New, Quit };

const QString restoredNote = "Unsaved changes of ";
} // namespace

Q_DECLARE_METATYPE(Flow)

class TestUnsavedWork : public WindowTest
{
    Q_OBJECT

private slots:
    void editsSurviveEveryFlow_data();
    void editsSurviveEveryFlow();
    void restoredDraftSavesOnlyItsEdits();
    void newTextSurvivesQuit();
    void formattedEditsSurviveQuit();
    void anotherProgramsChangeIsNotOverwritten_data();
    void anotherProgramsChangeIsNotOverwritten();
    void plantedLinkIsNeverWrittenThrough();
    void uneditedTextFollowsTheFile();

private:
    std::unique_ptr<FakeStepTimer> timer;
};

void TestUnsavedWork::editsSurviveEveryFlow_data()
{
    QTest::addColumn<Flow>("flow");
    QTest::newRow("another file") << Flow::OtherFile;
    QTest::newRow("Auto view step") << Flow::AutoView;
    QTest::newRow("reader's Next") << Flow::ReaderNext;
    QTest::newRow("Nomal") << Flow::Nomal;
    QTest::newRow("New") << Flow::New;
    QTest::newRow("Quit") << Flow::Quit;
}

void TestUnsavedWork::editsSurviveEveryFlow()
{
    QFETCH(Flow, flow);
    writeFile(f->browse("a.txt"), "alpha\n");
    writeFile(f->browse("b.txt"), "beta\n");
    timer = std::make_unique<FakeStepTimer>();
    pgwell::Options options;
    options.autoViewTimer = timer.get();
    pgwell *w = &f->open(options);
    choose(ui(*w).File1, "a.txt");
    typeInPane(*w, "typed ");

    switch (flow) {
    case Flow::OtherFile:
        choose(ui(*w).File1, "b.txt");
        break;
    case Flow::AutoView:
        QTest::mouseClick(ui(*w).Check1, Qt::LeftButton);
        QTest::mouseClick(ui(*w).ok, Qt::LeftButton);
        timer->elapse();
        QTest::mouseClick(ui(*w).Check1, Qt::LeftButton);
        break;
    case Flow::ReaderNext:
        w->reader()->next1->trigger();
        break;
    case Flow::Nomal:
        w->findChild<QAction *>("actionNomal")->trigger();
        break;
    case Flow::New:
        QTest::mouseClick(ui(*w).Command5, Qt::LeftButton);
        break;
    case Flow::Quit:
        f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
        QTest::mouseClick(ui(*w).Command1, Qt::LeftButton);
        w = &f->open(options); // started again
        break;
    }
    waitForDisplay(*w);
    // The flow goes on as ever: no question of its own, the other text in the pane.
    QCOMPARE(f->fake.messages.shown.size(), flow == Flow::Quit ? 1 : 0);
    // "Nomal" shows a.txt itself as it is, the edits left aside.
    if (flow == Flow::Nomal)
        QCOMPARE(ui(*w).Text1->toPlainText(), "alpha\n");
    else if (flow != Flow::Quit)
        QVERIFY(ui(*w).Text1->toPlainText() != "typed alpha\n");
    QCOMPARE(readFile(f->browse("a.txt")), "alpha\n");

    choose(ui(*w).File1, "a.txt");
    QCOMPARE(ui(*w).Text1->toPlainText(), "typed alpha\n");
    QVERIFY(ui(*w).Text1->isModified());
    QVERIFY2(ui(*w).Text1->noticeText().startsWith(restoredNote),
             qPrintable(ui(*w).Text1->noticeText()));
    QVERIFY(ui(*w).Text1->noticeText().contains(">Discard</a>"));
    QCOMPARE(w->reader()->readerText(), "typed alpha\n"); // the reader shows what the pane does

    // Discard, one action, shows the file again; the note goes.
    auto *discard = w->findChild<QAction *>("actionDiscardDraft");
    QVERIFY(discard);
    discard->trigger();
    waitForDisplay(*w);
    QCOMPARE(ui(*w).Text1->toPlainText(), "alpha\n");
    QVERIFY(!ui(*w).Text1->isModified());
    QVERIFY(ui(*w).Text1->noticeText().isEmpty());
    choose(ui(*w).File1, "b.txt");
    choose(ui(*w).File1, "a.txt");
    QCOMPARE(ui(*w).Text1->toPlainText(), "alpha\n");
}

// A draft shown again is an edit of the file's text, not a new text: a Save changes only what
// was typed, every line keeping its own line end and the last none.
void TestUnsavedWork::restoredDraftSavesOnlyItsEdits()
{
    writeFile(f->browse("a.txt"), "first\r\nsecond\nthird");
    writeFile(f->browse("b.txt"), "beta\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "a.txt");
    typeInPane(w, "typed ");
    choose(ui(w).File1, "b.txt");
    choose(ui(w).File1, "a.txt");
    QCOMPARE(ui(w).Text1->toPlainText(), "typed first\nsecond\nthird");
    w.findChild<QAction *>("actionSave")->trigger();
    QCOMPARE(readFile(f->browse("a.txt")), "typed first\r\nsecond\nthird");
}

void TestUnsavedWork::newTextSurvivesQuit()
{
    pgwell *w = &f->open();
    QTest::mouseClick(ui(*w).Command5, Qt::LeftButton);
    typeInPane(*w, "a new text");
    f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    QTest::mouseClick(ui(*w).Command1, Qt::LeftButton);
    w = &f->open();
    QCOMPARE(ui(*w).Text1->toPlainText(), "a new text");
    QVERIFY(ui(*w).Text1->noticeText().startsWith(restoredNote));
    w->findChild<QAction *>("actionDiscardDraft")->trigger();
    QCOMPARE(ui(*w).Text1->toPlainText(), QString());
    w = &f->open();
    QVERIFY(ui(*w).Text1->toPlainText().startsWith("Its recommded that you hide the taskbar"));
}

void TestUnsavedWork::formattedEditsSurviveQuit()
{
    writeFile(f->browse("f.rtf"), R"({\rtf1\ansi ab{\b cd}ef})");
    pgwell *w = &f->open();
    choose(ui(*w).File1, "f.rtf");
    ui(*w).Text1->select(0, 2);
    w->findChild<QAction *>("actionBold")->trigger();
    QCOMPARE(ui(*w).Text1->selectionBold(), Qt::Checked);
    ui(*w).Text1->select(2, 2);
    QCOMPARE(ui(*w).Text1->selectionBold(), Qt::Checked);
    f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    QTest::mouseClick(ui(*w).Command1, Qt::LeftButton);
    w = &f->open();
    choose(ui(*w).File1, "f.rtf");
    // The formatting made before the quit is there, and a Save writes it.
    QVERIFY(ui(*w).Text1->showsRichDocument());
    QCOMPARE(ui(*w).Text1->text(), "abcdef");
    ui(*w).Text1->select(0, 2);
    QCOMPARE(ui(*w).Text1->selectionBold(), Qt::Checked);
    ui(*w).Text1->select(2, 2);
    QCOMPARE(ui(*w).Text1->selectionBold(), Qt::Checked);
    QVERIFY(ui(*w).Text1->noticeText().startsWith(restoredNote));
    QTest::mouseClick(ui(*w).Command8, Qt::LeftButton);
    QVERIFY(readFile(f->browse("f.rtf")).contains("\\b"));
    w = &f->open();
    choose(ui(*w).File1, "f.rtf");
    QVERIFY(ui(*w).Text1->noticeText().isEmpty());
    QVERIFY(!ui(*w).Text1->isModified());
}

void TestUnsavedWork::anotherProgramsChangeIsNotOverwritten_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No") << false;
    QTest::newRow("Yes") << true;
}

void TestUnsavedWork::anotherProgramsChangeIsNotOverwritten()
{
    QFETCH(bool, yes);
    writeFile(f->browse("ext.txt"), "first line\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "ext.txt");
    // Another program adds a line; the user types a letter before the pane hears of it.
    QFile file(f->browse("ext.txt"));
    QVERIFY(file.open(QIODevice::Append));
    file.write("appended line\n");
    file.close();
    typeInPane(w, "X");
    if (yes)
        f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    QCOMPARE(f->fake.messages.lastText(), "ext.txt was changed by another program after it was "
                                          "shown. Replace it with the text shown here?");
    QCOMPARE(f->fake.messages.shown.last().buttons, MessageBoxes::Buttons::YesNoDefaultNo);
    QCOMPARE(readFile(f->browse("ext.txt")), yes ? "Xfirst line\n" : "first line\nappended line\n");
}

void TestUnsavedWork::plantedLinkIsNeverWrittenThrough()
{
    writeFile(f->browse("a.txt"), "alpha\n");
    const QString precious = f->browse("elsewhere/precious.txt");
    writeFile(precious, "precious\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "a.txt");
    QVERIFY(QFile::remove(f->browse("a.txt")));
    QVERIFY(QFile::link(precious, f->browse("a.txt")));
    typeInPane(w, "X");
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton); // No, the default
    QCOMPARE(readFile(precious), "precious\n");
    QVERIFY(QFileInfo(f->browse("a.txt")).isSymLink());
    f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    QTest::mouseClick(ui(w).Command8, Qt::LeftButton);
    QCOMPARE(readFile(precious), "precious\n");
    QVERIFY(!QFileInfo(f->browse("a.txt")).isSymLink());
    QCOMPARE(readFile(f->browse("a.txt")), "Xalpha\n");
}

void TestUnsavedWork::uneditedTextFollowsTheFile()
{
    QByteArray lines;
    for (int i = 0; i < 500; ++i)
        lines += "line " + QByteArray::number(i) + '\n';
    writeFile(f->browse("log.txt"), lines);
    writeFile(f->browse("top.txt"), lines);
    pgwell &w = f->openShown();
    RichTextBox *pane = ui(w).Text1;
    const auto append = [&](const QString &name, const QByteArray &bytes) {
        QFile file(f->browse(name));
        QVERIFY(file.open(QIODevice::Append));
        file.write(bytes);
    };
    // A log read at its end: the end stays in view as the file grows.
    choose(ui(w).File1, "log.txt");
    QTest::keyClick(pane->editor(), Qt::Key_End, Qt::ControlModifier);
    QVERIFY(pane->isViewAtEnd());
    append("log.txt", "more\n");
    QTRY_VERIFY(pane->toPlainText().endsWith("line 499\nmore\n"));
    QVERIFY(pane->isViewAtEnd());
    QVERIFY(!pane->isModified());
    QVERIFY(pane->noticeText().isEmpty());
    // Read from the start, the view stays where it is.
    choose(ui(w).File1, "top.txt");
    QVERIFY(!pane->isViewAtEnd());
    append("top.txt", "more\n");
    QTRY_VERIFY(pane->toPlainText().endsWith("more\n"));
    QCOMPARE(pane->place().top, 0);
}

QTEST_MAIN(TestUnsavedWork)
#include "tst_unsavedwork.moc"
