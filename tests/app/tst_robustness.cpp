// The main window in hostile situations: a start path that is a pipe, text under the folder
// label, names that are not valid UTF-8, and the favorites menu from the keyboard.
#include "app/clicklabel.h"
#include "windowtest.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestRobustness : public WindowTest
{
    Q_OBJECT

private slots:
    void specialFileAsStartPath();
    void lastLineReadableAboveFolderLabel();
    void nameNotValidUtf8();
    void accessibleNamesAndMenu();
};

void TestRobustness::specialFileAsStartPath()
{
    QVERIFY(::mkfifo(QFile::encodeName(f->browse("p.txt")).constData(), 0600) == 0);
    // Opening a pipe that no one writes would wait for good: the test's time limit catches it.
    pgwell w(f->fake.platform, {f->browse("p.txt")});
    QCOMPARE(f->fake.messages.lastText(), f->browse("p.txt") + " is not a regular file");
    QCOMPARE(w.Label1->caption(), f->browsed.path());
}

void TestRobustness::lastLineReadableAboveFolderLabel()
{
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    writeFile(f->browse("long.txt"), lines.join(u'\n').toUtf8());
    writeFile(f->browse("doc.rtf"), "{\\rtf1\\ansi " + lines.join("\\par ").toUtf8() + "}");
    pgwell &w = f->openShown();

    // As designed, and after expanding and back: then the pane is taller, the toolbar covers
    // its lower edge and the label lies just above the toolbar.
    for (const bool expandedAndBack : {false, true}) {
        if (expandedAndBack) {
            QTest::mouseClick(w.Command3, Qt::LeftButton);
            QTest::mouseClick(w.Command3, Qt::LeftButton);
        }
        for (const char *name : {"long.txt", "doc.rtf"}) {
            choose(w.File1, name);
            w.Text1->select(w.Text1->textLength(), 0); // the last line, scrolled into view
            const QRect caret = w.Text1->caretRect().translated(w.Text1->pos());
            QVERIFY2(caret.top() >= w.Text1->y(), name);
            QVERIFY2(caret.bottom() < w.Label1->y(), name);
            QVERIFY(w.Label1->isVisible());
        }
    }
    QVERIFY(w.Label1->autoFillBackground()); // opaque: no text shows through it
}

void TestRobustness::nameNotValidUtf8()
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
    QVERIFY(rowOf(w.File1, shown) >= 0);
    choose(w.File1, "keep.txt");
    choose(w.File1, shown);
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY(f->fake.messages.lastText().startsWith(f->browse(shown) + " cannot be opened"));
    QVERIFY(f->fake.messages.lastText().contains("not valid"));
    QCOMPARE(w.Text1->toPlainText(), QStringLiteral("kept text"));
}

void TestRobustness::accessibleNamesAndMenu()
{
    writeFile(f->favorite("one.txt"), "1");
    pgwell &w = f->openShown();
    QAccessibleInterface *label = QAccessible::queryAccessibleInterface(w.Label1);
    QVERIFY(label);
    QCOMPARE(label->text(QAccessible::Name), w.Label1->caption());
    QVERIFY(!w.Label1->caption().isEmpty());

    // The favorites menu from the keyboard's menu key, its first item ready for the arrows.
    w.File2->setFocus();
    w.File2->setCurrentRow(rowOf(w.File2, "one.txt"));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(2, 2),
                          w.File2->viewport()->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w.File2->viewport(), &key);
    QTRY_VERIFY(w.favo->isVisible());
    QCOMPARE(w.favo->activeAction(), w.remt);
    w.favo->close();

    // Shift+F10 does the same; a right click still opens it only once, from its press.
    QTest::keyClick(w.File2, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(w.favo->isVisible());
    w.favo->close();
}

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
