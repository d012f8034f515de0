// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard: every operation is one action, run by its key and by its controls, once each;
// keys of disabled actions and the pane's editing keys run nothing; the Tab order; and a file
// dropped onto the window.
#include "app/commandline.h"
#include "app/pgwell.h"
#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/operationaction.h"
#include "windowtest.h"

#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

class TestKeyboard : public WindowTest
{
    Q_OBJECT

private slots:
    void keyAndControlsRunTheAction_data();
    void keyAndControlsRunTheAction();
    void keyOfDisabledActionRunsNothing_data();
    void keyOfDisabledActionRunsNothing();
    void editingKeysRunNoAction_data();
    void editingKeysRunNoAction();
    void caseKeysChooseTheirOption_data();
    void caseKeysChooseTheirOption();
    void findKeys();
    void helpListsEveryKey();
    void tabOrder();
    void droppedFileIsShown();
};

namespace {

QWidget *pane(pgwell &w)
{
    QWidget *editor = ui(w).Text1->editor();
    editor->setFocus();
    return editor;
}

// The action, cut off from its operation, so that only its wiring is seen.
std::unique_ptr<QSignalSpy> spyOnly(pgwell &w, const QString &name)
{
    auto *action = w.findChild<QAction *>(name);
    if (!action)
        return nullptr;
    QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
    return std::make_unique<QSignalSpy>(action, &QAction::triggered);
}

} // namespace

void TestKeyboard::keyAndControlsRunTheAction_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QString>("state");
    const auto row = [](const char *action, const char *keys, const QStringList &controls,
                        const QString &state = {}) {
        QTest::addRow("%s %s %s", action, keys, qPrintable(state))
            << action << keys << controls << state;
    };
    row("actionNew", "Ctrl+N", {"Command5", "Image1", "Label10"});
    row("actionSave", "Ctrl+S", {"Command8", "sav", "Label9"});
    row("actionSaveAs", "Ctrl+Shift+S", {"Command6"});
    row("actionDelete", "Ctrl+Shift+Del", {"m2", "Label7"});
    row("actionAddToFavorites", "Ctrl+Shift+D", {"m1", "Label8"});
    row("actionRefresh", "F5", {"reall", "Label11"});
    row("actionFind", "Ctrl+F", {"find"});
    row("actionFindFirst", "Ctrl+F3", {"Command10"}, "find open");
    row("actionFindNext", "F3", {"Command11"}, "find open");
    row("actionCloseFind", "Esc", {"Command9"}, "find open");
    row("actionFullScreen", "F11", {"Command7"});
    row("actionQuit", "Ctrl+Q", {"Command1"});
    row("actionAbout", "F1", {"Command4"});
    row("actionMinimize", "Ctrl+M", {"Command2"});
    row("actionExpand", "Ctrl+Shift+E", {"Command3"});
    row("actionBold", "Ctrl+B", {"Label5"});
    row("actionItalic", "Ctrl+I", {"Label14"});
    row("actionUnderline", "Ctrl+U", {"Label15"});
    row("actionColor", "Ctrl+Shift+O", {"Label16"});
    row("actionPrint", "Ctrl+P", {"Label18"});
    row("actionCopyText", "Ctrl+Shift+C", {"com", "Label12"});
    row("actionSendToClip", "Ctrl+Shift+T", {"Label13"});
    row("actionPreviousVersions", "Ctrl+Shift+H", {});
    row("actionMakeCap", "Ctrl+Shift+P", {"cap"});
    row("actionMakeMin", "Ctrl+Shift+M", {"min"});
    row("actionNomal", "Ctrl+Shift+N", {"Option3"});
    // The keys belong to the window: they work while the lower panels are hidden.
    for (const char *action : {"actionNew", "actionRefresh", "actionAddToFavorites", "actionAbout",
                               "actionCopyText", "actionMakeCap"})
        QTest::addRow("%s, panels hidden", action)
            << action << QString() << QStringList() << QStringLiteral("expanded");
}

void TestKeyboard::keyAndControlsRunTheAction()
{
    QFETCH(QString, action);
    QFETCH(QString, keys);
    QFETCH(QStringList, controls);
    QFETCH(QString, state);
    pgwell &w = f->openShown();
    if (state == u"find open")
        QTest::mouseClick(ui(w).find, Qt::LeftButton);
    if (state == u"expanded")
        QTest::mouseClick(ui(w).Command3, Qt::LeftButton);
    const auto *found = w.findChild<QAction *>(action);
    QVERIFY(found);
    if (!keys.isEmpty())
        QCOMPARE(found->shortcut(), QKeySequence(keys));
    const std::unique_ptr<QSignalSpy> triggered = spyOnly(w, action);

    QTest::keySequence(pane(w), found->shortcut());
    QCOMPARE(triggered->size(), 1);
    for (const QString &name : controls) {
        auto *control = w.findChild<QWidget *>(name);
        QVERIFY2(control && control->isVisible(), qPrintable(name));
        // Near the left edge: an option takes clicks on its circle and caption only.
        const QPoint at(qMin(8, control->width() / 2), control->height() / 2);
        triggered->clear();
        QTest::mouseClick(control, Qt::LeftButton, {}, at);
        QCOMPARE(triggered->size(), 1);
        // Press, release, second press, release: once.
        QTest::mouseClick(control, Qt::LeftButton, {}, at);
        QTest::mouseDClick(control, Qt::LeftButton, {}, at);
        QTest::mouseRelease(control, Qt::LeftButton, {}, at);
        QCOMPARE(triggered->size(), 2);
    }
}

void TestKeyboard::keyOfDisabledActionRunsNothing_data()
{
    // The find panel's actions while it is closed, the formatting ones for a plain file.
    QTest::addColumn<QString>("action");
    for (const char *action : {"actionFindFirst", "actionFindNext", "actionCloseFind", "actionBold",
                               "actionItalic", "actionUnderline", "actionColor"})
        QTest::newRow(action) << action;
}

void TestKeyboard::keyOfDisabledActionRunsNothing()
{
    QFETCH(QString, action);
    writeFile(f->browse("plain.txt"), "plain\r\n");
    pgwell &w = f->openShown();
    choose(ui(w).File1, "plain.txt");
    const std::unique_ptr<QSignalSpy> triggered = spyOnly(w, action);
    QVERIFY(triggered);
    QTest::keySequence(pane(w), w.findChild<QAction *>(action)->shortcut());
    QCOMPARE(triggered->size(), 0);
}

void TestKeyboard::editingKeysRunNoAction_data()
{
    // The pane's editing keys on every desktop's scheme: Ctrl+D deletes, Ctrl+E goes to the end
    // of the line, Ctrl+K deletes to it, Ctrl+Shift+A selects nothing.
    QTest::addColumn<QString>("keys");
    const QString keys = "Del Shift+Del Ctrl+Del Ctrl+Backspace Backspace Ctrl+A Ctrl+Shift+A "
                         "Ctrl+C Ctrl+Ins Ctrl+X Ctrl+V Shift+Ins Ctrl+Shift+Ins Ctrl+Z Ctrl+Y "
                         "Ctrl+Shift+Z Ctrl+D Ctrl+E Ctrl+K Ctrl+Left Ctrl+Shift+Right Ctrl+Home "
                         "Ctrl+Shift+End Shift+Up Return Shift+Return A Shift+A";
    for (const QString &key : keys.split(u' '))
        QTest::newRow(qPrintable(key)) << key;
}

void TestKeyboard::editingKeysRunNoAction()
{
    QFETCH(QString, keys);
    pgwell &w = f->openShown();
    QList<std::shared_ptr<QSignalSpy>> spies;
    const QList<OperationAction *> actions = w.findChildren<OperationAction *>();
    QVERIFY(actions.size() >= 25);
    for (OperationAction *action : actions)
        spies.append(std::make_shared<QSignalSpy>(action, &QAction::triggered));
    QTest::keySequence(pane(w), QKeySequence(keys));
    for (int i = 0; i < actions.size(); ++i)
        QVERIFY2(spies.at(i)->isEmpty(), qPrintable(actions.at(i)->objectName()));
}

void TestKeyboard::caseKeysChooseTheirOption_data()
{
    // What the modes do to the text is the text tools' test.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("option");
    QTest::newRow("Make CAP") << "Ctrl+Shift+P"
                              << "cap";
    QTest::newRow("Make Min") << "Ctrl+Shift+M"
                              << "min";
}

void TestKeyboard::caseKeysChooseTheirOption()
{
    QFETCH(QString, keys);
    QFETCH(QString, option);
    pgwell &w = f->openShown();
    ui(w).Text1->setPlainText(QStringLiteral("One"));
    QWidget *editor = pane(w);
    QTest::keySequence(editor, QKeySequence(keys));
    QVERIFY(w.findChild<QRadioButton *>(option)->isChecked());
    QCOMPARE(ui(w).Text1->toPlainText(), option == "cap" ? "ONE" : "one");
}

void TestKeyboard::findKeys()
{
    pgwell &w = f->openShown();
    QTest::keySequence(pane(w), QKeySequence(QStringLiteral("Ctrl+F")));
    QVERIFY(ui(w).fnd->isVisible());
    QVERIFY(ui(w).Text2->hasFocus()); // to the word box
    const std::unique_ptr<QSignalSpy> findNext = spyOnly(w, "actionFindNext");
    QTest::keyClick(ui(w).Text2, Qt::Key_Return);
    QCOMPARE(findNext->size(), 1);
    QTest::keyClick(ui(w).Text2, Qt::Key_F3);
    QCOMPARE(findNext->size(), 2);
    QTest::keyClick(ui(w).Text2, Qt::Key_Escape);
    QVERIFY(!ui(w).fnd->isVisible());
    QVERIFY(ui(w).find->isVisible());
    QTest::keyClick(ui(w).Text2, Qt::Key_Return); // the panel is closed
    QCOMPARE(findNext->size(), 2);
}

void TestKeyboard::helpListsEveryKey()
{
    pgwell &w = f->open();
    const QString help = CommandLine::helpText();
    for (const OperationAction *action : w.findChildren<OperationAction *>()) {
        const QString keys = action->shortcut().toString();
        QVERIFY2(!keys.isEmpty(), qPrintable(action->objectName()));
        // Whole: F1 is not in F11, nor F3 in Ctrl+F3.
        const QRegularExpression listed(QStringLiteral("(?<![\\w+])") +
                                        QRegularExpression::escape(keys) +
                                        QStringLiteral("(?![\\w+])"));
        QVERIFY2(help.contains(listed), qPrintable(keys));
    }
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
    waitForDisplay(w);

    // As "pagewell FILE": the file's folder in the lists, the file chosen and shown whole.
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("dropped text\n"));
    QCOMPARE(ui(w).Dir1->path(), elsewhere.path());
    QCOMPARE(ui(w).File1->fileName(), QStringLiteral("dropped.txt"));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
