// The main window in hostile situations: too little memory, a start path that is a pipe, text
// under the folder label, names that are not valid UTF-8, long drive names.
#include "app/backgroundcolor.h"
#include "app/clicklabel.h"
#include "app/drivelistbox.h"
#include "app/richtextbox.h"
#include "app/twips.h"
#include "windowtest.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QStyle>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestRobustness : public WindowTest
{
    Q_OBJECT

private slots:
    void specialFileAsStartPath();
    void paneBottomMargin_data();
    void paneBottomMargin();
    void lastLineReadableAboveFolderLabel();
    void nameNotValidUtf8();
    void driveListKeepsItsPlace();
    void toolbarCaptionsClearOfPictures();
    void accessibleNamesAndMenu();
};

void TestRobustness::specialFileAsStartPath()
{
    QVERIFY(::mkfifo(QFile::encodeName(f->browse("p.txt")).constData(), 0600) == 0);
    QElapsedTimer clock;
    clock.start();
    pgwell w(f->fake.platform, {f->browse("p.txt")});
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(f->fake.messages.lastText(), f->browse("p.txt") + " is not a regular file");
    QCOMPARE(w.Label1->caption(), f->browsed.path());
}

void TestRobustness::paneBottomMargin_data()
{
    // Pixels of the main window's client area: the pane at the left, 773 wide, from y 32.
    QTest::addColumn<int>("paneHeight");
    QTest::addColumn<bool>("toolbarShown");
    QTest::addColumn<int>("margin");

    const QRect label = Twips::rect(2160, 5520, 6855, 255); // y 368 to 385
    QTest::newRow("as designed: the label over the lower edge")
        << Twips::toPixels(5295) << true << 385 - label.top();
    QTest::newRow("shown again, 5535 high: the toolbar over the lower edge, the label just above")
        << Twips::toPixels(5535) << true << 32 + Twips::toPixels(5535) - label.top();
    QTest::newRow("expanded: only what lies below the window")
        << Twips::toPixels(8970 - 200) << false << 32 + Twips::toPixels(8770) - 592;
}

void TestRobustness::paneBottomMargin()
{
    QFETCH(int, paneHeight);
    QFETCH(bool, toolbarShown);
    QFETCH(int, margin);
    pgwell &w = f->open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Text1->resize(w.Text1->width(), paneHeight);
    w.tlbr->setVisible(toolbarShown);
    QCOMPARE(w.Text1->bottomMargin(), margin);
    QCOMPARE(w.Text1->geometry(), QRect(0, 32, 773, paneHeight)); // the pane keeps its place
}

void TestRobustness::lastLineReadableAboveFolderLabel()
{
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    writeFile(f->browse("long.txt"), lines.join(u'\n').toUtf8());
    writeFile(f->browse("doc.rtf"), "{\\rtf1\\ansi " + lines.join("\\par ").toUtf8() + "}");
    pgwell &w = f->openShown();

    for (const char *name : {"long.txt", "doc.rtf"}) {
        choose(w.File1, name);
        w.Text1->select(w.Text1->textLength(), 0); // the last line, scrolled into view
        const QRect caret = w.Text1->caretRect().translated(w.Text1->pos());
        QVERIFY2(caret.top() >= w.Text1->y(), name);
        QVERIFY2(caret.bottom() < w.Label1->y(), name);
        QVERIFY(w.Label1->isVisible());
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
    QCOMPARE(f->fake.messages.shown.last().icon, MessageBoxes::Icon::Critical);
    QCOMPARE(w.Text1->toPlainText(), QStringLiteral("kept text"));
}

void TestRobustness::driveListKeepsItsPlace()
{
    pgwell &w = f->openShown();
    const QRect place = w.Drive1->geometry();
    const QString longRoot = "/media/someone/" + QString(60, u'x') + "/end";
    w.Drive1->addItem(longRoot, longRoot);
    w.Drive1->setCurrentIndex(w.Drive1->count() - 1);
    QTest::qWait(50); // a list that adjusts its size does so a moment later
    QCOMPARE(w.Drive1->geometry(), place);
    const QString shown = w.Drive1->shownText();
    QVERIFY(shown.contains(QChar(0x2026)));
    QVERIFY(shown.startsWith("/me") && shown.endsWith("end"));
    QVERIFY(w.Drive1->fontMetrics().horizontalAdvance(shown) < place.width());
}

void TestRobustness::toolbarCaptionsClearOfPictures()
{
    pgwell &w = f->open();
    const QList<QPair<ClickLabel *, ClickLabel *>> buttons = {
        {w.m2, w.Label7},     {w.m1, w.Label8},   {w.Image1, w.Label10}, {w.sav, w.Label9},
        {w.reall, w.Label11}, {w.com, w.Label12}, {w.Image4, w.Label13}};
    for (const auto &[image, caption] : buttons) {
        // Where the picture is drawn inside its image, and where the caption's text begins.
        const QSize picture = image->pixmap().deviceIndependentSize().toSize();
        const QRect drawn = QStyle::alignedRect(Qt::LeftToRight, image->alignment(), picture,
                                                image->contentsRect());
        const int pictureRight = image->x() + drawn.right();
        const int textLeft = caption->x() + caption->contentsRect().left() + caption->indent();
        QVERIFY2(textLeft - pictureRight >= 3, qPrintable(caption->text()));
        QVERIFY2(caption->fontMetrics().horizontalAdvance(caption->text()) + caption->indent() <=
                     caption->contentsRect().width(),
                 qPrintable(caption->text()));
        QVERIFY(image->rect().contains(drawn));
    }
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
    QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(w.favo);
    QCOMPARE(menu->role(), QAccessible::PopupMenu);
    QCOMPARE(menu->text(QAccessible::Name), QStringLiteral("Favorites menu"));
    QCOMPARE(menu->childCount(), 3);
    QCOMPARE(menu->child(2)->text(QAccessible::Name), QStringLiteral("Refresh"));
    w.favo->close();

    // Shift+F10 does the same; a right click still opens it only once, from its press.
    QTest::keyClick(w.File2, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(w.favo->isVisible());
    w.favo->close();
}

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
