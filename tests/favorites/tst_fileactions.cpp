// New, Save, Save as and Delete from the main window, and what a failed write leaves behind.
#include "app/appfonts.h"
#include "app/clicklabel.h"
#include "app/dirlistbox.h"
#include "app/richtextbox.h"
#include "rtf/rtfdetect.h"
#include "rtf/rtfreader.h"
#include "windowfixture.h"

#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>

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

class TestFileActions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup() { f.reset(); }

    void saveBeforeAnyDisplayWritesNothing();
    void plainSaveKeepsEncoding_data();
    void plainSaveKeepsEncoding();
    void rtfSaveKeepsFormatting();
    void favoriteSavesPlainText();
    void newThenSave_data();
    void newThenSave();
    void saveAs_data();
    void saveAs();
    void saveAsCancelAndFailure();
    void saveAsAsksBeforeReplacingUnderAnAddedExtension();
    void deleteMovesToTrash_data();
    void deleteMovesToTrash();
    void deleteWithoutSelectionIsSilent();
    void rootFolder();
    void failedSaveKeepsOriginal_data();
    void failedSaveKeepsOriginal();

private:
    std::unique_ptr<WindowFixture> f;
};

void TestFileActions::initTestCase()
{
    useOwnHome();
    installDesignFonts();
}

void TestFileActions::saveBeforeAnyDisplayWritesNothing()
{
    writeFile(f->browse("a.txt"), "a");
    pgwell &w = f->open();
    w.File1->setCurrentRow(0); // selected, never shown
    const auto before = snapshot(f->browsed.path());
    click(w, "Command8");
    QCOMPARE(f->fake.messages.lastText(), "No file has been shown yet" + saveHint);
    QCOMPARE(f->fake.messages.shown.last().icon, MessageBoxes::Icon::Information);
    QCOMPARE(snapshot(f->browsed.path()), before);
}

void TestFileActions::plainSaveKeepsEncoding_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("edited"); // after typing "é" at the start
    QTest::newRow("utf-8 lf, button") << "Command8" << QByteArray("\xce\xb1 one\ntwo\n")
                                      << QByteArray("\xc3\xa9\xce\xb1 one\ntwo\n");
    QTest::newRow("utf-8 cr lf, picture")
        << "sav" << QByteArray("one\r\ntwo\r\n") << QByteArray("\xc3\xa9one\r\ntwo\r\n");
    QTest::newRow("windows-1252, label") << "Label9" << QByteArray("na\xefve\xa0\x93q\x94\r\n")
                                         << QByteArray("\xe9na\xefve\xa0\x93q\x94\r\n");
}

void TestFileActions::plainSaveKeepsEncoding()
{
    QFETCH(QString, control);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, edited);
    writeFile(f->browse("t.txt"), file);
    pgwell &w = f->open();
    choose(w.File1, "t.txt");
    click(w, control);
    QCOMPARE(readFile(f->browse("t.txt")), file);
    typeInPane(w, u"\u00e9"_qs);
    click(w, control);
    QCOMPARE(readFile(f->browse("t.txt")), edited);
    QVERIFY(f->fake.messages.shown.isEmpty());
}

void TestFileActions::rtfSaveKeepsFormatting()
{
    writeFile(f->browse("styled.rtf"),
              "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 plain \\b bold\\b0  "
              "\\i slanted\\i0\\par}");
    pgwell &w = f->open();
    choose(w.File1, "styled.rtf");
    typeInPane(w, "new ");
    click(w, "Command8");

    const QByteArray saved = readFile(f->browse("styled.rtf"));
    QVERIFY(isRtf(saved));
    QTextDocument back;
    RtfReader::read(saved, &back);
    QCOMPARE(back.toPlainText(), w.Text1->toPlainText());
    const QString text = back.toPlainText();
    QVERIFY2(text.startsWith("new plain bold slanted"), qPrintable(text));
    QTextCursor at(&back);
    at.setPosition(text.indexOf("bold") + 1);
    QCOMPARE(at.charFormat().fontWeight(), int(QFont::Bold));
    at.setPosition(text.indexOf("slanted") + 1);
    QVERIFY(at.charFormat().fontItalic());
    QVERIFY(at.charFormat().fontWeight() != int(QFont::Bold));
}

void TestFileActions::favoriteSavesPlainText()
{
    writeFile(f->browse("fav.txt"), "the file list's own");
    writeFile(f->favorite("fav.txt"), "old\n");
    pgwell &w = f->open();
    choose(w.File1, "fav.txt");
    choose(w.File2, "fav.txt");
    typeInPane(w, "new ");
    click(w, "Label9");
    QCOMPARE(readFile(f->favorite("fav.txt")), "new old\r\n\r\n");
    QCOMPARE(readFile(f->browse("fav.txt")), "the file list's own");
}

void TestFileActions::newThenSave_data()
{
    QTest::addColumn<QString>("control");
    QTest::newRow("button") << "Command5";
    QTest::newRow("picture") << "Image1";
    QTest::newRow("label") << "Label10";
}

void TestFileActions::newThenSave()
{
    QFETCH(QString, control);
    writeFile(f->browse("old.rtf"), "{\\rtf1\\ansi \\b rich}");
    pgwell &w = f->open();
    choose(w.File1, "old.rtf");
    click(w, control);
    QCOMPARE(w.Text1->toPlainText(), QString());
    QVERIFY(!w.Text1->showsRichDocument());
    click(w, "Command8");
    // The file keeps its format: an empty text, written as Rich Text Format.
    QVERIFY(isRtf(readFile(f->browse("old.rtf"))));
    QCOMPARE(RtfReader::plainText(readFile(f->browse("old.rtf"))), QString());

    typeInPane(w, u"caf\u00e9"_qs);
    click(w, "Command8");
    QVERIFY(isRtf(readFile(f->browse("old.rtf"))));
    QCOMPARE(RtfReader::plainText(readFile(f->browse("old.rtf"))), u"caf\u00e9"_qs);
    QCOMPARE(w.active->caption(), "1");
    QCOMPARE(w.currentFilePath, f->browse("old.rtf"));
}

void TestFileActions::saveAs_data()
{
    QTest::addColumn<QString>("shown"); // entry chosen in the file list, or "*" for a favorite
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("rich");
    QTest::newRow("extension added") << "a.txt"
                                     << "notes"
                                     << "notes.txt" << false;
    QTest::newRow("typed extension kept") << "a.txt"
                                          << "notes.txt"
                                          << "notes.txt" << false;
    QTest::newRow("rtf target from plain") << "a.txt"
                                           << "notes.rtf"
                                           << "notes.rtf" << true;
    QTest::newRow("txt target from rtf") << "doc.rtf"
                                         << "notes.txt"
                                         << "notes.txt" << false;
    QTest::newRow("rtf extension added") << "doc.rtf"
                                         << "copy"
                                         << "copy.rtf" << true;
    QTest::newRow("no file-list file shown") << "*"
                                             << "notes"
                                             << "notes" << false;
}

void TestFileActions::saveAs()
{
    QFETCH(QString, shown);
    QFETCH(QString, chosen);
    QFETCH(QString, target);
    QFETCH(bool, rich);
    writeFile(f->browse("a.txt"), "alpha\n");
    writeFile(f->browse("doc.rtf"), "{\\rtf1\\ansi alpha \\b bold\\b0}");
    writeFile(f->favorite("fav.txt"), "alpha\r\n");
    pgwell &w = f->open();
    if (shown == "*")
        choose(w.File2, "fav.txt");
    else
        choose(w.File1, shown);
    const QString path = w.currentFilePath;
    const QByteArray source = shown == "*" ? QByteArray() : readFile(f->browse(shown));

    f->fake.dialogs.saveAnswers.enqueue(f->browse(chosen));
    click(w, "Command6");
    const QByteArray written = readFile(f->browse(target));
    QCOMPARE(isRtf(written), rich);
    QVERIFY(written.contains("alpha"));
    if (target.endsWith(".txt") || target.endsWith(".rtf"))
        QVERIFY(rowOf(w.File1, target) >= 0); // the list was read again
    QCOMPARE(w.File1->fileName(), shown == "*" ? QString() : shown);
    QCOMPARE(w.active->caption(), shown == "*" ? "2" : "1");
    QCOMPARE(w.currentFilePath, path);
    if (!source.isEmpty())
        QCOMPARE(readFile(f->browse(shown)), source);
    QVERIFY(f->fake.messages.shown.isEmpty());
}

void TestFileActions::saveAsCancelAndFailure()
{
    writeFile(f->browse("a.txt"), "alpha\n");
    writeFile(f->browse("taken.txt/inside.txt"), "a folder's content");
    pgwell &w = f->open();
    choose(w.File1, "a.txt");
    const auto before = snapshot(f->browsed.path());

    click(w, "Command6"); // cancelled
    QCOMPARE(f->fake.dialogs.saveAsked, 1);
    QVERIFY(f->fake.messages.shown.isEmpty());

    f->fake.dialogs.saveAnswers.enqueue(f->browse("taken"));
    f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes); // replace what is there
    click(w, "Command6");
    QCOMPARE(f->fake.messages.shown.size(), 2);
    QCOMPARE(f->fake.messages.shown.last().icon, MessageBoxes::Icon::Critical);
    QVERIFY(f->fake.messages.lastText().contains(f->browse("taken.txt")));
    QVERIFY(!f->fake.messages.lastText().contains(saveHint));
    QCOMPARE(snapshot(f->browsed.path()), before);
}

void TestFileActions::saveAsAsksBeforeReplacingUnderAnAddedExtension()
{
    writeFile(f->browse("a.txt"), "new text\n");
    writeFile(f->browse("notes.txt"), "precious");
    pgwell &w = f->open();
    choose(w.File1, "a.txt");

    // The user typed "notes"; the dialog never saw "notes.txt", so the program asks.
    f->fake.dialogs.saveAnswers.enqueue(f->browse("notes"));
    click(w, "Command6");
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.shown.last().icon, MessageBoxes::Icon::Question);
    QVERIFY(f->fake.messages.lastText().contains(f->browse("notes.txt")));
    QCOMPARE(readFile(f->browse("notes.txt")), "precious");

    f->fake.dialogs.saveAnswers.enqueue(f->browse("notes"));
    f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    click(w, "Command6");
    QCOMPARE(readFile(f->browse("notes.txt")), "new text\n");
}

void TestFileActions::deleteMovesToTrash_data()
{
    QTest::addColumn<bool>("favorite");
    QTest::addColumn<QString>("control");
    QTest::newRow("file, picture") << false << "m2";
    QTest::newRow("file, label") << false << "Label7";
    QTest::newRow("favorite") << true << "m2";
}

void TestFileActions::deleteMovesToTrash()
{
    QFETCH(bool, favorite);
    QFETCH(QString, control);
    writeFile(f->browse("x.txt"), "file list");
    writeFile(f->favorite("x.txt"), "favorite");
    pgwell &w = f->open();
    choose(w.File1, "x.txt");
    if (favorite)
        choose(w.File2, "x.txt");
    const QString shownText = w.Text1->toPlainText();
    const QString gone = favorite ? f->favorite("x.txt") : f->browse("x.txt");
    const QString kept = favorite ? f->browse("x.txt") : f->favorite("x.txt");
    const QByteArray keptBytes = readFile(kept);

    click(w, control);
    QVERIFY(!QFile::exists(gone));
    QCOMPARE(readFile(WindowFixture::trashed("x.txt")), favorite ? "favorite" : "file list");
    QCOMPARE(readFile(kept), keptBytes);
    QCOMPARE(rowOf(favorite ? w.File2 : w.File1, "x.txt"), -1);
    QCOMPARE(w.Text1->toPlainText(), shownText);
    QCOMPARE(w.active->caption(), favorite ? "2" : "1");
    QVERIFY(f->fake.messages.shown.isEmpty());
}

void TestFileActions::deleteWithoutSelectionIsSilent()
{
    writeFile(f->browse("a.txt"), "a");
    pgwell &w = f->open();
    const auto before = snapshot(f->browsed.path());
    click(w, "m2"); // nothing shown yet
    choose(w.File1, "a.txt");
    w.File1->setListIndex(-1);
    click(w, "Label7");
    QCOMPARE(snapshot(f->browsed.path()), before);
    QVERIFY(f->fake.messages.shown.isEmpty());
}

void TestFileActions::rootFolder()
{
    // Files shown from a root are joined without a second separator, saved in their own
    // format (a plain file stays plain) and deleted like any other.
    QTemporaryFile file("/pagewell-test-XXXXXX.txt");
    if (!file.open())
        QSKIP("the root folder is not writable here");
    file.write("at the root\n");
    file.close();
    const QString name = QFileInfo(file.fileName()).fileName();
    pgwell &w = f->open();
    QVERIFY(w.Dir1->setPath("/"));
    QCOMPARE(w.Label1->caption(), "/");
    choose(w.File1, name);
    typeInPane(w, "edited ");
    click(w, "Command8");
    QCOMPARE(readFile(file.fileName()), "edited at the root\n");

    click(w, "m2");
    QVERIFY(!QFile::exists(file.fileName()));
    if (QStorageInfo(QStringLiteral("/")) == QStorageInfo(QDir::home()))
        QCOMPARE(readFile(WindowFixture::trashed(name)), "edited at the root\n");
    QCOMPARE(rowOf(w.File1, name), -1);
    QVERIFY(f->fake.messages.shown.isEmpty());
}

void TestFileActions::failedSaveKeepsOriginal_data()
{
    QTest::addColumn<bool>("diskFull"); // else the file is replaced by a folder
    QTest::newRow("replaced by a folder") << false;
    QTest::newRow("disk full") << true;
}

void TestFileActions::failedSaveKeepsOriginal()
{
    QFETCH(bool, diskFull);
    writeFile(f->browse("t.txt"), "the original text\r\n");
    pgwell &w = f->open();
    choose(w.File1, "t.txt");
    typeInPane(w, QString(200, u'x'));
    if (!diskFull) {
        QFile::remove(f->browse("t.txt"));
        writeFile(f->browse("t.txt/inside.txt"), "inside");
    }
    const auto before = snapshot(f->browsed.path());

    {
        std::optional<FileSizeLimit> limit;
        if (diskFull)
            limit.emplace(64);
        click(w, "Command8");
    }

    QCOMPARE(snapshot(f->browsed.path()), before);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.shown.last().icon, MessageBoxes::Icon::Information);
    QVERIFY(f->fake.messages.lastText().contains(f->browse("t.txt")));
    QVERIFY(f->fake.messages.lastText().endsWith(saveHint));
}

QTEST_MAIN(TestFileActions)
#include "tst_fileactions.moc"
