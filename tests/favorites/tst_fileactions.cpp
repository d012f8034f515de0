// SPDX-License-Identifier: GPL-3.0-or-later
// New, Save and Save as from the main window, and what a failed write leaves behind (Delete is
// tested with the record of the shown file it acts on).
#include "rtf/rtfdetect.h"
#include "rtf/rtfreader.h"
#include "windowtest.h"

namespace {

const QString saveHint = " .. Please select a file from any list..or check the file if it's "
                         "still existe";

void click(pgwell &w, const QString &control)
{
    QWidget *widget = w.findChild<QWidget *>(control);
    QVERIFY2(widget, qPrintable(control));
    QTest::mouseClick(widget, Qt::LeftButton);
}

} // namespace

class TestFileActions : public WindowTest
{
    Q_OBJECT

private slots:
    void nothingToActOn();
    void plainSaveKeepsEncoding_data();
    void plainSaveKeepsEncoding();
    void rtfStaysRtfThroughNew();
    void saveAs_data();
    void saveAs();
    void saveAsAsksAndReports();
    void failedSaveKeepsOriginal();
    void unfitCharacterAsksForUtf8_data();
    void unfitCharacterAsksForUtf8();
};

void TestFileActions::nothingToActOn()
{
    writeFile(f->browse("a.txt"), "a");
    pgwell &w = f->open();
    const auto before = snapshot(WindowFixture::data());
    ui(w).File1->setCurrentRow(0); // selected, never shown
    typeInPane(w, "typed over the hint ");
    click(w, "Command8");
    QCOMPARE(f->fake.messages.lastText(), "No file has been shown yet" + saveHint);
    click(w, "m2"); // Delete has nothing to act on, and says nothing
    click(w, "Label7");
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(snapshot(WindowFixture::data()), before);
}

void TestFileActions::plainSaveKeepsEncoding_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("favorite");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("edited"); // after typing "é" at the start
    // The encodings are the viewer's; here, that the shown list's file is the one written.
    QTest::newRow("file list") << "Command8" << false << QByteArray("one\r\ntwo\r\n")
                               << QByteArray("\xc3\xa9one\r\ntwo\r\n");
    QTest::newRow("favorite") << "sav" << true << QByteArray("\xff\xfeo\0l\0d\0\r\0\n\0", 12)
                              << QByteArray("\xff\xfe\xe9\0o\0l\0d\0\r\0\n\0", 14);
}

void TestFileActions::plainSaveKeepsEncoding()
{
    QFETCH(QString, control);
    QFETCH(bool, favorite);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, edited);
    const QString path = favorite ? f->favorite("t.txt") : f->browse("t.txt");
    const QString other = favorite ? f->browse("t.txt") : f->favorite("t.txt");
    writeFile(path, file);
    writeFile(other, "same name, other list");
    pgwell &w = f->open();
    choose(ui(w).File1, "t.txt");
    if (favorite)
        choose(ui(w).File2, "t.txt");
    typeInPane(w, u"\u00e9"_qs);
    click(w, control);
    QCOMPARE(readFile(path), edited);
    QCOMPARE(readFile(other), "same name, other list");
}

void TestFileActions::rtfStaysRtfThroughNew()
{
    const QString path = f->browse("styled.rtf");
    writeFile(path, "{\\rtf1\\ansi plain \\b bold\\b0\\par}");
    pgwell &w = f->open();
    choose(ui(w).File1, "styled.rtf");
    // New empties the pane as plain text, yet the file it replaces keeps its format.
    click(w, "Command5");
    QVERIFY(ui(w).Text1->toPlainText().isEmpty() && !ui(w).Text1->showsRichDocument());
    typeInPane(w, u"caf\u00e9"_qs);
    click(w, "Command8");
    QVERIFY(isRtf(readFile(path)));
    QCOMPARE(RtfReader::plainText(readFile(path)), u"caf\u00e9"_qs);
}

void TestFileActions::saveAs_data()
{
    // Where an RTF name leads is the viewer's; here, the name a plain save gets.
    QTest::addColumn<QString>("shown"); // entry chosen in the file list, or "*" for a favorite
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("target");
    for (const char *row :
         {"a.txt notes notes.txt", "doc.rtf notes.txt notes.txt", "* notes notes.txt"}) {
        const QStringList cells = QString::fromLatin1(row).split(u' ');
        QTest::newRow(row) << cells[0] << cells[1] << cells[2];
    }
}

void TestFileActions::saveAs()
{
    QFETCH(QString, shown);
    QFETCH(QString, chosen);
    QFETCH(QString, target);
    writeFile(f->browse("a.txt"), "alpha\n");
    writeFile(f->browse("doc.rtf"), "{\\rtf1\\ansi alpha \\b bold\\b0}");
    writeFile(f->favorite("fav.txt"), "alpha\r\n");
    pgwell &w = f->open();
    const bool favorite = shown == "*";
    if (favorite)
        choose(ui(w).File2, "fav.txt");
    else
        choose(ui(w).File1, shown);
    const QString path = w.viewer().lastFileListPath();

    f->fake.dialogs.saveAnswers.enqueue(f->browse(chosen));
    click(w, "Command6");
    const QByteArray written = readFile(f->browse(target));
    QVERIFY(!isRtf(written));
    QVERIFY(written.contains("alpha"));
    // The list was read again, and the pane stays tied to the file it came from.
    if (!favorite)
        QVERIFY(rowOf(ui(w).File1, target) >= 0);
    QCOMPARE(ui(w).File1->fileName(), favorite ? QString() : shown);
    QCOMPARE(w.viewer().lastFileListPath(), path);
    QVERIFY(f->fake.messages.shown.isEmpty());
}

void TestFileActions::saveAsAsksAndReports()
{
    writeFile(f->browse("a.txt"), "a");
    writeFile(f->browse("taken.txt/inside.txt"), "a folder's content");
    pgwell &w = f->open();
    choose(ui(w).File1, "a.txt");
    const auto before = snapshot(f->browsed.path());

    click(w, "Command6"); // cancelled: nothing is said or written
    QVERIFY(f->fake.messages.shown.isEmpty());

    // Asked to replace (the viewer's test), then the write fails: a folder has the name.
    f->fake.dialogs.saveAnswers.enqueue(f->browse("taken"));
    f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    click(w, "Command6");
    QCOMPARE(f->fake.messages.shown.size(), 2);
    QVERIFY(f->fake.messages.lastText().contains(f->browse("taken.txt")));
    QVERIFY(!f->fake.messages.lastText().contains(saveHint));
    QCOMPARE(snapshot(f->browsed.path()), before);
}

void TestFileActions::failedSaveKeepsOriginal()
{
    writeFile(f->browse("t.txt"), "the original text\r\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "t.txt");
    typeInPane(w, QString(200, u'x'));
    const auto before = snapshot(f->browsed.path());
    {
        const FileSizeLimit diskFull(64);
        click(w, "Command8");
    }
    QCOMPARE(snapshot(f->browsed.path()), before);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY(f->fake.messages.lastText().contains(f->browse("t.txt")));
    QVERIFY(f->fake.messages.lastText().endsWith(saveHint));
}

void TestFileActions::unfitCharacterAsksForUtf8_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("target"); // in the browsed folder; "*": the favorite of the file
    QTest::newRow("save") << "Command8"
                          << "w.txt";
    QTest::newRow("save as") << "Command6"
                             << "copy.txt";
    QTest::newRow("add to favorites") << "m1"
                                      << "*";
}

// A Windows-1252 file with a typed Greek letter: the user chooses UTF-8 or nothing at all.
void TestFileActions::unfitCharacterAsksForUtf8()
{
    QFETCH(QString, control);
    QFETCH(QString, target);
    writeFile(f->browse("w.txt"), "caf\xe9\r\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "w.txt");
    typeInPane(w, u"\u03b1 "_qs);
    const QString path = target == "*" ? f->favorite("w.txt") : f->browse(target);
    const auto before = snapshot(WindowFixture::data());

    for (const auto answer : {MessageBoxes::Answer::No, MessageBoxes::Answer::Yes}) {
        if (control == "Command6")
            f->fake.dialogs.saveAnswers.enqueue(path);
        f->fake.messages.answers.enqueue(answer);
        click(w, control);
        const FakeMessageBoxes::Shown &asked = f->fake.messages.shown.last();
        QCOMPARE(asked.buttons, MessageBoxes::Buttons::YesNoDefaultNo);
        QVERIFY(asked.text.contains(path) && asked.text.contains("Windows-1252"));
        if (answer == MessageBoxes::Answer::No)
            QCOMPARE(snapshot(WindowFixture::data()), before);
    }
    QCOMPARE(f->fake.messages.shown.size(), 2);
    QCOMPARE(readFile(path), "\xce\xb1 caf\xc3\xa9\r\n");
}

QTEST_MAIN(TestFileActions)
#include "tst_fileactions.moc"
