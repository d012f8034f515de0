// SPDX-License-Identifier: GPL-3.0-or-later
// While the next file is read, the text still shown takes no edit: neither a key, nor the
// pane's menu, nor "Make CAP" and "Make Min" change it, and the file read comes in unedited.
#include "app/pgwell.h"
#include "controls/clicklabel.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"
#include "viewer/displayloading.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSemaphore>
#include <QTest>

class TestEditsDuringLoad : public WindowTest
{
    Q_OBJECT

private slots:
    void shownTextTakesNoEditWhileTheNextIsRead_data();
    void shownTextTakesNoEditWhileTheNextIsRead();
};

namespace {

// The pane's context menu as the right mouse button opens it.
QMenu *paneMenu(pgwell &w)
{
    QWidget *viewport = ui(w).Text1->editor()->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                            viewport->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(viewport, &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

// Chooses the entry of the pane's menu, as a click on it would (a disabled one does nothing).
void chooseFromMenu(pgwell &w, const QString &label)
{
    QMenu *menu = paneMenu(w);
    QVERIFY(menu);
    for (QAction *action : menu->actions()) {
        if (action->text() == label)
            action->trigger();
    }
    menu->close();
}

} // namespace

void TestEditsDuringLoad::shownTextTakesNoEditWhileTheNextIsRead_data()
{
    QTest::addColumn<QString>("edit");
    QTest::newRow("typed key") << "key";
    QTest::newRow("Paste from the menu") << "&Paste";
    QTest::newRow("Delete from the menu") << "Delete";
    QTest::newRow("Cut from the menu") << "Cu&t";
    QTest::newRow("Make CAP") << "actionMakeCap";
    QTest::newRow("Make Min") << "actionMakeMin";
}

void TestEditsDuringLoad::shownTextTakesNoEditWhileTheNextIsRead()
{
    QFETCH(QString, edit);
    writeFile(f->browse("a.txt"), "Shown Before\n");
    writeFile(f->browse("b.txt"), "Read Next\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "a.txt");
    QCOMPARE(ui(w).Text1->toPlainText(), u"Shown Before\n"_qs);
    ui(w).Text1->select(0, 5);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));

    // The next file's read waits at its start until the edit was tried.
    QSemaphore reading;
    QSemaphore gate;
    w.viewer().loading().setReader([&](const QString &path, const PaneFileReader::Limits &limits,
                                       const std::atomic<bool> *cancel,
                                       const PlainTextLoader::Progress &progress) {
        reading.release();
        gate.acquire();
        return PaneFileReader::read(path, limits, cancel, progress);
    });
    chooseWithoutWaiting(ui(w).File1, "b.txt");
    QTRY_COMPARE(reading.available(), 1);
    QVERIFY(w.viewer().isLoading());

    if (edit == "key") {
        QTest::keyClick(ui(w).Text1->editor(), Qt::Key_X);
    } else if (edit.startsWith("action")) {
        auto *action = w.findChild<QAction *>(edit);
        QVERIFY(action);
        action->trigger();
    } else {
        chooseFromMenu(w, edit);
    }
    QTRY_VERIFY(!w.viewer().isBusy());
    QCOMPARE(ui(w).Text1->toPlainText(), u"Shown Before\n"_qs);
    QVERIFY(!ui(w).Text1->isModified());

    gate.release();
    waitForDisplay(w);
    QCOMPARE(ui(w).Text1->toPlainText(), u"Read Next\n"_qs);
    QVERIFY(!ui(w).Text1->isModified());
    QCOMPARE(readFile(f->browse("a.txt")), QByteArray("Shown Before\n"));

    // Once it is in, the edits are taken again.
    ui(w).Text1->select(0, 4);
    QTest::keyClick(ui(w).Text1->editor(), Qt::Key_X);
    QCOMPARE(ui(w).Text1->toPlainText(), u"x Next\n"_qs);
}

QTEST_MAIN(TestEditsDuringLoad)
#include "tst_editsduringload.moc"
