// SPDX-License-Identifier: GPL-3.0-or-later
// sbx, the companion clip tool: listing, copying, pasting, freeing and bringing back the clip
// slots, its keys and settings, and following the folder while it is open.
#include "fakeplatform.h"
#include "filehelpers.h"
#include "plaintext/textbuffer.h"
#include "sbx/clipslotfile.h"
#include "sbx/elidedpathlabel.h"
#include "sbx/stashwindow.h"
#include "texttools/clipslots.h"
#include "texttools/clipslotwriter.h"

#include <memory>
#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestSbx : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useOwnHome(); }
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        fake = std::make_unique<FakePlatform>(QString());
        fake->environment.variables.insert("windir", folder->path());
    }
    void cleanup()
    {
        window.reset();
        fake.reset();
        folder.reset();
    }

    void listsTheSlots();
    void copyPutsTheWholeText();
    void pagewellsLargestClipIsWhole_data();
    void pagewellsLargestClipIsWhole();
    void freeAndFreeAll();
    void followsTheFolder();
    void sharedFolderWithoutWindir();
    void pasteTakesTheFirstFreeSlot_data();
    void pasteTakesTheFirstFreeSlot();
    void pasteIntoAFolderThatCannotBeWritten();
    void undoBringsFreedClipsBack();
    void undoNeverPutsAClipOverAnother();
    void undoAfterAnUnexpectedEnd();
    void keys();
    void keepWhatICopy();
    void folderThatAppearsLater();
    void relativeWindirIsFromHome();
    void remembersSizeAndPlace();

private:
    QString slot(int n) const { return ClipSlots::path(folder->path(), n); }
    QStringList clipFiles() const
    {
        return QDir(folder->path()).entryList({"clip*.txt"}, QDir::Files, QDir::Name);
    }
    StashWindow &open()
    {
        window = std::make_unique<StashWindow>(fake->platform);
        window->show();
        settle();
        return *window;
    }
    // The clips are read and written on threads: waits until the window shows the outcome.
    // (A clip of many megabytes takes seconds in a build without optimization.)
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!window->busy(), 120000); }
    void click(QWidget *button)
    {
        QTest::mouseClick(button, Qt::LeftButton);
        settle();
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(window->slotList, key, modifiers);
        settle();
    }
    void copiedElsewhere(const QString &text)
    {
        fake->clipboard.copiedElsewhere(text);
        settle();
    }
    QString row(int n) const { return window->slotList->item(n - 1)->text(); }
    void choose(int n)
    {
        QListWidget *list = window->slotList;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(n - 1)).center());
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<StashWindow> window;
};

void TestSbx::listsTheSlots()
{
    writeFile(slot(1), "first line\r\nsecond line\r\n\r\n");
    writeFile(slot(3), "\r\n");
    QVERIFY(QDir(folder->path()).mkdir("clip2.txt")); // a folder leaves the slot free
    StashWindow &w = open();
    QCOMPARE(w.slotList->count(), 3);
    QCOMPARE(row(1), "Clip 1:  first line");
    QCOMPARE(row(2), "Clip 2:  free");
    QCOMPARE(row(3), "Clip 3:  ");
    QCOMPARE(w.clipText->toPlainText(), "first line\nsecond line\n");

    choose(2);
    QCOMPARE(w.currentSlot(), 2);
    QCOMPARE(w.clipText->toPlainText(), QString());
    QVERIFY(!w.copyButton->isEnabled());
    QVERIFY(!w.freeButton->isEnabled());
    QVERIFY(w.freeAllButton->isEnabled());
    choose(3);
    QVERIFY(w.copyButton->isEnabled());
}

void TestSbx::copyPutsTheWholeText()
{
    // Written as Pagewell writes it, read back as it was in the pane.
    const QString text = QString("caf\u00e9\n\ttabbed\n\nlast");
    writeFile(slot(1), "big\r\n" + QByteArray(clipSlotMaxBytes, 'x'));
    ClipSlotWriter(folder->path()).send(text);
    StashWindow &w = open();
    choose(2);
    click(w.copyButton);
    QCOMPARE(fake->clipboard.text(), text);
    QCOMPARE(row(2), "Clip 2:  caf\u00e9");
    QVERIFY(fake->messages.shown.isEmpty());

    // A clip too large to copy shows its start and is not copied.
    choose(1);
    QCOMPARE(row(1), "Clip 1:  big");
    QVERIFY(w.clipText->toPlainText().endsWith("\n\n(Only the start of this clip is shown.)"));
    click(w.copyButton);
    QCOMPARE(fake->clipboard.text(), text);
    QCOMPARE(fake->messages.lastText(), "Clip 1 is larger than 32 MB and was not copied.");
}

void TestSbx::pagewellsLargestClipIsWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("written");
    const QString accents = QString(1000, u'\u00e9');   // two bytes each
    const qsizetype rest = clipSlotMaxBytes - 2 - 2000; // the final CR LF, the accents
    QTest::newRow("as large as a clip may be") << accents + QString(rest, u'x') << true;
    QTest::newRow("one byte more") << accents + QString(rest + 1, u'x') << false;
    // Each line end becomes CR LF.
    QTest::newRow("line ends, as large as may be")
        << QString(clipSlotMaxBytes / 2 - 1, u'\n') << true;
    QTest::newRow("line ends, one more") << QString(clipSlotMaxBytes / 2, u'\n') << false;
    QString pairs;
    for (int i = 0; i < 20000; ++i)
        pairs += u"a\U0001F600\r\n"_qs;
    QTest::newRow("pairs and cr lf across pieces") << pairs << true;
}

// What Pagewell makes of a text and writes into a slot, sbx reads whole and can copy; a text
// one byte too large is refused before anything is written.
void TestSbx::pagewellsLargestClipIsWhole()
{
    QFETCH(QString, text);
    QFETCH(bool, written);
    const std::optional<QByteArray> content =
        ClipSlots::content(TextBuffer(text), clipSlotMaxBytes);
    QCOMPARE(content.has_value(), written);
    if (!written) {
        QVERIFY(ClipSlotWriter(folder->path()).send(text).tooLarge);
        QVERIFY(!QFileInfo::exists(slot(1)));
        return;
    }
    QCOMPARE(*content, ClipSlots::content(text)); // in pieces as whole
    QCOMPARE(ClipSlotWriter(folder->path()).sendContent(*content).slot, 1);
    const ClipSlotFile read = ClipSlotFile::read(slot(1));
    QCOMPARE(read.state, ClipSlotFile::State::Filled);
    QVERIFY(!read.cut);
    QString expected = text;
    expected.replace(u"\r\n"_qs, u"\n"_qs);
    QVERIFY(read.text == expected);
}

void TestSbx::freeAndFreeAll()
{
    for (int n = 1; n <= 3; ++n)
        writeFile(slot(n), QByteArray::number(n) + "\r\n");
    QVERIFY(QDir(folder->path()).mkdir("other"));
    StashWindow &w = open();
    choose(2);
    click(w.freeButton);
    QVERIFY(!QFile::exists(slot(2)));
    QVERIFY(QFile::exists(slot(1)) && QFile::exists(slot(3)));
    QCOMPARE(row(2), "Clip 2:  free");
    QCOMPARE(w.clipText->toPlainText(), QString());
    QCOMPARE(ClipSlots::freeReport(folder->path()), "You have 2 empty clips .");

    click(w.freeAllButton);
    QCOMPARE(QDir(folder->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList("other"));
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(row(n), QStringLiteral("Clip %1:  free").arg(n));
    QVERIFY(!w.freeAllButton->isEnabled());
    QVERIFY(fake->messages.shown.isEmpty());

    // Held aside for Undo while sbx runs, gone when it ends.
    QCOMPARE(w.freedClips().heldFiles().size(), 3);
    window.reset();
    QCOMPARE(QDir(folder->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList("other"));
}

void TestSbx::followsTheFolder()
{
    writeFile(slot(3), "old\r\n");
    StashWindow &w = open();
    QCOMPARE(row(1), "Clip 1:  free");
    QCOMPARE(w.folderLabel->toolTip(), "Folder: " + folder->path());
    // Rewritten in place, its name and size the same: only the file itself tells.
    writeFile(slot(3), "new\r\n");
    QTRY_COMPARE(row(3), "Clip 3:  new");
    ClipSlotWriter(folder->path()).send("sent from Pagewell\nmore");
    QTRY_COMPARE(row(1), "Clip 1:  sent from Pagewell");
    QCOMPARE(w.clipText->toPlainText(), "sent from Pagewell\nmore");

    // Freed by someone else.
    QFile::remove(slot(1));
    QTRY_COMPARE(row(1), "Clip 1:  free");

    // A clip still being written is shown as far as it goes, then whole.
    choose(2);
    QFile file(slot(2));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::NewOnly));
    file.write("the beginning");
    file.flush();
    QTRY_COMPARE(row(2), "Clip 2:  the beginning");
    file.write(" and the end\r\nsecond\r\n");
    file.close();
    QTRY_COMPARE(w.clipText->toPlainText(), "the beginning and the end\nsecond");
}

void TestSbx::sharedFolderWithoutWindir()
{
    fake->environment.variables.clear();
    const QString shared =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/stashbox";
    QDir(shared).removeRecursively();
    StashWindow &w = open();
    QCOMPARE(w.folder(), shared);
    QVERIFY(QFileInfo(shared).isDir());
    writeFile(shared + "/clip1.txt", "shared\r\n");
    QTRY_COMPARE(row(1), "Clip 1:  shared");
    QDir(shared).removeRecursively();
}

void TestSbx::pasteTakesTheFirstFreeSlot_data()
{
    QTest::addColumn<QString>("filled"); // slots holding a clip before the paste
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<int>("into"); // 0: none
    QTest::addColumn<QString>("message");

    const QString full = "All three clips are full: free one to make room.";
    QTest::newRow("none filled") << ""
                                 << "one\ntwo" << 1 << "";
    QTest::newRow("a gap before the last") << "13"
                                           << "one" << 2 << "";
    QTest::newRow("first two filled") << "12"
                                      << "caf\u00e9" << 3 << "";
    QTest::newRow("all filled") << "123"
                                << "one" << 0 << full;
    QTest::newRow("empty clipboard") << ""
                                     << "" << 0 << "The clipboard holds no text to paste.";
    // One byte too many once CR LF ends every line; the same without the last line end fits.
    const QString tooLarge = QString(clipSlotMaxBytes / 2 - 1, u'\n');
    QTest::newRow("larger than a clip may be")
        << "" << tooLarge + "x" << 0
        << "The text is larger than 32 MB and was not put into a clip.";
    QTest::newRow("just fits") << "" << tooLarge << 1 << "";
}

void TestSbx::pasteTakesTheFirstFreeSlot()
{
    QFETCH(QString, filled);
    QFETCH(QString, clipboard);
    QFETCH(int, into);
    QFETCH(QString, message);
    for (QChar n : filled)
        writeFile(slot(n.digitValue()), "held " + QByteArray(1, char(n.unicode())) + "\r\n");
    fake->clipboard.held = clipboard;
    StashWindow &w = open();
    const auto before = snapshot(folder->path());
    click(w.pasteButton);
    if (into == 0) {
        QCOMPARE(fake->messages.lastText(), message);
        QCOMPARE(snapshot(folder->path()), before);
        return;
    }
    QVERIFY(fake->messages.shown.isEmpty());
    // Written as Pagewell writes a clip, and shown chosen.
    QCOMPARE(readFile(slot(into)), ClipSlots::content(clipboard));
    QCOMPARE(w.currentSlot(), into);
    QCOMPARE(clipFiles().size(), filled.size() + 1);
}

void TestSbx::pasteIntoAFolderThatCannotBeWritten()
{
    // The folder is not there: a clear reason, nothing created.
    fake->environment.variables.insert("windir", folder->path() + "/missing");
    fake->clipboard.held = "text";
    StashWindow &w = open();
    click(w.pasteButton);
    QCOMPARE(fake->messages.lastText(),
             "Cannot create " + folder->path() + "/missing/clip1.txt: No such file or directory");
    QVERIFY(!QFileInfo::exists(folder->path() + "/missing"));
}

void TestSbx::undoBringsFreedClipsBack()
{
    // Clips of another program's making: bytes Pagewell would never write come back as they were.
    const QByteArray foreign[] = {"lf only\nsecond", QByteArray("\xff\xfe latin\r\n"), ""};
    for (int n = 1; n <= 3; ++n)
        writeFile(slot(n), foreign[n - 1]);
    StashWindow &w = open();
    QVERIFY(!w.undoButton->isEnabled());
    choose(2);
    click(w.freeButton);
    click(w.freeAllButton);
    QCOMPARE(clipFiles(), QStringList());
    QVERIFY(w.undoButton->isEnabled());

    // Free all comes back first, then the single Free.
    writeFile(slot(2), "new\r\n");
    click(w.undoButton);
    QCOMPARE(clipFiles(), QStringList({"clip1.txt", "clip2.txt", "clip3.txt"}));
    QCOMPARE(readFile(slot(1)), foreign[0]);
    QCOMPARE(readFile(slot(2)), "new\r\n");
    QCOMPARE(readFile(slot(3)), foreign[2]);
    // The single Free waits while its slot is taken; once there is room it comes back too.
    QVERIFY(w.undoButton->isEnabled());
    QFile::remove(slot(2));
    click(w.undoButton);
    QCOMPARE(readFile(slot(2)), foreign[1]);
    QVERIFY(!w.undoButton->isEnabled());
    QVERIFY(fake->messages.shown.isEmpty());
}

void TestSbx::undoNeverPutsAClipOverAnother()
{
    writeFile(slot(1), "mine\r\n");
    StashWindow &w = open();
    click(w.freeButton);
    // Pagewell sends twice meanwhile: the freed clip takes the next free slot.
    ClipSlotWriter(folder->path()).send("sent 1");
    ClipSlotWriter(folder->path()).send("sent 2");
    click(w.undoButton);
    QCOMPARE(readFile(slot(1)), "sent 1\r\n");
    QCOMPARE(readFile(slot(2)), "sent 2\r\n");
    QCOMPARE(readFile(slot(3)), "mine\r\n");
    QCOMPARE(w.currentSlot(), 3);

    // No room at all: the clip waits for the next Undo, and the user is told.
    click(w.freeButton);
    ClipSlotWriter(folder->path()).send("sent 3");
    click(w.undoButton);
    QCOMPARE(readFile(slot(3)), "sent 3\r\n");
    QCOMPARE(fake->messages.lastText(), "All three clips are full: free one, then press Undo "
                                        "again to bring back the rest.");
    QVERIFY(w.undoButton->isEnabled());
    QFile::remove(slot(2));
    click(w.undoButton);
    QCOMPARE(readFile(slot(2)), "mine\r\n");
    QVERIFY(!w.undoButton->isEnabled());
}

void TestSbx::undoAfterAnUnexpectedEnd()
{
    // Held by an sbx that was killed (no process has that number), and by this one's own number.
    writeFile(folder->path() + "/.clip2.txt.freed-2147483646-1", "from the last run\r\n");
    const QString running =
        QStringLiteral("/.clip1.txt.freed-%1-1").arg(QCoreApplication::applicationPid());
    writeFile(folder->path() + running, "not adopted\r\n");
    writeFile(slot(2), "new\r\n");
    StashWindow &w = open();
    QVERIFY(w.undoButton->isEnabled());
    click(w.undoButton);
    QCOMPARE(readFile(slot(1)), "from the last run\r\n");
    QVERIFY(!w.undoButton->isEnabled());
    QVERIFY(QFileInfo::exists(folder->path() + running));
}

void TestSbx::keys()
{
    writeFile(slot(1), "first\r\nwhole text\r\n");
    StashWindow &w = open();
    w.activateWindow(); // keys reach the active window only
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.slotList->setFocus();
    key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(fake->clipboard.text(), "first\nwhole text"); // the clip, not the row's caption
    // In the text box too, unless part of it is selected.
    fake->clipboard.held.clear();
    w.clipText->setFocus();
    QTest::keyClick(w.clipText, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(fake->clipboard.text(), "first\nwhole text");
    w.slotList->setFocus();
    key(Qt::Key_Delete);
    QVERIFY(!QFileInfo::exists(slot(1)));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(readFile(slot(1)), "first\r\nwhole text\r\n");
    fake->clipboard.held = "pasted";
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(readFile(slot(2)), "pasted\r\n");
    // F5 reads at once, before the folder tells.
    writeFile(slot(3), "third\r\n");
    key(Qt::Key_F5);
    QCOMPARE(row(3), "Clip 3:  third");

    // Tab goes from the list through every button to the check box; each says what it is.
    QList<QWidget *> chain{w.slotList};
    for (QWidget *next = w.slotList->nextInFocusChain(); next != w.slotList;
         next = next->nextInFocusChain()) {
        if (next->focusPolicy() & Qt::TabFocus)
            chain.append(next);
    }
    for (QWidget *control :
         std::initializer_list<QWidget *>{w.clipText, w.copyButton, w.pasteButton, w.freeButton,
                                          w.freeAllButton, w.undoButton, w.keepCopies})
        QVERIFY2(chain.contains(control), qPrintable(control->objectName()));
    for (QWidget *control : w.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));

    key(Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QVERIFY(fake->messages.shown.isEmpty());
}

void TestSbx::keepWhatICopy()
{
    StashWindow &w = open();
    QVERIFY(!w.keepCopies->isChecked()); // off unless asked for
    copiedElsewhere("ignored");
    QCOMPARE(clipFiles(), QStringList());

    w.keepCopies->click();
    copiedElsewhere("a password");
    copiedElsewhere("more");
    QCOMPARE(readFile(slot(1)), "a password\r\n");
    QCOMPARE(readFile(slot(2)), "more\r\n");
    // A clip copied from here is not kept a second time.
    choose(1);
    click(w.copyButton);
    QCOMPARE(clipFiles().size(), 2);
    copiedElsewhere("third");
    copiedElsewhere("fourth");
    QCOMPARE(w.statusLabel->text(), "Not kept: All three clips are full: free one to make room.");
    QVERIFY(fake->messages.shown.isEmpty()); // no box for each copy

    // Remembered.
    window.reset();
    QVERIFY(open().keepCopies->isChecked());
}

void TestSbx::folderThatAppearsLater()
{
    const QString later = folder->path() + "/not/yet";
    fake->environment.variables.insert("windir", later);
    StashWindow &w = open();
    QCOMPARE(w.folderLabel->toolTip(), "Folder: " + later + " (not there yet)");
    QVERIFY(QDir().mkpath(later));
    QTRY_COMPARE(w.folderLabel->toolTip(), "Folder: " + later);
    writeFile(later + "/clip2.txt", "arrived\r\n");
    QTRY_COMPARE(row(2), "Clip 2:  arrived");
}

void TestSbx::relativeWindirIsFromHome()
{
    fake->environment.variables.insert("windir", "clips/../stash");
    QCOMPARE(open().folder(), QDir::homePath() + "/stash");
}

void TestSbx::remembersSizeAndPlace()
{
    StashWindow &w = open();
    w.resize(520, 610);
    w.close();
    QVERIFY(!fake->settings.values.value("Vantrel Stash/window/geometry").isEmpty());
    window.reset();
    QCOMPARE(open().size(), QSize(520, 610));
}

QTEST_MAIN(TestSbx)
#include "tst_sbx.moc"
