// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: start-up, the unroll, quitting and showing files from both lists; and in
// hostile situations: a start path that is a pipe, text under the folder label, names that are
// not valid UTF-8, and the favorites menu from the keyboard.
#include "app/browser.h"
#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/twips.h"
#include "windowtest.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Counts the events of one type that reach the objects it filters.
class EventCounter : public QObject
{
public:
    EventCounter(QEvent::Type type, int *count) : m_type(type), m_count(count) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            ++*m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int *m_count;
};
} // namespace

class TestPgwell : public WindowTest
{
    Q_OBJECT

private slots:
    void startUpWritesSettingsAndHelp();
    void secondStartRewritesHelpAndGoesOnPastSettings();
    void unreadableStartFolderFallsBackToRoot();
    void quitAsksFirst_data();
    void quitAsksFirst();
    void displaysFromBothLists();
    void formattingLabelsFollowTheName_data();
    void formattingLabelsFollowTheName();
    void openingFolderKeepsPane();
    void startPathFileAndFolder();

    void startPathMessageComesAfterTheWindow_data();
    void startPathMessageComesAfterTheWindow();
    void specialFileAsStartPath();
    void lastLineReadableAboveFolderLabel();
    void nameNotValidUtf8();
    void accessibleNamesAndMenu();
};

void TestPgwell::startUpWritesSettingsAndHelp()
{
    f->fake.environment.variables.insert("windir", "/srv/win");
    pgwell &w = f->open();
    QCOMPARE(f->fake.settings.values.value("VTL pgwell/VTL pgwell/path"), f->program.path());
    QVERIFY(f->fake.messages.shown.isEmpty());
    QVERIFY(QFile::exists(f->favorite("What is This.txt")));
    QCOMPARE(ui(w).File2->path(), f->program.filePath("favo"));
    QVERIFY(rowOf(ui(w).File2, "What is This.txt") >= 0);

    QCOMPARE(ui(w).Text1->toPlainText(),
             "Its recommded that you hide the taskbar while using Vantrel Pagewellif you are "
             "using a screen resulotion 800*600 or less ...best view for Pagewell is 768*1024");
    QCOMPARE(w.viewer().clipFolderSetting(), "/srv/win");
    QCOMPARE(ui(w).Label1->caption(), QDir::currentPath());
    QVERIFY(ui(w).Timer2->isActive());
    QCOMPARE(w.heightTwips(), 0);
    QVERIFY(w.existingReader() == nullptr);

    // Shown collapsed, it unrolls on one tick to exactly its full height, with one resize (a
    // resize at every twip floods an X server that has no window manager).
    w.show();
    int resizes = 0;
    EventCounter counter(QEvent::Resize, &resizes);
    w.installEventFilter(&counter);
    QTRY_VERIFY(!ui(w).Timer2->isActive());
    QCOMPARE(w.heightTwips(), pgwell::fullHeightTwips);
    QCOMPARE(w.height(), Twips::toPixels(pgwell::fullHeightTwips));
    QCOMPARE(resizes, 1);
}

void TestPgwell::secondStartRewritesHelpAndGoesOnPastSettings()
{
    f->open();
    const QString help = f->favorite("What is This.txt");
    const QByteArray original = readFile(help);
    QCOMPARE(original.count("\r\n"), 16);
    writeFile(help, "my own notes");
    writeFile(f->favorite("keep.txt"), "kept");

    // The settings cannot be written this time: said once the window is on screen, and the
    // start goes on.
    f->fake.settings.failWith = "Access denied";
    pgwell &second = f->open();
    QVERIFY(f->fake.messages.shown.isEmpty());
    second.show();
    QTRY_COMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY(f->fake.messages.lastText().startsWith(
        "Access denied, Fail to sae the setting, Please send the error to "));
    QCOMPARE(readFile(help), original);
    QCOMPARE(readFile(f->favorite("keep.txt")), "kept");
    QCOMPARE(ui(second).File2->listCount(), 2);
}

void TestPgwell::unreadableStartFolderFallsBackToRoot()
{
    // The process's current folder is removed before the window reads it.
    QTemporaryDir doomed;
    QVERIFY(QDir::setCurrent(doomed.path()));
    QVERIFY(doomed.remove());
    pgwell &w = f->open();
    QVERIFY(f->fake.messages.shown.isEmpty());
    w.show();
    QTRY_COMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.lastText(),
             "Drictory Error ..No such file or directory: " + doomed.path());
    QCOMPARE(ui(w).Dir1->path(), "/");
    QCOMPARE(ui(w).Label1->caption(), QString());
    QVERIFY(QFile::exists(f->favorite("What is This.txt")));

    // Until a folder is chosen, choosing a file reads nothing.
    const QString hint = ui(w).Text1->toPlainText();
    w.browser().displayFromFileList("anything.txt");
    QVERIFY(w.viewer().shownFile().isEmpty());
    QCOMPARE(ui(w).Text1->toPlainText(), hint);
    QVERIFY(w.existingReader() == nullptr);
    QCOMPARE(w.viewer().lastFileListPath(), "/anything.txt");
}

void TestPgwell::quitAsksFirst_data()
{
    QTest::addColumn<bool>("button"); // the quit button, or the window system's close
    QTest::newRow("quit button") << true;
    QTest::newRow("window system's close") << false;
}

void TestPgwell::quitAsksFirst()
{
    QFETCH(bool, button);
    writeFile(f->browse("a.txt"), "shown text");
    pgwell &w = f->openShown();
    choose(ui(w).File1, "a.txt");
    QSignalSpy ended(&w, &pgwell::quitConfirmed);
    const auto quit = [&] {
        if (button)
            QTest::mouseClick(ui(w).Command1, Qt::LeftButton);
        else
            w.close();
    };

    f->fake.messages.answers.enqueue(MessageBoxes::Answer::No);
    quit();
    QCOMPARE(f->fake.messages.lastText(), "Are you sure you want to quit the Pagewell ...");
    QCOMPARE(f->fake.messages.shown.last().buttons, MessageBoxes::Buttons::YesNo);
    QVERIFY(w.isVisible());
    QCOMPARE(ended.count(), 0);
    QCOMPARE(ui(w).Text1->toPlainText(), "shown text");

    f->fake.messages.answers.enqueue(MessageBoxes::Answer::Yes);
    quit();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(f->fake.messages.shown.size(), 2);
}

void TestPgwell::displaysFromBothLists()
{
    writeFile(f->browse("b.txt"), "first line\r\nsecond line\r\n");
    writeFile(f->browse("a.txt"), "other");
    writeFile(f->browse("doc.rtf"), "{\\rtf1\\ansi rich}");
    writeFile(f->favorite("fav.txt"), "favorite text\r\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "b.txt");

    QCOMPARE(ui(w).Text1->toPlainText(), "first line\nsecond line\n");
    QCOMPARE(w.viewer().shownFile().list, ShownList::Files);
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("b.txt"));
    QVERIFY(!w.reader()->isVisible());
    QCOMPARE(w.reader()->windowTitle(), "Full screen mode - b.txt");
    QCOMPARE(w.reader()->readerText(), "first line\nsecond line\n");
    QVERIFY(f->fake.messages.shown.isEmpty());

    // A favorite shows as well, but leaves the formatting tools and the file list's path alone.
    choose(ui(w).File1, "doc.rtf");
    QVERIFY(ui(w).Label5->isEnabled());
    choose(ui(w).File2, "fav.txt");
    QCOMPARE(ui(w).Text1->toPlainText(), "favorite text\n");
    QCOMPARE(w.viewer().shownFile().list, ShownList::Favorites);
    QCOMPARE(w.reader()->windowTitle(), "Full screen mode - fav.txt");
    QVERIFY(ui(w).Label5->isEnabled());
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("doc.rtf"));
}

void TestPgwell::formattingLabelsFollowTheName_data()
{
    // The name's rule itself is tested without a window; here, that the display follows it.
    // RTF is recognised by its content, whatever the name says.
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("offered");
    QTest::newRow("rtf") << "a.rtf" << true;
    QTest::newRow("txt") << "styled.txt" << false;
}

void TestPgwell::formattingLabelsFollowTheName()
{
    QFETCH(QString, name);
    QFETCH(bool, offered);
    writeFile(f->browse(name), "{\\rtf1\\ansi plain {\\b bold} words}");
    pgwell &w = f->open();
    // Start from the opposite state, so that the display has to change it.
    for (const char *action : {"actionBold", "actionItalic", "actionUnderline", "actionColor"})
        w.findChild<QAction *>(action)->setEnabled(!offered);
    ui(w).Text1->setFont(QFont("Courier", 20));

    w.browser().displayFromFileList(name);
    waitForDisplay(w);
    for (ClickLabel *l : {ui(w).Label5, ui(w).Label14, ui(w).Label15, ui(w).Label16})
        QCOMPARE(l->isEnabled(), offered);
    QCOMPARE(ui(w).Text1->font().family(), offered ? "Courier" : "MS Sans Serif");
    QCOMPARE(ui(w).Text1->font().pointSize(), offered ? 20 : 8);
    QVERIFY(ui(w).Text1->showsRichDocument() && w.viewer().shownFile().richText);
    QCOMPARE(w.reader()->readerText(), "plain bold words");
    ui(w).Text1->select(6, 4);
    QCOMPARE(ui(w).Text1->selectionBold(), Qt::Checked);
}

void TestPgwell::openingFolderKeepsPane()
{
    writeFile(f->browse("sub/inner.txt"), "inner");
    writeFile(f->browse("top.txt"), "top");
    pgwell &w = f->open();
    choose(ui(w).File1, "top.txt");
    QVERIFY(ui(w).Dir1->setPath(f->browse("sub")));
    QCOMPARE(ui(w).Label1->caption(), f->browse("sub"));
    QCOMPARE(ui(w).File1->path(), f->browse("sub"));
    QCOMPARE(ui(w).File1->listIndex(), -1);
    QCOMPARE(ui(w).Text1->toPlainText(), "top");

    choose(ui(w).File1, "inner.txt");
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("sub/inner.txt"));
}

void TestPgwell::startPathFileAndFolder()
{
    writeFile(f->browse("deep/start.txt"), "from the command line");
    pgwell *w = &f->open({f->browse("deep/start.txt")});
    QCOMPARE(ui(*w).Dir1->path(), f->browse("deep"));
    QCOMPARE(ui(*w).File1->fileName(), "start.txt");
    QCOMPARE(ui(*w).Text1->toPlainText(), "from the command line");
    QCOMPARE(w->viewer().lastFileListPath(), f->browse("deep/start.txt"));

    w = &f->open({f->browse("deep")});
    QCOMPARE(ui(*w).Label1->caption(), f->browse("deep"));
    QCOMPARE(ui(*w).File1->listIndex(), -1);
    QVERIFY(f->fake.messages.shown.isEmpty());

    w = &f->open({f->browse("missing.txt")});
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY(f->fake.messages.lastText().contains("missing.txt"));
    QCOMPARE(ui(*w).Dir1->path(), f->browsed.path());
}

void TestPgwell::startPathMessageComesAfterTheWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing.txt"
                             << "missing.txt was not found.";
    QTest::newRow("too large") << "huge.txt"
                               << "huge.txt is too large to show";
    QTest::newRow("not a regular file") << "pipe.txt"
                                        << "pipe.txt is not a regular file";
}

void TestPgwell::startPathMessageComesAfterTheWindow()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFile huge(f->browse("huge.txt"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(5) << 30)); // sparse
    huge.close();
    QVERIFY(::mkfifo(QFile::encodeName(f->browse("pipe.txt")).constData(), 0600) == 0);
    pgwell &w = f->open();
    w.openStartPathWhenShown(f->browse(name));
    QCoreApplication::processEvents();
    QVERIFY(f->fake.messages.shown.isEmpty()); // not before the window is there
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY2(f->fake.messages.lastText().contains(message),
             qPrintable(f->fake.messages.lastText()));
}

void TestPgwell::specialFileAsStartPath()
{
    QVERIFY(::mkfifo(QFile::encodeName(f->browse("p.txt")).constData(), 0600) == 0);
    // Opening a pipe that no one writes would wait for good: the test's time limit catches it.
    pgwell w(f->fake.platform, {f->browse("p.txt")});
    waitForDisplay(w);
    QCOMPARE(f->fake.messages.lastText(), f->browse("p.txt") + " is not a regular file");
    QCOMPARE(ui(w).Label1->caption(), f->browsed.path());
}

void TestPgwell::lastLineReadableAboveFolderLabel()
{
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    writeFile(f->browse("long.txt"), lines.join(u'\n').toUtf8());
    writeFile(f->browse("doc.rtf"), "{\\rtf1\\ansi " + lines.join("\\par ").toUtf8() + "}");
    pgwell &w = f->openShown();

    // After expanding and back the pane is taller, the toolbar covers its lower edge and the
    // label lies just above the toolbar.
    QTest::mouseClick(ui(w).Command3, Qt::LeftButton);
    QTest::mouseClick(ui(w).Command3, Qt::LeftButton);
    for (const char *name : {"long.txt", "doc.rtf"}) {
        choose(ui(w).File1, name);
        ui(w).Text1->select(ui(w).Text1->textLength(), 0); // the last line, scrolled into view
        const QRect caret = ui(w).Text1->caretRect().translated(ui(w).Text1->pos());
        QVERIFY2(caret.top() >= ui(w).Text1->y() && caret.bottom() < ui(w).Label1->y(), name);
    }
    QVERIFY(ui(w).Label1->autoFillBackground()); // opaque: no text shows through it
}

void TestPgwell::nameNotValidUtf8()
{
    // "café.txt" written by a system that used Latin-1.
    const QByteArray raw = QFile::encodeName(f->browsed.path()) + "/caf\xe9.txt";
    {
        QFile latin1(QFile::decodeName(raw));
        QVERIFY(latin1.fileName().contains(QChar::ReplacementCharacter));
    }
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0600);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "x", 1), 1);
    ::close(fd);
    writeFile(f->browse("keep.txt"), "kept text");
    pgwell &w = f->open();

    const QString shown = QStringLiteral("caf\uFFFD.txt");
    QVERIFY(rowOf(ui(w).File1, shown) >= 0);
    choose(ui(w).File1, "keep.txt");
    choose(ui(w).File1, shown);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY(f->fake.messages.lastText().startsWith(f->browse(shown) + " cannot be opened"));
    QVERIFY(f->fake.messages.lastText().contains("not valid"));
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("kept text"));
}

void TestPgwell::accessibleNamesAndMenu()
{
    writeFile(f->favorite("one.txt"), "1");
    pgwell &w = f->openShown();
    QAccessibleInterface *label = QAccessible::queryAccessibleInterface(ui(w).Label1);
    QVERIFY(label);
    QCOMPARE(label->text(QAccessible::Name), ui(w).Label1->caption());
    QVERIFY(!ui(w).Label1->caption().isEmpty());

    // The favorites menu from the keyboard's menu key, its first item ready for the arrows.
    ui(w).File2->setFocus();
    ui(w).File2->setCurrentRow(rowOf(ui(w).File2, "one.txt"));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(2, 2),
                          ui(w).File2->viewport()->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(ui(w).File2->viewport(), &key);
    QTRY_VERIFY(ui(w).favo->isVisible());
    QCOMPARE(ui(w).favo->activeAction(), ui(w).remt);
    ui(w).favo->close();
    QTest::keyClick(ui(w).File2, Qt::Key_F10, Qt::ShiftModifier); // the same
    QTRY_VERIFY(ui(w).favo->isVisible());
    ui(w).favo->close();
}

QTEST_MAIN(TestPgwell)
#include "tst_pgwell.moc"
