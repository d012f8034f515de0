// The keyboard: each shortcut clicks its control (and so runs its operation), only while the
// control is on screen; the Tab order; and a file dropped onto the window.
#include "app/pgwell.h"
#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

class TestKeyboard : public WindowTest
{
    Q_OBJECT

private slots:
    void shortcutClicksItsControl_data();
    void shortcutClicksItsControl();
    void findKeys_data();
    void findKeys();
    void tabOrder();
    void droppedFileIsShown();
};

static QSignalSpy *clickSpy(QWidget *control)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return new QSignalSpy(button, &QAbstractButton::clicked);
    return new QSignalSpy(qobject_cast<ClickLabel *>(control), &ClickLabel::clicked);
}

void TestKeyboard::shortcutClicksItsControl_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("expanded"); // the lower panels hidden: their controls' keys do nothing
    const Qt::KeyboardModifiers none;
    const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
    const auto ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    QTest::newRow("Ctrl+S Save") << int(Qt::Key_S) << ctrl << "Command8" << false;
    QTest::newRow("Ctrl+Shift+S Save as") << int(Qt::Key_S) << ctrlShift << "Command6" << false;
    QTest::newRow("Ctrl+F Find") << int(Qt::Key_F) << ctrl << "find" << false;
    QTest::newRow("F11 Full screen") << int(Qt::Key_F11) << none << "Command7" << false;
    QTest::newRow("F5 Refresh") << int(Qt::Key_F5) << none << "reall" << false;
    QTest::newRow("Ctrl+Shift+C clipboard") << int(Qt::Key_C) << ctrlShift << "com" << false;
    QTest::newRow("Ctrl+N while expanded") << int(Qt::Key_N) << ctrl << "Command5" << true;
    QTest::newRow("F5 while expanded") << int(Qt::Key_F5) << none << "reall" << true;
}

void TestKeyboard::shortcutClicksItsControl()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, control);
    QFETCH(bool, expanded);
    pgwell &w = f->openShown();
    if (expanded)
        QTest::mouseClick(ui(w).Command3, Qt::LeftButton);
    QWidget *target = w.findChild<QWidget *>(control);
    QVERIFY(target);
    std::unique_ptr<QSignalSpy> spy(clickSpy(target));
    ui(w).Text1->setFocus();
    QTest::keyClick(&w, Qt::Key(key), modifiers);
    QCOMPARE(spy->count(), expanded ? 0 : 1);
    // Whatever the operation opened (the reader, a question) goes with the window.
    if (QWidget *reader = w.existingReader())
        reader->hide();
}

void TestKeyboard::findKeys_data()
{
    QTest::addColumn<bool>("open");
    QTest::newRow("panel open") << true;
    QTest::newRow("panel closed: F3 and Esc belong to it") << false;
}

void TestKeyboard::findKeys()
{
    QFETCH(bool, open);
    pgwell &w = f->openShown();
    if (open)
        QTest::mouseClick(ui(w).find, Qt::LeftButton);
    ui(w).Text1->setFocus();
    QSignalSpy findNext(ui(w).Command11, &QPushButton::clicked);
    QSignalSpy close(ui(w).Command9, &QPushButton::clicked);
    if (open) {
        QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier); // to the word box
        QVERIFY(ui(w).Text2->hasFocus());
        QTest::keyClick(ui(w).Text2, Qt::Key_Return);
        QCOMPARE(findNext.count(), 1);
    }
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(findNext.count(), open ? 2 : 0);
    if (open)
        ui(w).Text2->setFocus();
    QTest::keyClick(open ? static_cast<QWidget *>(ui(w).Text2) : &w, Qt::Key_Escape);
    QCOMPARE(close.count(), open ? 1 : 0);
}

void TestKeyboard::tabOrder()
{
    pgwell &w = f->openShown();
    const QStringList expected{"Drive1",   "Dir1", "File1",    "Command5", "Command8",
                               "Command6", "find", "Command7", "File2",    "Check1"};
    ui(w).Drive1->setFocus();
    QStringList seen{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 30; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QString name = QApplication::focusWidget()->objectName();
        if (name == u"Drive1")
            break;
        if (expected.contains(name) && !seen.contains(name))
            seen.append(name);
    }
    QCOMPARE(seen, expected);
}

void TestKeyboard::droppedFileIsShown()
{
    pgwell &w = f->openShown();
    QTemporaryDir elsewhere(WindowFixture::data() + "/drop-XXXXXX");
    const QString path = elsewhere.filePath(QStringLiteral("dropped.txt"));
    writeFile(path, "dropped text\r\n");

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    data.setText(path); // file managers offer the path as text too
    QWidget *target = ui(w).Text1->editor()->viewport();
    const QPointF at(50, 50);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);

    // As "pagewell FILE": the file's folder in the lists, the file chosen and shown whole.
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("dropped text\n"));
    QCOMPARE(ui(w).Dir1->path(), elsewhere.path());
    QCOMPARE(ui(w).File1->fileName(), QStringLiteral("dropped.txt"));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
