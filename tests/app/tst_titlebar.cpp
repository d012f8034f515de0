// SPDX-License-Identifier: GPL-3.0-or-later
// The title bar (dragging, minimize, expand) and the toolbar's pressed pictures, driven with real
// mouse events through the window.
#define QTEST_QPA_MOUSE_HANDLING // widget mouse events go through the window, as a user's do

#include "app/pgwell.h"
#include "app/titledrag.h"
#include "controls/clicklabel.h"
#include "controls/twips.h"
#include "windowtest.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

class TestTitleBar : public WindowTest
{
    Q_OBJECT

private slots:
    void cleanup();

    void dragArithmetic_data();
    void dragArithmetic();
    void dragByTitleTextAndPicture();
    void expandTwiceAndMinimize();
    void toolbarPressAndRelease_data();
    void toolbarPressAndRelease();

private:
    QWindow *handle() const { return f->w->windowHandle(); }
    QPoint at(QWidget *widget, QPoint local) const
    {
        return widget->mapTo(widget->window(), local);
    }
    void moveTo(QWidget *widget, QPoint local) { QTest::mouseMove(handle(), at(widget, local)); }
};

void TestTitleBar::cleanup()
{
    // A button still held by a failed test must not leak into the next one.
    if (f->w && handle()) {
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton})
            QTest::mouseRelease(handle(), b, {}, QPoint(1, 1));
    }
    f.reset();
}

void TestTitleBar::dragArithmetic_data()
{
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<int>("dragX");
    QTest::addColumn<int>("dragY");
    QTest::addColumn<qint64>("x");
    QTest::addColumn<qint64>("y");
    QTest::addColumn<QPoint>("moved");

    QTest::newRow("left of the screen")
        << QPoint(0, 0) << 3000 << 150 << qint64(-1500) << qint64(-150) << QPoint(-300, -20);
    // More than 32767 twips (2184 pixels) from the title: beyond the 16-bit origin's range.
    QTest::newRow("far left") << QPoint(4000, 0) << 32767 << 0 << qint64(-3000 * 15) << qint64(0)
                              << QPoint(-1184, 0);
    QTest::newRow("absurdly far") << QPoint(0, 0) << 0 << 0 << (qint64(1) << 40) << qint64(0)
                                  << QPoint(1 << 24, 0);
}

void TestTitleBar::dragArithmetic()
{
    QFETCH(QPoint, topLeft);
    QFETCH(int, dragX);
    QFETCH(int, dragY);
    QFETCH(qint64, x);
    QFETCH(qint64, y);
    QFETCH(QPoint, moved);
    QCOMPARE(TitleDrag::movedTopLeft(topLeft, qint16(dragX), qint16(dragY), x, y), moved);

    // The kept origin is rounded and stays within its 16 bits.
    QCOMPARE(TitleDrag::origin(149.6), qint16(150));
    QCOMPARE(TitleDrag::origin(40000.0), qint16(32767));
    QCOMPARE(TitleDrag::origin(-40000.0), qint16(-32768));
}

// A move with the left button held, straight to the handle, as after a press elsewhere.
static void leftHeldMove(QWidget *handle, QPoint local)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(handle->mapToGlobal(local)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
}

void TestTitleBar::dragByTitleTextAndPicture()
{
    pgwell &w = f->openShown();
    const QPoint start = w.pos();

    // Grabbing the picture and pulling far beyond 32767 twips (2184 pixels) from it: the window
    // follows, the grabbed point stays under the pointer, nothing is reported.
    moveTo(ui(w).Image5, QPoint(400, 10));
    QTest::mousePress(ui(w).Image5, Qt::LeftButton, {}, QPoint(400, 10));
    QCOMPARE(w.pos(), start);
    moveTo(ui(w).Image5, QPoint(3000, 2600));
    QTRY_COMPARE(w.pos(), start + QPoint(3000 - 400, 2600 - 10));
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, at(ui(w).Image5, QPoint(400, 10)));
    QCOMPARE(f->fake.messages.shown.size(), 0);
    QVERIFY(w.isVisible());

    // The origin from hovering over the title text serves a drag on the picture ...
    QPoint before = w.pos();
    moveTo(ui(w).Label4, QPoint(20, 5));
    leftHeldMove(ui(w).Image5, QPoint(50, 25));
    QTRY_COMPARE(w.pos(), before + QPoint(30, 20));

    // ... and the one from the picture a drag on the text.
    before = w.pos();
    moveTo(ui(w).Image5, QPoint(600, 12));
    leftHeldMove(ui(w).Label4, QPoint(15, 2));
    QTRY_COMPARE(w.pos(), before + QPoint(15 - 600, 2 - 12));

    // The right button drags nothing, also with the left held.
    before = w.pos();
    moveTo(ui(w).Label4, QPoint(10, 5));
    QTest::mousePress(ui(w).Label4, Qt::LeftButton, {}, QPoint(10, 5));
    QTest::mousePress(ui(w).Label4, Qt::RightButton, {}, QPoint(10, 5));
    moveTo(ui(w).Label4, QPoint(90, 45));
    QTest::mouseRelease(ui(w).Label4, Qt::RightButton, {}, QPoint(90, 45));
    QTest::mouseRelease(ui(w).Label4, Qt::LeftButton, {}, QPoint(90, 45));
    QCOMPARE(w.pos(), before);
}

void TestTitleBar::expandTwiceAndMinimize()
{
    pgwell &w = f->openShown();
    const QList<QWidget *> panels{ui(w).f1, ui(w).frm, ui(w).Command4, ui(w).tlbr};

    QTest::mouseClick(ui(w).Command3, Qt::LeftButton);
    QVERIFY(w.viewer().isExpanded());
    QCOMPARE(ui(w).Text1->height(), Twips::toPixels(8970 - 200));
    for (QWidget *panel : panels)
        QVERIFY2(!panel->isVisible(), qPrintable(panel->objectName()));

    QTest::mouseClick(ui(w).Command3, Qt::LeftButton);
    QVERIFY(!w.viewer().isExpanded());
    QCOMPARE(ui(w).Text1->height(), Twips::toPixels(5535));
    for (QWidget *panel : panels)
        QVERIFY2(panel->isVisible(), qPrintable(panel->objectName()));

    // The find panel, open in place of the five buttons it covers with a word typed, comes back
    // as it was.
    const QList<QWidget *> covered{ui(w).Command6, ui(w).Command7, ui(w).Command8, ui(w).find,
                                   ui(w).Command5};
    QTest::mouseClick(ui(w).find, Qt::LeftButton);
    ui(w).Text2->setText(QStringLiteral("needle"));
    QTest::mouseClick(ui(w).Command3, Qt::LeftButton);
    QVERIFY(!ui(w).fnd->isVisible());
    QTest::mouseClick(ui(w).Command3, Qt::LeftButton);
    QVERIFY(ui(w).fnd->isVisible());
    QCOMPARE(ui(w).Text2->text(), QStringLiteral("needle"));
    for (QWidget *b : covered)
        QVERIFY2(!b->isVisible(), qPrintable(b->objectName()));

    QTest::mouseClick(ui(w).Command2, Qt::LeftButton);
    QVERIFY(w.windowState() & Qt::WindowMinimized);
}

void TestTitleBar::toolbarPressAndRelease_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("pressed");
    const auto row = [](const char *name, const char *image, const char *label, const char *normal,
                        const char *pressed) {
        QTest::newRow(name) << QString(image) << QString(label) << QString(normal)
                            << QString(pressed);
    };
    row("delete", "m2", "Label7", "del", "del1");
    row("add", "m1", "Label8", "add", "add1");
    row("new", "Image1", "Label10", "new11", "new1");
    row("save", "sav", "Label9", "save", "save1");
    row("refresh", "reall", "Label11", "refall", "refall1");
    row("clipboard", "com", "Label12", "co", "co1");
}
void TestTitleBar::toolbarPressAndRelease()
{
    QFETCH(QString, image);
    QFETCH(QString, label);
    QFETCH(QString, normal);
    QFETCH(QString, pressed);
    pgwell &w = f->openShown();
    auto control = [&](const QString &name) {
        return w.findChild<ClickLabel *>(name);
    };
    ClickLabel *picture = control(image);
    ClickLabel *text = control(label);
    const qint64 normalKey = control(normal)->pixmap().cacheKey();
    const qint64 pressedKey = control(pressed)->pixmap().cacheKey();
    QVERIFY(normalKey != pressedKey);
    QCOMPARE(picture->pixmap().cacheKey(), normalKey);
    const QString caption = text->text();

    // Right button on the picture, released outside it.
    QTest::mousePress(picture, Qt::RightButton, {}, QPoint(3, 3));
    QCOMPARE(picture->pixmap().cacheKey(), pressedKey);
    moveTo(ui(w).Text1, QPoint(100, 100));
    QCOMPARE(picture->pixmap().cacheKey(), pressedKey);
    QTest::mouseRelease(handle(), Qt::RightButton, {}, at(ui(w).Text1, QPoint(100, 100)));
    QCOMPARE(picture->pixmap().cacheKey(), normalKey);

    // Left button on the label: the picture beside it looks pressed, the label never changes.
    QTest::mousePress(text, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(picture->pixmap().cacheKey(), pressedKey);
    QCOMPARE(text->text(), caption);
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, at(ui(w).Label19, QPoint(2, 2)));
    QCOMPARE(picture->pixmap().cacheKey(), normalKey);
}

QTEST_MAIN(TestTitleBar)
#include "tst_titlebar.moc"
